// PrintLayout: where the pages of a printed pane text put their heading,
// their lines and their page number. Distances are in twips (1/1440 inch),
// measured right and down from the top left corner of the printable area,
// on a fixed frame of 8 by 11 inches; every vertical distance follows the
// line height of the font the text is printed in. Lines are never wrapped:
// what runs past the page edge is cut there by the device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace desktop {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPageLengthTwips = 15840;       // 11 inches
inline constexpr int kPageNumberRightTwips = 11520;  // 8 inches: where "Page n" ends
inline constexpr int kReservedLines = 6;             // of the page length, heading and footer
inline constexpr int kHeadingGapLines = 2;           // from the heading to the first line
inline constexpr int kFooterRaiseLines = 4;          // page number above the 11-inch mark

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
  PrintLayout(std::string heading, std::string_view text, int lineHeight);

  int LineHeight() const { return m_lineHeight; }
  // Body lines on one page: the page length in lines less the reserved
  // ones, and at least one, so that a very large font still prints.
  int LinesPerPage() const { return m_linesPerPage; }
  // As many pages as the lines need, at least one.
  int PageCount() const;

  Placed Heading() const { return {0, 0, m_heading}; }
  // The lines of page `page` (counted from 1), each a line height below
  // the one before it, the first two line heights below the heading.
  std::vector<Placed> BodyLines(int page) const;
  // "Page n", ending at 8 inches, four line heights above the 11-inch mark;
  // `textWidth` is its width in twips in the printing font.
  Placed PageNumber(int page, int textWidth) const;
  static std::string PageNumberText(int page);

 private:
  std::string m_heading;
  std::vector<std::string> m_lines;
  int m_lineHeight = 1;
  int m_linesPerPage = 1;
};

}  // namespace desktop
