#include "report/report_layout.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace torva::report {
namespace {

// Sizes in millimetres and points: the page reads the same whatever the device's resolution.
constexpr double kCellPadX = 1.2;
constexpr double kCellPadY = 1.3;
constexpr double kLargeCellPadY = 2.6;  // the cover's rows stand apart, as on a title page
constexpr double kSignOffPadY = 7.0;    // room for a signature above and below each line
constexpr double kSignOffDrop = 10.0;   // the sign-off stands apart from the last table
constexpr double kCoverTitleDrop = 12.0;  // room above the cover's title
constexpr double kIndentStep = 6.0;
constexpr double kBlockGap = 4.0;
constexpr double kTitleGap = 2.5;
constexpr double kFooterGap = 3.0;
constexpr double kRuleWidth = 0.2;
constexpr double kHairlineWidth = 0.1;

constexpr double kTablePoints = 7.5;
constexpr double kSmallestFigurePoints = 6.0;
constexpr double kFigureStep = 0.5;
constexpr double kLargeTablePoints = 11.0;
constexpr double kHeadingPoints = 14.0;
constexpr double kTitlePoints = 15.0;
constexpr double kMainTitlePoints = 22.0;
constexpr double kFooterPoints = 8.0;

// The widest page number the footer reserves room for.
constexpr int kWidestPageNumber = 9999;

// A text measured with the device's metrics is drawn a hair narrower than the room it was broken
// for, so that rounding inside the text engine cannot push a glyph past the cell.
constexpr double kBreakSlack = 0.5;

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

Qt::Alignment ToQt(CellAlign align) {
  switch (align) {
    case CellAlign::kLeft:
      return Qt::AlignLeft;
    case CellAlign::kCenter:
      return Qt::AlignHCenter;
    case CellAlign::kRight:
      return Qt::AlignRight;
  }
  return Qt::AlignLeft;
}

double TitlePoints(int size) {
  switch (size) {
    case 1:
      return kTitlePoints;
    case 2:
      return kMainTitlePoints;
    default:
      return kHeadingPoints;
  }
}

// A cell ready to be placed: its lines, broken for the room it has.
struct PreparedCell {
  std::vector<QString> lines;
  QFont font;
  Qt::Alignment align = Qt::AlignLeft;
  double inset_left = 0, inset_right = 0;
};

struct PreparedRow {
  std::vector<PreparedCell> cells;
  double pad_y = 0;
  double line_height = 0;
  int line_count = 1;
};

class Placer {
 public:
  Placer(QPaintDevice& device, ReportLayout& layout) : device_(device), layout_(layout) {}

  double Mm(double mm) const { return mm / 25.4 * device_.logicalDpiX(); }

  double LineHeight(const QFont& font) const { return QFontMetricsF(font, &device_).lineSpacing(); }

  // `text` broken into lines no wider than `width`: at word boundaries (between Chinese characters
  // too) where it can, anywhere in a word too long for a line. Never fewer than one line.
  std::vector<QString> BreakLines(const QString& text, const QFont& font, double width) const {
    std::vector<QString> lines;
    QTextLayout layout(text, font, &device_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(std::max(1.0, width - kBreakSlack));
      QString part = text.mid(line.textStart(), line.textLength());
      while (!part.isEmpty() && part.back().isSpace()) part.chop(1);
      lines.push_back(part);
    }
    layout.endLayout();
    if (lines.empty()) lines.emplace_back();
    return lines;
  }

  void StartPage() {
    layout_.pages.emplace_back();
    y_ = layout_.body.top();
  }
  bool AtPageTop() const { return y_ <= layout_.body.top(); }
  double Room() const { return layout_.body.bottom() - y_; }
  PlacedPage& page() { return layout_.pages.back(); }

  void PlaceTitle(const TitleLine& title) {
    const QFont font = ReportFont(TitlePoints(title.size), true);
    const double height = LineHeight(font);
    // The report's title stands well below the section heading, its main line apart from the rows.
    if (title.size == 1 && !AtPageTop()) y_ += Mm(kCoverTitleDrop);
    for (const QString& line : BreakLines(ToQ(title.text), font, layout_.body.width())) {
      if (Room() < height && !AtPageTop()) StartPage();
      const QRectF box(layout_.body.left(), y_, layout_.body.width(), height);
      page().texts.push_back({line, font, Qt::AlignHCenter, box, box});
      y_ += height;
    }
    y_ += Mm(title.size == 2 ? kCoverTitleDrop : kTitleGap);
  }

