#include "ui/qt/qt_dialog_controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

#include "ui/qt/qt_resources.h"

namespace quillbay {
namespace {

// A radio button that checks itself when clicked and never unchecks itself. It is
// auto-exclusive, so a click unchecks the others of its group and screen readers hear a
// radio button; the window moves the arrow keys round the group as the dialog manager does.
class AutoRadioButton final : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override { setChecked(true); }
};

// A report-style list. The highlight covers the whole row. While the list lacks the focus, or
// its window is not active, a list that shows its selection always keeps it in a paler colour,
// so that the row a button acts on shows when the focus is on that button; any other list
// shows no selection then.
class ReportList final : public QTreeWidget {
 public:
  ReportList(QWidget* parent, bool show_selection_always) : QTreeWidget(parent) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setIndentation(0);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    focused_palette_ = palette();
    // Half the highlight over the list's background, with the list's own text colour.
    QColor pale = focused_palette_.color(QPalette::Active, QPalette::Highlight);
    const QColor base = focused_palette_.color(QPalette::Active, QPalette::Base);
    pale.setRgb((pale.red() + base.red()) / 2, (pale.green() + base.green()) / 2,
                (pale.blue() + base.blue()) / 2);
    unfocused_palette_ = focused_palette_;
    if (!show_selection_always) pale = base;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      unfocused_palette_.setColor(group, QPalette::Highlight, pale);
      unfocused_palette_.setColor(group, QPalette::HighlightedText,
                                  focused_palette_.color(group, QPalette::Text));
    }
    focused_palette_.setColor(QPalette::Inactive, QPalette::Highlight, pale);
    focused_palette_.setColor(QPalette::Inactive, QPalette::HighlightedText,
                              focused_palette_.color(QPalette::Inactive, QPalette::Text));
    setPalette(unfocused_palette_);
  }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QTreeWidget::focusInEvent(event);
    setPalette(focused_palette_);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QTreeWidget::focusOutEvent(event);
    setPalette(unfocused_palette_);
  }

 private:
  QPalette focused_palette_;
  QPalette unfocused_palette_;
};

// A row of a report-style list. A screen reader hears its first cell: that says the row's
// name first. A cell whose text is wider than its column shows it whole in its tooltip. Both
// are worked out only when asked, so that filling a list costs nothing more.
class ReportRow final : public QTreeWidgetItem {
 public:
  QVariant data(int column, int role) const override {
    const QTreeWidget* list = treeWidget();
    if (role == Qt::AccessibleTextRole && column == 0 && list != nullptr) {
      return RowNameForScreenReaders(*list, *this);
    }
    if (role == Qt::ToolTipRole && list != nullptr) {
      const QString shown = text(column);
      if (list->fontMetrics().horizontalAdvance(shown) + CellPadding(*list) >
          list->header()->sectionSize(column)) {
        return shown;
      }
      return {};
    }
    return QTreeWidgetItem::data(column, role);
  }
};

bool TakesFocus(const QWidget* widget) {
  return widget->focusPolicy() != Qt::NoFocus;
}

void FollowCheckWithTabStop(QAbstractButton* radio) {
  // The dialog manager makes a checked radio button a tab stop and an unchecked one none.
  QObject::connect(radio, &QAbstractButton::toggled, radio, [radio](bool checked) {
    radio->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
  });
}

}  // namespace

