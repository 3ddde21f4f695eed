// Printing the content pane to real PDF files: pages, heading, lines and
// page numbers where the twips geometry puts them, lines cut at the page
// edge, and a shown picture printed in place of the pane's stale text.
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "messages.h"
#include "widget_test_harness.h"
#include "widget_tests.h"

namespace desktop::test {
namespace {

// A word of a PDF as pdftotext places it, in points from the page's top
// left corner.
struct PdfWord {
  int page = 0;  // from 1
  QString text;
  double xMin = 0, yMin = 0, xMax = 0;
};

QList<PdfWord> PdfWords(const QString& pdf) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  static const QRegularExpression word(QString::fromLatin1(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
  QList<PdfWord> words;
  int page = 0;
  for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
    if (line.contains(QStringLiteral("<page "))) ++page;
    QRegularExpressionMatch match = word.match(line);
    if (!match.hasMatch()) continue;
    words.append({page, match.captured(4), match.captured(1).toDouble(),
                  match.captured(2).toDouble(), match.captured(3).toDouble()});
  }
  return words;
}

QList<PdfWord> WordsOfPage(const QList<PdfWord>& words, int page) {
  QList<PdfWord> onPage;
  for (const PdfWord& word : words) {
    if (word.page == page) onPage << word;
  }
  return onPage;
}

// A PDF printer writing to `path`, with no printer installed, whose paper
// leaves 8 by 11 inches inside margins of a quarter inch.
void MakePdfPrinter(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(QSizeF(8.5, 11.5), QPageSize::Inch));
  printer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
  printer.setOutputFileName(path);
}

// Makes `font` the application's default font, which is every device's,
// while it lives.
class ScopedDefaultFont {
 public:
  explicit ScopedDefaultFont(const QFont& font) : m_saved(QApplication::font()) {
    QApplication::setFont(font);
  }
  ~ScopedDefaultFont() { QApplication::setFont(m_saved); }
  ScopedDefaultFont(const ScopedDefaultFont&) = delete;
  ScopedDefaultFont& operator=(const ScopedDefaultFont&) = delete;

 private:
  QFont m_saved;
};

// A font whose line height on `printer` is `twips`; the default font when
// none is found.
QFont FontWithLineHeight(QPrinter& printer, int twips) {
  int wanted = qRound(twips * printer.resolution() / 1440.0);
  for (int hundredths = 600; hundredths < 2000; ++hundredths) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(hundredths / 100.0);
    if (QFontMetrics(font, &printer).lineSpacing() == wanted) return font;
  }
  return QFont();
}

// Line n of a numbered text reads "Ln"; the first line may be one wider
// than the page.
std::string NumberedText(int lines, bool endsWithBreak, const std::string& firstLine) {
  std::string text = firstLine.empty() ? "L1" : firstLine;
  for (int i = 2; i <= lines; ++i) text += "\r\nL" + std::to_string(i);
  return endsWithBreak ? text + "\r\n" : text;
}

// Rendering may round a colour by a step or two.
bool Near(const QColor& a, const QColor& b) {
  return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 &&
         qAbs(a.blue() - b.blue()) <= 3;
}

constexpr double kMarginPoints = 18;  // the test printer's frame starts here
constexpr double kSlackPoints = 2.5;  // glyph boxes against the font's advance and ascent

// What pdfinfo says of `pdf` under `field`.
QString PdfInfo(const QString& pdf, const QString& field) {
  QProcess process;
  process.start(QStringLiteral("pdfinfo"), {pdf});
  if (!process.waitForFinished(60000)) return {};
  for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(field + ':')) return line.mid(field.size() + 1).trimmed();
  }
  return {};
}

}  // namespace

void PrintTest::printsPagesWithHeadingLinesAndNumbers_data() {
  QTest::addColumn<int>("lines");
  QTest::addColumn<bool>("endsWithBreak");
  QTest::addColumn<QString>("firstLine");
  QTest::addColumn<int>("pages");
  QTest::newRow("60 lines fill one page") << 60 << false << QString() << 1;
  QTest::newRow("a final line break adds an empty line") << 60 << true << QString() << 2;
  QTest::newRow("61 lines, the first wider than the page")
      << 61 << false << QStringLiteral("START") + QString(400, QLatin1Char('x')) + "END" << 2;
}

