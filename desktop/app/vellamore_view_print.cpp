// Printing the content pane: the print dialog, the preview and the page
// setup, and the pages themselves. The pages follow PrintLayout, in twips
// from the top left corner of the page inside its margins, each distance
// tied to the line height of the printing font. A shown picture prints
// centred under the heading instead of the text.
#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "messages.h"
#include "print_layout.h"
#include "vellamore_view.h"

namespace desktop {
namespace {

// A printed picture: each of the handheld's 160 pixels 18 twips wide, so
// the whole picture is 2 inches square.
constexpr int kPicturePixels = 160;
constexpr int kPictureTwips = 2 * kTwipsPerInch;

// Converts twips into the device's units along one axis.
class TwipScale {
 public:
  TwipScale(int dotsPerInchX, int dotsPerInchY) : m_x(dotsPerInchX), m_y(dotsPerInchY) {}
  int X(int twips) const { return Scale(twips, m_x); }
  int Y(int twips) const { return Scale(twips, m_y); }
  int TwipsOfY(int deviceUnits) const {
    return static_cast<int>(std::lround(double(deviceUnits) * kTwipsPerInch / m_y));
  }
  int TwipsOfX(int deviceUnits) const {
    return static_cast<int>(std::lround(double(deviceUnits) * kTwipsPerInch / m_x));
  }

 private:
  static int Scale(int twips, int dotsPerInch) {
    return static_cast<int>(std::lround(double(twips) * dotsPerInch / kTwipsPerInch));
  }
  int m_x, m_y;
};

TwipScale ScaleOf(const QPainter& painter) {
  return TwipScale(painter.device()->logicalDpiX(), painter.device()->logicalDpiY());
}

// The longest start of `text` that is at most `width` device units wide in
// the painter's font: a line is cut at the frame's edge, not wrapped.
QString CutToWidth(const QPainter& painter, const QString& text, int width) {
  QFontMetrics metrics = painter.fontMetrics();
  if (metrics.horizontalAdvance(text) <= width) return text;
  qsizetype fits = 0;
  qsizetype tooLong = text.size();
  while (tooLong - fits > 1) {
    qsizetype middle = fits + (tooLong - fits) / 2;
    if (metrics.horizontalAdvance(text.left(middle)) <= width) {
      fits = middle;
    } else {
      tooLong = middle;
    }
  }
  // Never half a character made of two UTF-16 units.
  if (fits > 0 && text[fits - 1].isHighSurrogate()) --fits;
  return text.left(fits);
}

// Draws `text` with the top left corner of its first character at `placed`,
// cut at the right edge of the frame (the device's width) when `cut`.
void DrawPlaced(QPainter& painter, const PrintLayout::Placed& placed, bool cut = true) {
  TwipScale scale = ScaleOf(painter);
  QString text = QString::fromStdString(placed.text);
  if (cut) text = CutToWidth(painter, text, painter.device()->width() - scale.X(placed.x));
  painter.drawText(scale.X(placed.x), scale.Y(placed.top) + painter.fontMetrics().ascent(), text);
}

}  // namespace

QPrinter& CVellamoreView::Printer() {
  if (!m_printer) {
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageMargins(QMarginsF(kDefaultMarginMillimetres, kDefaultMarginMillimetres,
                                        kDefaultMarginMillimetres, kDefaultMarginMillimetres),
                              QPageLayout::Millimeter);
  }
  return *m_printer;
}

std::optional<uint16_t> CVellamoreView::PrepareToPrint() {
  // Nothing to print: say so before asking for a printer.
  int row = GetSelectedRow();
  const store::FileListEntry* entry = row >= 0 ? m_model.FindById(RowId(row)) : nullptr;
  if (entry == nullptr) {
    m_prompts.MessageBox(kSelectItemText, kPrintCaption, kMbOk);
    return std::nullopt;
  }
  QPrinter& printer = Printer();
  QString title = QString::fromStdString(entry->title);
  printer.setDocName(title);
  // Printing to a file (or with no printer at all) proposes the entry's
  // title as the file's name, in the folder the last printout went to.
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    QString folder = printer.outputFileName().isEmpty()
                         ? QDir::homePath()
                         : QFileInfo(printer.outputFileName()).absolutePath();
    QString name = QString::fromStdString(PdfFileNameFor(entry->title));
    printer.setOutputFileName(QDir(folder).filePath(name));
  }
  return entry->id;
}

