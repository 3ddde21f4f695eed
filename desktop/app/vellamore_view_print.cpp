// Printing the content pane: the print dialog, the preview and the page
// setup, and the pages themselves. The pages follow PrintLayout, in twips
// from the top left corner of the printable area, each distance tied to
// the line height of the printing font. A shown picture prints centred
// under the heading instead of the text.
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
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

// Draws `text` with the top left corner of its first character at `placed`.
void DrawPlaced(QPainter& painter, const PrintLayout::Placed& placed) {
  TwipScale scale = ScaleOf(painter);
  painter.drawText(scale.X(placed.x), scale.Y(placed.top) + painter.fontMetrics().ascent(),
                   QString::fromStdString(placed.text));
}

}  // namespace

QPrinter& CVellamoreView::Printer() {
  if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *m_printer;
}

void CVellamoreView::OnFilePrint() {
  // Nothing to print: say so before asking for a printer.
  if (GetSelectedRow() < 0) {
    m_prompts.MessageBox(kSelectItemText, kPrintCaption, kMbOk);
    return;
  }
  QPrintDialog dialog(&Printer(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintTo(Printer());
}

void CVellamoreView::OnFilePrintPreview() {
  if (GetSelectedRow() < 0) {
    m_prompts.MessageBox(kSelectItemText, kPrintCaption, kMbOk);
    return;
  }
  QPrintPreviewDialog preview(&Printer(), this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* printer) { PrintTo(*printer); });
  preview.exec();
}

void CVellamoreView::OnFilePrintSetup() {
  QPageSetupDialog dialog(&Printer(), this);
  dialog.exec();
}

bool CVellamoreView::PrintTo(QPrinter& printer) {
  int row = GetSelectedRow();
  if (row < 0) {
    m_prompts.MessageBox(kSelectItemText, kPrintCaption, kMbOk);
    return false;
  }
  const store::FileListEntry* entry = FindEntryById(RowId(row));
  if (entry == nullptr) return false;
  std::string heading = entry->title;

  QPainter painter;
  if (!painter.begin(&printer)) {
    m_prompts.MessageBox(kPrintFailedText, kPrintCaption, kMbOk | kMbIconExclamation);
    return false;
  }
  if (m_printFont) painter.setFont(*m_printFont);
  int lineHeight = ScaleOf(painter).TwipsOfY(painter.fontMetrics().lineSpacing());
  // A picture prints on one page under the heading; its text is not the
  // pane's, which still holds what was shown before the picture.
  std::string text = m_pictureShown ? std::string() : PaneText().toStdString();
  PrintLayout layout(heading, text, lineHeight);
  int pages = m_pictureShown ? 1 : layout.PageCount();
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) printer.newPage();
    PrintPage(painter, layout, page);
  }
  painter.end();
  return true;
}

void CVellamoreView::PrintPage(QPainter& painter, const PrintLayout& layout, int page) {
  DrawPlaced(painter, layout.Heading());
  if (m_pictureShown) {
    PrintPicture(painter, kHeadingGapLines * layout.LineHeight());
  } else {
    for (const PrintLayout::Placed& line : layout.BodyLines(page)) DrawPlaced(painter, line);
  }
  QString number = QString::fromStdString(PrintLayout::PageNumberText(page));
  int width = ScaleOf(painter).TwipsOfX(painter.fontMetrics().horizontalAdvance(number));
  DrawPlaced(painter, layout.PageNumber(page, width));
}

void CVellamoreView::PrintPicture(QPainter& painter, int top) {
  TwipScale scale = ScaleOf(painter);
  int left = (kPageNumberRightTwips - kPictureTwips) / 2;
  QRect target(scale.X(left), scale.Y(top), scale.X(kPictureTwips), scale.Y(kPictureTwips));
  if (m_loadedPicture.isNull()) {
    painter.drawText(
        target, Qt::AlignCenter | Qt::TextWordWrap,
        QString(m_pictureProblem).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return;
  }
  painter.drawImage(target, m_loadedPicture, QRect(0, 0, kPicturePixels, kPicturePixels));
}

}  // namespace desktop