void PrintTest::printsPagesWithHeadingLinesAndNumbers() {
  QFETCH(int, lines);
  QFETCH(bool, endsWithBreak);
  QFETCH(QString, firstLine);
  QFETCH(int, pages);
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/memo.txt";
  vlmtest::WriteFile(copy, NumberedText(lines, endsWithBreak, firstLine.toStdString()));
  QVERIFY(harness.StartWith({ReceivedEntry(1, "memo.txt", 1, copy)}));

  QString pdf = QString::fromStdString(harness.sandbox.Root() + "/memo.pdf");
  // At 1440 dots per inch a dot is a twip: a font's line height in dots is
  // then exactly the line height in twips.
  QPrinter measure(QPrinter::HighResolution);
  measure.setResolution(1440);
  QFont font = FontWithLineHeight(measure, 240);
  QVERIFY(font != QFont());
  const ScopedDefaultFont printFont(font);
  PrintThroughDialog(harness, [&pdf](QPrinter& printer) {
    MakePdfPrinter(printer, pdf);
    printer.setResolution(1440);
  });

  QList<PdfWord> words = PdfWords(pdf);
  QCOMPARE(words.isEmpty() ? 0 : words.last().page, pages);
  constexpr double kLinePoints = 12;  // 240 twips
  for (int page = 1; page <= pages; ++page) {
    QList<PdfWord> onPage = WordsOfPage(words, page);
    QVERIFY(onPage.size() >= 3);
    QCOMPARE(onPage.first().text, QStringLiteral("memo.txt"));
    QVERIFY(qAbs(onPage.first().yMin - kMarginPoints) < kSlackPoints);
    // "Page n" ends at 8 inches, four lines above the 11-inch mark.
    const PdfWord& number = onPage.last();
    QCOMPARE(onPage[onPage.size() - 2].text + " " + number.text,
             QStringLiteral("Page %1").arg(page));
    QVERIFY2(qAbs(number.xMax - (kMarginPoints + 576)) < kSlackPoints,
             qPrintable(QString::number(number.xMax)));
    QVERIFY(qAbs(number.yMin - (kMarginPoints + 792 - 4 * kLinePoints)) < kSlackPoints);

    // The body: 60 lines a page, the first two lines below the heading.
    QList<PdfWord> body = onPage.mid(1, onPage.size() - 3);
    int firstIndex = (page - 1) * 60;
    QCOMPARE(body.size(), qBound(0, lines - firstIndex, 60));
    for (int i = 0; i < body.size(); ++i) {
      int lineNumber = firstIndex + i + 1;
      QVERIFY(qAbs(body[i].yMin - (kMarginPoints + (2 + i) * kLinePoints)) < kSlackPoints);
      if (lineNumber == 1 && !firstLine.isEmpty()) {
        // Cut at the page edge, never wrapped onto the next line.
        QVERIFY(body[i].text.startsWith(QStringLiteral("STARTxxx")));
        QVERIFY(!body[i].text.contains(QStringLiteral("END")));
      } else {
        QCOMPARE(body[i].text, QStringLiteral("L%1").arg(lineNumber));
      }
    }
  }
}

void PrintTest::printsInsideTheMarginsOnAnyPaper_data() {
  QTest::addColumn<int>("paper");
  QTest::newRow("A4") << int{QPageSize::A4};
  QTest::newRow("Letter") << int{QPageSize::Letter};
  QTest::newRow("A6") << int{QPageSize::A6};
}

