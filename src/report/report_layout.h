// Lays the report model out on pages of a paint device (a PDF writer, a printer, its preview) and
// paints it. The same layout serves every device: sizes are in millimetres and points, converted
// with the device's own resolution, and every text is broken into lines that are measured with the
// device's font metrics, so that no text runs past its cell on any of them.
#pragma once

#include <QFont>
#include <QLineF>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <vector>

#include "report/report_model.h"

class QPaintDevice;
class QPagedPaintDevice;

namespace torva::report {

// One line of text placed on a page: drawn in `box` (one line high, as wide as the cell's room for
// text) with `align`; `cell` is the cell the line belongs to.
struct PlacedText {
  QString text;
  QFont font;
  Qt::Alignment align = Qt::AlignLeft;
  QRectF box;
  QRectF cell;
};

struct PlacedPage {
  std::vector<PlacedText> texts;
  std::vector<QLineF> lines;  // cell frames and rules
  std::vector<QLineF> hairlines;  // light rules between the rows of unruled tables
};

struct ReportLayout {
  QRectF page;  // the device's paintable area, in device units from its top-left corner
  QRectF body;  // where sections go, above the footer
  std::vector<PlacedPage> pages;
};

// The report of `form` as it stands, dated today: what both the PDF and the print preview show.
ReportModel TodaysReportModel(const audit::TfrmMain& form);

// A4 portrait with the report's margins: what the PDF is written on and what printing starts from.
QPageLayout ReportPageLayout();

// The font of the report at `points`: a free Song (Ming) face, as Chinese documents are set.
QFont ReportFont(double points, bool bold = false);

// Lays `report` out on pages of `device`'s paintable size, footer and page numbers included.
ReportLayout LayOutReport(const ReportModel& report, QPaintDevice& device);

// Lays out and paints `report` on `device`, one device page per layout page. Returns false when no
// painter could begin on the device (an unwritable file, a printer that is gone).
bool PaintReport(const ReportModel& report, QPagedPaintDevice& device);

}  // namespace torva::report
