#include "ui/qt/qt_look.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "ui/qt/qt_resources.h"

namespace quillbay {
namespace {

// Windows takes the average character width over the alphabet in both cases.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
// The horizontal base unit of the templates' own font (8 pt at 96 dpi) that pixel widths in
// the windows' code were chosen for.
constexpr double kTemplateBaseX = 6.0;

int Round(double value) {
  return static_cast<int>(std::lround(value));
}

// Whether every text of `layout` fits its control when a dialog unit across is `base_x / 4`
// pixels and down `base_y / 8`.
bool TextsFit(const DialogTemplate& layout, const QFontMetricsF& metrics, const QStyle& style,
              double base_x, double base_y) {
  const auto pixel = [&](QStyle::PixelMetric metric) { return style.pixelMetric(metric); };
  for (const ControlTemplate& control : layout.controls) {
    const QString text = ToQString(control.text);
    if (text.isEmpty()) continue;
    const double width =
        std::floor((control.x + control.cx) * base_x / 4) - std::ceil(control.x * base_x / 4);
    const double height = std::floor(control.cy * base_y / 8);
    const QString shown = (control.style & cs::kNoPrefix) != 0 ? text : StripMnemonics(text);
    const double advance = metrics.horizontalAdvance(shown);
    double needed = advance;
    switch (control.kind) {
      case ControlKind::kLabel:
        if ((control.style & cs::kCenterImage) == 0) {
          // A label wraps: its lines must fit its height, and no word may overrun its width.
          const QRectF lines = metrics.boundingRect(
              QRectF(0, 0, width, std::numeric_limits<int>::max()), Qt::TextWordWrap, shown);
          if (lines.height() > height) return false;
          needed = lines.width();
        }
        break;
      case ControlKind::kPushButton:
        needed += pixel(QStyle::PM_ButtonMargin) + 2 * pixel(QStyle::PM_DefaultFrameWidth);
        break;
      case ControlKind::kCheckBox:
        needed += pixel(QStyle::PM_IndicatorWidth) + pixel(QStyle::PM_CheckBoxLabelSpacing) + 2;
        break;
      case ControlKind::kRadioButton:
        needed += pixel(QStyle::PM_ExclusiveIndicatorWidth) +
                  pixel(QStyle::PM_RadioButtonLabelSpacing) + 2;
        break;
      case ControlKind::kGroupBox:
        needed += 2 * metrics.averageCharWidth();
        break;
      default:
        continue;  // edit boxes and lists scroll
    }
    if (needed > width) return false;
  }
  return true;
}

bool WantsName(const ControlTemplate& control) {
  return control.kind == ControlKind::kEdit || control.kind == ControlKind::kReportList ||
         control.kind == ControlKind::kPicture;
}

}  // namespace

DialogUnits DialogUnits::For(const DialogTemplate& layout, const QFont& font, const QStyle& style,
                             int max_height) {
  const QFontMetricsF metrics(font);
  const double alphabet =
      std::max(1.0, metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 52);
  // Across, the alphabet's average width, widened in steps of 2 % until every text fits, up to
  // 2.7 times: a font that needs more is no real desktop's, and then the widest is kept.
  const auto across = [&](double base_y) -> std::optional<double> {
    double base_x = alphabet;
    for (int step = 0; step < 50; ++step, base_x *= 1.02) {
      if (TextsFit(layout, metrics, style, base_x, base_y)) return base_x;
    }
    return std::nullopt;
  };
  // Down, the distance from one line of text to the next, rounded up to whole pixels: Windows
  // takes the font's height, but Qt lays lines out at the exact line spacing, leading
  // included, and a box of the template's height must hold as many lines as it did there.
  double base_y = std::max(1.0, std::ceil(metrics.lineSpacing()));
  double base_x = across(base_y).value_or(alphabet * std::pow(1.02, 49));
  // Too tall for the screen: tighter down, while the texts still fit their boxes.
  const double lowest = 0.8 * metrics.lineSpacing();
  for (double tighter = base_y * 0.98;
       max_height > 0 && std::round(layout.cy * base_y / 8) > max_height && tighter >= lowest;
       tighter *= 0.98) {
    const std::optional<double> wider = across(tighter);
    if (!wider) break;
    base_x = *wider;
    base_y = tighter;
  }
  return {base_x, base_y};
}

int DialogUnits::X(int units) const {
  return Round(units * base_x_ / 4);
}

int DialogUnits::Y(int units) const {
  return Round(units * base_y_ / 8);
}

QRect DialogUnits::Map(int x, int y, int cx, int cy) const {
  // Edges are mapped, not sizes, so that controls that meet in the template meet on screen.
  return {X(x), Y(y), X(x + cx) - X(x), Y(y + cy) - Y(y)};
}

int DialogUnits::ScalePixels(int pixels) const {
  return Round(pixels * base_x_ / kTemplateBaseX);
}

namespace {

// Fields that no label names truly: the title box follows the check box's whole sentence,
// and the description has no label at all.
struct OwnName {
  int template_id, control_id;
  const char* name;
};
constexpr OwnName kOwnNames[] = {
    {dlg::kLinkPage, idc::kTitle, "Title"},
    {dlg::kLinkPage, idc::kDescription, "Description"},
};

// "Location:  (E.g 1: c:\page.htm)" names "Location" and describes "E.g 1: c:\page.htm".
std::pair<QString, QString> SplitLabel(const QString& label) {
  const QString text = StripMnemonics(label).simplified();
  if (text.startsWith(u'(') && text.endsWith(u')'))
    return {{}, text.mid(1, text.size() - 2).trimmed()};
  const qsizetype colon = text.indexOf(u':');
  const QString name = colon < 0 ? text : text.left(colon).trimmed();
  QString rest = colon < 0 ? QString() : text.mid(colon + 1).trimmed();
  if (rest.startsWith(u'(') && rest.endsWith(u')')) rest = rest.mid(1, rest.size() - 2).trimmed();
  return {name, rest};
}

}  // namespace

void NameControlsForScreenReaders(int template_id, std::span<const BuiltControl> controls) {
  constexpr int kMaxGap = 20;     // dialog units between a label's bottom and its control
  constexpr int kMaxIndent = 12;  // between their left edges
  for (const BuiltControl& target : controls) {
    const ControlTemplate& control = *target.control;
    if (!WantsName(control)) continue;
    const auto own = std::ranges::find_if(kOwnNames, [&](const OwnName& n) {
      return n.template_id == template_id && n.control_id == control.id;
    });
    if (own != std::end(kOwnNames)) {
      target.widget->setAccessibleName(QString::fromLatin1(own->name));
      continue;
    }
    const BuiltControl* label = nullptr;
    int best_gap = kMaxGap + 1;
    for (const BuiltControl& candidate : controls) {
      const ControlTemplate& c = *candidate.control;
      const int gap = control.y - (c.y + c.cy);
      if (c.kind != ControlKind::kLabel || c.text.empty() || gap < -2 || gap >= best_gap ||
          std::abs(c.x - control.x) > kMaxIndent) {
        continue;
      }
      label = &candidate;
      best_gap = gap;
    }
    if (label == nullptr) continue;
    // The label names the control; its examples, and those of further labels between it and
    // the control, describe it.
    auto [name, description] = SplitLabel(ToQString(label->control->text));
    const ControlTemplate& above = *label->control;
    for (const BuiltControl& more : controls) {
      const ControlTemplate& c = *more.control;
      if (&more == label || c.kind != ControlKind::kLabel || c.y < above.y + above.cy ||
          c.y + c.cy > control.y + 2 || c.x >= control.x + control.cx || c.x + c.cx <= control.x) {
        continue;
      }
      const QString example = SplitLabel(ToQString(c.text)).second;
      if (!example.isEmpty()) {
        description += (description.isEmpty() ? "" : ", ") + example;
      }
    }
    target.widget->setAccessibleName(name);
    target.widget->setAccessibleDescription(description);
  }
}

QString RowNameForScreenReaders(const QTreeWidget& list, const QTreeWidgetItem& row) {
  int name_column = 0;
  for (int i = 0; i < list.columnCount(); ++i) {
    if (list.headerItem()->text(i).endsWith(QStringLiteral("name"), Qt::CaseInsensitive)) {
      name_column = i;
      break;
    }
  }
  QStringList cells{row.text(name_column)};
  for (int i = 0; i < list.columnCount(); ++i) {
    if (i != name_column && !row.text(i).isEmpty()) cells << row.text(i);
  }
  return cells.join(QStringLiteral(", "));
}

void NameByHeadingsUnlessLabelled(QTreeWidget& list) {
  static constexpr char kByHeadings[] = "quillbay_named_by_headings";
  if (!list.accessibleName().isEmpty() && !list.property(kByHeadings).toBool()) return;
  QStringList headings;
  for (int i = 0; i < list.columnCount(); ++i) headings << list.headerItem()->text(i);
  list.setAccessibleName(headings.join(QStringLiteral(", ")));
  list.setProperty(kByHeadings, true);
}

QString StripMnemonics(const QString& text) {
  QString plain;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace quillbay