void PrintTest::printsInsideTheMarginsOnAnyPaper() {
  QFETCH(int, paper);
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/memo.txt";
  constexpr int kLines = 90;
  vlmtest::WriteFile(copy, NumberedText(kLines, false, "START" + std::string(400, 'x') + "END"));
  QVERIFY(harness.StartWith({ReceivedEntry(1, "memo.txt", 1, copy)}));

  // The program's own printer and margins, on the paper chosen.
  QString pdf = QString::fromStdString(harness.sandbox.Root() + "/memo.pdf");
  PrintThroughDialog(harness, [&pdf, paper](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(paper)));
    printer.setOutputFileName(pdf);
  });
  QCOMPARE(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("memo.txt"));

  QSizeF paperPoints = QPageSize(static_cast<QPageSize::PageSizeId>(paper)).size(QPageSize::Point);
  constexpr double kMargin = 15 / 25.4 * 72;  // 15 mm in points
  constexpr double kSlack = 0.5;
  QList<PdfWord> words = PdfWords(pdf);
  QVERIFY(!words.isEmpty());
  QStringList numbered;
  for (const PdfWord& word : words) {
    QVERIFY2(word.xMin >= kMargin - kSlack && word.yMin >= kMargin - kSlack &&
                 word.xMax <= paperPoints.width() - kMargin + kSlack,
             qPrintable(word.text));
    if (word.text.startsWith(QStringLiteral("L"))) numbered << word.text;
  }
  // The page numbers stand above the bottom margin, one on every page.
  int pages = words.last().page;
  for (int page = 1; page <= pages; ++page) {
    QList<PdfWord> onPage = WordsOfPage(words, page);
    QCOMPARE(onPage.last().text, QString::number(page));
    QVERIFY(onPage.last().yMin < paperPoints.height() - kMargin);
  }
  // Every line is printed once; the long one is cut at the right margin.
  QCOMPARE(numbered.size(), kLines - 1);
  QCOMPARE(numbered.last(), QStringLiteral("L%1").arg(kLines));
  QVERIFY(words[1].text.startsWith(QStringLiteral("STARTxxx")));
  QVERIFY(!words[1].text.contains(QStringLiteral("END")));
}

void PrintTest::printToFileProposesTheTitle() {
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/memo.txt";
  vlmtest::WriteFile(copy, "one line");
  QVERIFY(harness.StartWith({ReceivedEntry(1, "memo.txt", 1, copy)}));
  // Printed to a file before, in another folder.
  QString folder = QString::fromStdString(harness.sandbox.Root() + "/printouts");
  QVERIFY(QDir().mkpath(folder));
  PrintThroughDialog(harness, [&folder](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder + "/earlier.pdf");
  });
  QString proposed;
  QString docName;
  WhenShown<QPrintDialog>([&](QPrintDialog* dialog) {
    proposed = dialog->printer()->outputFileName();
    docName = dialog->printer()->docName();
  });
  harness.View()->OnFilePrint();
  QCOMPARE(proposed, folder + "/memo.pdf");
  QCOMPARE(docName, QStringLiteral("memo.txt"));
}

void PrintTest::printsTheShownPictureNotTheTextBeforeIt() {
  Harness harness;
  std::string copy = harness.sandbox.DataDir() + "/photo.bmp";
  QImage picture(160, 160, QImage::Format_RGB888);
  picture.fill(QColor(0, 0, 255));
  QVERIFY(picture.save(QString::fromStdString(copy), "BMP"));
  QVERIFY(harness.StartWith(
      {ReceivedEntry(2, "photo", 2, copy), MakeEntry({.id = 1, .title = "notes.doc"})}));
  harness.SelectRow(1);  // the pane's text still describes notes.doc
  QVERIFY(harness.IsPictureShown());

  QString pdf = QString::fromStdString(harness.sandbox.Root() + "/photo.pdf");
  PrintThroughDialog(harness, [&pdf](QPrinter& printer) { MakePdfPrinter(printer, pdf); });
  QStringList texts;
  for (const PdfWord& word : PdfWords(pdf)) texts << word.text;
  QCOMPARE(texts, QStringList({"photo", "Page", "1"}));

  // Two inches square, centred in the 8-inch frame, under the heading.
  QString prefix = QString::fromStdString(harness.sandbox.Root() + "/photo");
  QCOMPARE(
      QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"),
                                                     QStringLiteral("72"), pdf, prefix}),
      0);
  QImage page(prefix + "-1.png");
  QVERIFY(!page.isNull());
  const int margin = static_cast<int>(kMarginPoints);  // at 72 dots per inch
  QVERIFY(Near(page.pixelColor(margin + 288, 100), QColor(0, 0, 255)));
  QVERIFY(Near(page.pixelColor(margin + 216 + 3, 100), QColor(0, 0, 255)));
  QVERIFY(Near(page.pixelColor(margin + 216 - 3, 100), QColor(255, 255, 255)));
  QVERIFY(Near(page.pixelColor(margin + 360 + 3, 100), QColor(255, 255, 255)));

  // Nothing selected: it says so, before any print dialog.
  harness.List()->clearSelection();
  harness.View()->OnFilePrint();
  QCOMPARE(harness.prompts.shown.back().text, std::string(kSelectItemText));
  QCOMPARE(harness.prompts.shown.back().caption, std::string(kPrintCaption));
}

}  // namespace desktop::test