void CVellamoreView::OnFilePrint() {
  const std::optional<uint16_t> id = PrepareToPrint();
  if (!id) return;
  QPrintDialog dialog(&Printer(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintTo(Printer(), *id);
}

void CVellamoreView::OnFilePrintPreview() {
  const std::optional<uint16_t> id = PrepareToPrint();
  if (!id) return;
  QPrintPreviewDialog preview(&Printer(), this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this, id](QPrinter* printer) { PrintTo(*printer, *id); });
  preview.exec();
}

void CVellamoreView::OnFilePrintSetup() {
  QPageSetupDialog dialog(&Printer(), this);
  dialog.exec();
}

void CVellamoreView::PrintTo(QPrinter& printer, uint16_t id) {
  if (!StillListedAfterQuestion(id, kPrintCaption)) return;
  std::string heading = m_model.FindById(id)->title;

  // The title of a PDF, and the job's name on a printer.
  printer.setDocName(QString::fromStdString(heading));
  QPainter painter;
  if (!painter.begin(&printer)) {
    m_prompts.MessageBox(kPrintFailedText, kPrintCaption, kMbOk | kMbIconExclamation);
    return;
  }
  TwipScale scale = ScaleOf(painter);
  int lineHeight = scale.TwipsOfY(painter.fontMetrics().lineSpacing());
  // The painter's origin is the top left corner inside the margins; the
  // device's size is what lies inside them.
  PageFrame frame{scale.TwipsOfX(printer.width()), scale.TwipsOfY(printer.height())};
  // A picture prints on one page under the heading; its text is not the
  // pane's, which still holds what was shown before the picture.
  std::string text = m_pictureShown ? std::string() : m_textPane->PaneText().toStdString();
  PrintLayout layout(heading, text, lineHeight, frame);
  int pages = m_pictureShown ? 1 : layout.PageCount();
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) printer.newPage();
    PrintPage(painter, layout, page);
  }
  painter.end();
}

void CVellamoreView::PrintPage(QPainter& painter, const PrintLayout& layout, int page) {
  DrawPlaced(painter, layout.Heading());
  if (m_pictureShown) {
    PrintPicture(painter, layout);
  } else {
    for (const PrintLayout::Placed& line : layout.BodyLines(page)) DrawPlaced(painter, line);
  }
  // The number is placed to end at the frame's edge: never cut, whatever
  // the rounding between twips and the device's dots.
  QString number = QString::fromStdString(PrintLayout::PageNumberText(page));
  int width = ScaleOf(painter).TwipsOfX(painter.fontMetrics().horizontalAdvance(number));
  DrawPlaced(painter, layout.PageNumber(page, width), false);
}

void CVellamoreView::PrintPicture(QPainter& painter, const PrintLayout& layout) {
  TwipScale scale = ScaleOf(painter);
  // Two inches square, or as much as fits between the heading and the
  // page number on a small paper.
  int top = kHeadingGapLines * layout.LineHeight();
  int room = layout.Frame().height - top - (kFooterRaiseLines + 1) * layout.LineHeight();
  int side = std::max(std::min({kPictureTwips, layout.Frame().width, room}), 0);
  int left = (layout.Frame().width - side) / 2;
  QRect target(scale.X(left), scale.Y(top), scale.X(side), scale.Y(side));
  if (m_loadedPicture.isNull()) {
    painter.drawText(
        target, Qt::AlignCenter | Qt::TextWordWrap,
        QString(m_pictureProblem).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return;
  }
  painter.drawImage(target, m_loadedPicture, QRect(0, 0, kPicturePixels, kPicturePixels));
}

}  // namespace desktop