  void PlaceTable(const Table& table) {
    const double points = table.large || table.sign_off ? kLargeTablePoints : kTablePoints;
    columns_.clear();
    double x = layout_.body.left();
    for (double share : table.widths) {
      const double width = share * layout_.body.width();
      columns_.emplace_back(x, width);
      x += width;
    }
    const bool has_header = !table.header.empty();
    const double pad_y =
        Mm(table.sign_off ? kSignOffPadY : table.large ? kLargeCellPadY : kCellPadY);
    const PreparedRow header = has_header ? Prepare(table.header, points, pad_y) : PreparedRow{};
    if (table.sign_off) {
      // Signed as one block: on a page of its own when the rest of this page cannot hold it all.
      double height = Mm(kSignOffDrop);
      for (const std::vector<Cell>& cells : table.rows) {
        const PreparedRow row = Prepare(cells, points, pad_y);
        height += RowHeight(row, row.line_count);
      }
      if (height > Room() && !AtPageTop()) StartPage();
      if (!AtPageTop()) y_ += Mm(kSignOffDrop);
    }
    if (has_header) PlaceRow(header, table, nullptr);
    for (const std::vector<Cell>& cells : table.rows) {
      PlaceRow(Prepare(cells, points, pad_y), table, has_header ? &header : nullptr);
    }
    y_ += Mm(kBlockGap);
  }

 private:
  PreparedRow Prepare(const std::vector<Cell>& cells, double points, double pad_y) const {
    PreparedRow row;
    row.pad_y = pad_y;
    for (std::size_t i = 0; i < cells.size() && i < columns_.size(); ++i) {
      const Cell& cell = cells[i];
      PreparedCell prepared;
      prepared.font = ReportFont(points, cell.bold);
      prepared.align = ToQt(cell.align);
      const double indent = cell.indent * Mm(kIndentStep);
      (cell.align == CellAlign::kRight ? prepared.inset_right : prepared.inset_left) = indent;
      const double room = columns_[i].second - 2 * Mm(kCellPadX) - indent;
      prepared.lines = BreakLines(ToQ(cell.text), prepared.font, room);
      // A figure broken over lines is easily misread: it is set smaller until it fits on one.
      for (double smaller = points - kFigureStep;
           cell.figure && prepared.lines.size() > 1 && smaller >= kSmallestFigurePoints;
           smaller -= kFigureStep) {
        prepared.font = ReportFont(smaller, cell.bold);
        prepared.lines = BreakLines(ToQ(cell.text), prepared.font, room);
      }
      row.line_height = std::max(row.line_height, LineHeight(prepared.font));
      row.line_count = std::max(row.line_count, static_cast<int>(prepared.lines.size()));
      row.cells.push_back(std::move(prepared));
    }
    return row;
  }

  double RowHeight(const PreparedRow& row, int lines) const {
    return lines * row.line_height + 2 * row.pad_y;
  }

  // Places a row, whole on this page when it fits, else whole on the next; a row taller than a page
  // runs on over as many pages as it needs, the table's header repeated on each.
  void PlaceRow(const PreparedRow& row, const Table& table, const PreparedRow* header) {
    const double header_height = header != nullptr ? RowHeight(*header, header->line_count) : 0;
    const double fresh_room = layout_.body.height() - header_height;
    int done = 0;
    while (done < row.line_count) {
      const int left = row.line_count - done;
      int fit = static_cast<int>(std::floor((Room() - 2 * row.pad_y) / row.line_height));
      const bool whole_fits_fresh = RowHeight(row, left) <= fresh_room;
      if (!AtPageTop() && (fit < 1 || (fit < left && whole_fits_fresh))) {
        StartPage();
        if (header != nullptr) PlaceRow(*header, table, nullptr);
        continue;
      }
      const int count = std::clamp(std::min(fit, left), 1, left);
      PlaceFragment(row, table, done, count);
      done += count;
    }
  }

  void PlaceFragment(const PreparedRow& row, const Table& table, int first_line, int count) {
    const double height = RowHeight(row, count);
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
      const PreparedCell& cell = row.cells[i];
      const QRectF frame(columns_[i].first, y_, columns_[i].second, height);
      const double left = frame.left() + Mm(kCellPadX) + cell.inset_left;
      const double width = frame.width() - 2 * Mm(kCellPadX) - cell.inset_left - cell.inset_right;
      for (int j = 0; j < count; ++j) {
        const std::size_t line = static_cast<std::size_t>(first_line + j);
        if (line >= cell.lines.size() || cell.lines[line].isEmpty()) continue;
        const QRectF box(left, y_ + row.pad_y + j * row.line_height, width, row.line_height);
        page().texts.push_back({cell.lines[line], cell.font, cell.align, box, frame});
      }
      if (table.ruled) {
        page().lines.emplace_back(frame.topLeft(), frame.topRight());
        page().lines.emplace_back(frame.bottomLeft(), frame.bottomRight());
        page().lines.emplace_back(frame.topLeft(), frame.bottomLeft());
        page().lines.emplace_back(frame.topRight(), frame.bottomRight());
      }
    }
    if (!table.ruled && !columns_.empty()) {
      const double right = columns_.back().first + columns_.back().second;
      page().hairlines.emplace_back(QPointF(columns_.front().first, y_ + height),
                                    QPointF(right, y_ + height));
    }
    y_ += height;
  }

