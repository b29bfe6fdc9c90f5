#pragma once

#include <QString>

#include <span>

#include "resources/dialog_templates.h"
#include "ui/qt/qt_look.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace quillbay {

// The widget of `control` on `page`, with the template's styles, at its place in `units`; its
// signals are not yet connected to anything.
QWidget* BuildControl(const ControlTemplate& control, const DialogUnits& units, QWidget* page);

// Once every control of `layout` is built (`widgets[i]` is that of `layout.controls[i]`): group
// boxes take the radio buttons drawn inside them, the tab order is the template's, labels move
// the focus on with their access keys, and controls get their names for screen readers.
void ArrangeControls(const DialogTemplate& layout, std::span<QWidget* const> widgets);

// The pixels a cell of `list` takes beside its text's own width.
int CellPadding(const QTreeWidget& list);

// A new row for a report-style list built here, with `text` in its first cell.
QTreeWidgetItem* NewReportRow(const QString& text);

}  // namespace quillbay
