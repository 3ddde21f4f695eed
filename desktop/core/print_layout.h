// PrintLayout: where the pages of a printed pane text put their heading,
// their lines and their page number. Distances are in twips (1/1440 inch),
// measured right and down from the top left corner of the page's frame:
// the part of the paper inside the page setup's margins, whatever the
// paper's size. Every vertical distance follows the line height of the font
// the text is printed in. Lines are never wrapped: what runs past the
// frame's right edge is cut there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace desktop {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kReservedLines = 6;     // of the frame's height, heading and footer
inline constexpr int kHeadingGapLines = 2;   // from the heading to the first line
inline constexpr int kFooterRaiseLines = 4;  // page number above the frame's bottom
// The margins a new printer starts with, on every side, so that nothing is
// lost on printers that cannot print to the paper's edge.
inline constexpr double kDefaultMarginMillimetres = 15;

// The printable part of a page, inside its margins, in twips.
struct PageFrame {
  int width = 0;
  int height = 0;
};

// The text cut into lines: every "\r\n" becomes "\n", then the text is
// split at each "\n". The piece after the last one is a line too, so a text
// that ends with a line break ends with an empty line, and an empty text is
// one empty line.
std::vector<std::string> CutIntoLines(std::string_view text);

class PrintLayout {
 public:
  // A text placed on the page: the top left corner of its first character.
  struct Placed {
    int x = 0;
    int top = 0;
    std::string text;
  };

  // `lineHeight` is the font's character height plus external leading, in
  // twips; a height below 1 counts as 1.
  PrintLayout(std::string heading, std::string_view text, int lineHeight, PageFrame frame);

  int LineHeight() const { return m_lineHeight; }
  const PageFrame& Frame() const { return m_frame; }
  // Body lines on one page: the frame's height in lines less the reserved
  // ones, and at least one, so that a very large font still prints.
  int LinesPerPage() const { return m_linesPerPage; }
  // As many pages as the lines need, at least one.
  int PageCount() const;

  Placed Heading() const { return {0, 0, m_heading}; }
  // The lines of page `page` (counted from 1), each a line height below
  // the one before it, the first two line heights below the heading.
  std::vector<Placed> BodyLines(int page) const;
  // "Page n", ending at the frame's right edge, four line heights above
  // its bottom; `textWidth` is its width in twips in the printing font.
  Placed PageNumber(int page, int textWidth) const;
  static std::string PageNumberText(int page);

 private:
  std::string m_heading;
  std::vector<std::string> m_lines;
  int m_lineHeight = 1;
  int m_linesPerPage = 1;
  PageFrame m_frame;
};

// The file name a printout of the entry titled `title` is proposed under:
// the title with a short extension (".txt") replaced by ".pdf", and any
// '/' made '_'.
std::string PdfFileNameFor(std::string_view title);

}  // namespace desktop