QWidget* BuildControl(const ControlTemplate& control, const DialogUnits& units, QWidget* page) {
  const std::uint32_t style = control.style;
  const QString text = ToQString(control.text);
  const Qt::FocusPolicy focus = (style & cs::kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
  QWidget* widget = nullptr;

  switch (control.kind) {
    case ControlKind::kEdit:
      if ((style & cs::kMultiLine) != 0) {
        auto* edit = new QPlainTextEdit(page);
        edit->setPlainText(text);
        edit->setReadOnly((style & cs::kReadOnly) != 0);
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        // The desktop's font may need more lines than the template's did: rather than hide
        // the last ones, the box then offers a scroll bar.
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        edit->document()->setDocumentMargin(2);  // as narrow as a Windows edit box's
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if ((style & cs::kStaticEdge) != 0) {
          edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
          edit->setLineWidth(1);
        } else if ((style & cs::kBorder) == 0) {
          edit->setFrameStyle(QFrame::NoFrame);
        }
        widget = edit;
      } else {
        auto* edit = new QLineEdit(text, page);
        edit->setFrame((style & cs::kBorder) != 0);
        edit->setReadOnly((style & cs::kReadOnly) != 0);
        widget = edit;
      }
      if ((style & cs::kReadOnly) != 0) {
        // Read-only edit boxes are drawn on the window's colour, as Windows draws them.
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        widget->setPalette(palette);
      }
      widget->setFocusPolicy(focus);
      break;

    case ControlKind::kPushButton: {
      auto* button = new QPushButton(text, page);
      // Enter is handled by the window: the focused button, else the default command.
      button->setAutoDefault(false);
      button->setDefault((style & cs::kDefault) != 0);
      widget = button;
      widget->setFocusPolicy(focus);
      break;
    }

    case ControlKind::kCheckBox:
      widget = new QCheckBox(text, page);
      widget->setFocusPolicy(focus);
      break;

    case ControlKind::kRadioButton: {
      auto* radio = new AutoRadioButton(text, page);
      FollowCheckWithTabStop(radio);
      widget = radio;
      widget->setFocusPolicy(focus);
      break;
    }

    case ControlKind::kGroupBox:
      widget = new QGroupBox(text, page);
      widget->setFocusPolicy(Qt::NoFocus);
      break;

    case ControlKind::kLabel: {
      auto* label = new QLabel(text, page);
      label->setTextFormat(Qt::PlainText);
      if ((style & cs::kCenterImage) != 0) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      } else {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
      }
      label->setFocusPolicy(Qt::NoFocus);
      widget = label;
      break;
    }

    case ControlKind::kPicture: {
      auto* picture = new QLabel(page);
      picture->setFocusPolicy(Qt::NoFocus);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      const QPixmap bitmap = LoadBitmapResource(control.resource);
      QRect rect = units.Map(control.x, control.y, control.cx, control.cy);
      // The control takes the bitmap's size.
      if (!bitmap.isNull()) {
        picture->setPixmap(bitmap);
        rect.setSize(bitmap.deviceIndependentSize().toSize());
      }
      picture->setGeometry(rect);
      widget = picture;
      break;
    }

    case ControlKind::kReportList: {
      auto* list = new ReportList(page, (style & cs::kShowSelAlways) != 0);
      if ((style & cs::kBorder) == 0) list->setFrameStyle(QFrame::NoFrame);
      widget = list;
      widget->setFocusPolicy(focus);
      break;
    }
  }

  if (control.id != idc::kStatic) {
    widget->setObjectName(QStringLiteral("control_%1").arg(control.id));
  }
  if (control.kind != ControlKind::kPicture) {
    widget->setGeometry(units.Map(control.x, control.y, control.cx, control.cy));
  }
  return widget;
}

void ArrangeControls(const DialogTemplate& layout, std::span<QWidget* const> widgets) {
  const std::span<const ControlTemplate> controls = layout.controls;
  // Group boxes only frame the controls drawn over them. The radio buttons inside one become
  // its children, so that screen readers present them as one group under its title.
  for (std::size_t g = 0; g < controls.size(); ++g) {
    if (controls[g].kind != ControlKind::kGroupBox) continue;
    widgets[g]->lower();
    const QRect frame = widgets[g]->geometry();
    for (std::size_t r = 0; r < controls.size(); ++r) {
      if (controls[r].kind != ControlKind::kRadioButton ||
          !frame.contains(widgets[r]->geometry())) {
        continue;
      }
      const QRect at = widgets[r]->geometry().translated(-frame.topLeft());
      widgets[r]->setParent(widgets[g]);
      widgets[r]->setGeometry(at);
    }
  }
  // The tab order is the template's; set last, as a new parent changes it.
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    if (!TakesFocus(widget)) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
  // A label's access key moves the focus to the next control that takes it, as on Windows.
  for (std::size_t i = 0; i < controls.size(); ++i) {
    auto* label = qobject_cast<QLabel*>(widgets[i]);
    if (label == nullptr || controls[i].kind != ControlKind::kLabel ||
        (controls[i].style & cs::kNoPrefix) != 0 || !label->text().contains(u'&')) {
      continue;
    }
    const auto next =
        std::find_if(controls.begin() + static_cast<std::ptrdiff_t>(i) + 1, controls.end(),
                     [](const ControlTemplate& c) { return (c.style & cs::kTabStop) != 0; });
    if (next != controls.end()) {
      label->setBuddy(widgets[static_cast<std::size_t>(next - controls.begin())]);
    } else {
      label->setText(StripMnemonics(label->text()));
    }
  }
  std::vector<BuiltControl> built;
  for (std::size_t i = 0; i < controls.size(); ++i) built.push_back({&controls[i], widgets[i]});
  NameControlsForScreenReaders(layout.id, built);
}

int CellPadding(const QTreeWidget& list) {
  // The item's text margins on both sides, and a pixel to spare.
  return 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1) + 1;
}

QTreeWidgetItem* NewReportRow(const QString& text) {
  auto* row = new ReportRow();
  row->setText(0, text);
  return row;
}

}  // namespace quillbay