  QPaintDevice& device_;
  ReportLayout& layout_;
  std::vector<std::pair<double, double>> columns_;  // left and width of each column
  double y_ = 0;
};

}  // namespace

ReportModel TodaysReportModel(const audit::TfrmMain& form) {
  return BuildReportModel(form, TodayText());
}

QPageLayout ReportPageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(16, 15, 14, 12),
                     QPageLayout::Millimeter);
}

QFont ReportFont(double points, bool bold) {
  // Free Ming (Song) faces first: the report is set as Chinese official documents are. Qt falls
  // back to any installed Chinese face after them.
  QFont font;
  font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                    QStringLiteral("AR PL SungtiL GB"), QString::fromUtf8("宋体"),
                    QStringLiteral("SimSun")});
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setStyleHint(QFont::Serif);
  return font;
}

ReportLayout LayOutReport(const ReportModel& report, QPaintDevice& device) {
  ReportLayout layout;
  layout.page = QRectF(0, 0, device.width(), device.height());
  Placer placer(device, layout);

  // The footer: the project's texts at the left, the page number at the right, below a rule.
  const QFont footer_font = ReportFont(kFooterPoints);
  const double footer_line = placer.LineHeight(footer_font);
  const QString widest_number = ToQ(PageNumberText(kWidestPageNumber, kWidestPageNumber));
  const double number_width = QFontMetricsF(footer_font, &device).horizontalAdvance(widest_number) +
                              placer.Mm(kFooterGap);
  QStringList footer_parts;
  for (const std::string& part : report.footer) footer_parts << ToQ(part);
  const std::vector<QString> footer_lines = placer.BreakLines(
      footer_parts.join(QStringLiteral("    ")), footer_font, layout.page.width() - number_width);
  const double footer_height = footer_lines.size() * footer_line + placer.Mm(kFooterGap);
  layout.body = QRectF(layout.page.left(), layout.page.top(), layout.page.width(),
                       std::max(footer_line, layout.page.height() - footer_height));

  for (const Section& section : report.sections) {
    placer.StartPage();
    for (const Block& block : section.blocks) {
      if (block.kind == Block::Kind::kTitle) {
        placer.PlaceTitle(block.title);
      } else {
        placer.PlaceTable(block.table);
      }
    }
  }
  if (layout.pages.empty()) placer.StartPage();

  const int pages = static_cast<int>(layout.pages.size());
  const double footer_top = layout.body.bottom() + placer.Mm(kFooterGap);
  const QRectF footer_cell(layout.page.left(), footer_top, layout.page.width(),
                           layout.page.bottom() - footer_top);
  for (int i = 0; i < pages; ++i) {
    PlacedPage& page = layout.pages[static_cast<std::size_t>(i)];
    page.lines.emplace_back(QPointF(layout.page.left(), layout.body.bottom() + placer.Mm(1)),
                            QPointF(layout.page.right(), layout.body.bottom() + placer.Mm(1)));
    for (std::size_t j = 0; j < footer_lines.size(); ++j) {
      const QRectF box(layout.page.left(), footer_top + j * footer_line,
                       layout.page.width() - number_width, footer_line);
      page.texts.push_back({footer_lines[j], footer_font, Qt::AlignLeft, box, footer_cell});
    }
    const QRectF number_box(layout.page.right() - number_width, footer_top, number_width,
                            footer_line);
    page.texts.push_back({ToQ(PageNumberText(i + 1, pages)), footer_font, Qt::AlignRight,
                          number_box, footer_cell});
  }
  return layout;
}

bool PaintReport(const ReportModel& report, QPagedPaintDevice& device) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const ReportLayout layout = LayOutReport(report, device);
  const double dpi = device.logicalDpiX();
  QPen rule(Qt::black, kRuleWidth / 25.4 * dpi);
  QPen hairline(QColor(150, 150, 150), kHairlineWidth / 25.4 * dpi);
  for (std::size_t i = 0; i < layout.pages.size(); ++i) {
    if (i > 0 && !device.newPage()) return false;
    const PlacedPage& page = layout.pages[i];
    painter.setPen(hairline);
    for (const QLineF& line : page.hairlines) painter.drawLine(line);
    painter.setPen(rule);
    for (const QLineF& line : page.lines) painter.drawLine(line);
    painter.setPen(Qt::black);
    for (const PlacedText& text : page.texts) {
      painter.setFont(text.font);
      painter.drawText(text.box, static_cast<int>(text.align | Qt::AlignVCenter) | Qt::TextSingleLine,
                       text.text);
    }
  }
  return painter.end();
}

}  // namespace torva::report
