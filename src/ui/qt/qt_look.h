#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <span>

#include "resources/dialog_templates.h"

class QStyle;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace quillbay {

// How the windows sit on a Linux desktop. They take the desktop's own font at its own size,
// and dialog units follow that font, as Windows lets them follow a large font: the layout of
// a template scales as a whole.
class DialogUnits {
 public:
  // The units of `font` for `layout`: a quarter of the average character width across and an
  // eighth of the line spacing down, widened where the font runs wider than the template's
  // font did, so that no text of the template is clipped or wrapped where it has no room.
  // When the layout is taller than `max_height` pixels (0: no limit), the units down shrink as
  // far as every text still fits, to no less than four fifths of the line spacing.
  DialogUnits() = default;
  static DialogUnits For(const DialogTemplate& layout, const QFont& font, const QStyle& style,
                         int max_height = 0);

  QRect Map(int x, int y, int cx, int cy) const;
  // A width the template's code gives in pixels of the template's font at 96 dpi, such as a
  // list column's, in pixels of this font.
  int ScalePixels(int pixels) const;

  double base_x() const { return base_x_; }
  double base_y() const { return base_y_; }

 private:
  DialogUnits(double base_x, double base_y) : base_x_(base_x), base_y_(base_y) {}
  int X(int units) const;
  int Y(int units) const;

  double base_x_ = 4;
  double base_y_ = 8;
};

// The title bar of a window that has the window menu: a close box and no other, as no window
// of the program can be resized and none has a minimise box in its template.
inline constexpr Qt::WindowFlags kTitleBarFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// The widget of each control of a template, in template order.
struct BuiltControl {
  const ControlTemplate* control;
  QWidget* widget;
};

// Gives each edit box, list and picture of template `template_id` a short accessible name,
// that of its label: the nearest one that ends just above it and starts near its left edge,
// up to its colon ("Location"); the label's examples in parentheses, and those of labels
// between it and the control, become the description. Screen readers speak both when the
// control takes the focus.
void NameControlsForScreenReaders(int template_id, std::span<const BuiltControl> controls);

// What a screen reader hears for `row`: the cell under the heading that ends in "name" first,
// then the other cells, so that moving through the bars it speaks each bar's name, not only
// its GUID.
QString RowNameForScreenReaders(const QTreeWidget& list, const QTreeWidgetItem& row);

// A list that no label names is named by its column headings, "Link name, URL".
void NameByHeadingsUnlessLabelled(QTreeWidget& list);

// `text` without its access-key marks: "&Add a link" reads "Add a link".
QString StripMnemonics(const QString& text);

}  // namespace quillbay
