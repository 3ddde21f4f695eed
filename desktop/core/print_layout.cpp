// Page geometry of a printed pane text.
#include "print_layout.h"

#include <algorithm>

namespace desktop {

std::vector<std::string> CutIntoLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

PrintLayout::PrintLayout(std::string heading, std::string_view text, int lineHeight)
    : m_heading(std::move(heading)), m_lines(CutIntoLines(text)) {
  m_lineHeight = std::max(lineHeight, 1);
  m_linesPerPage = std::max(kPageLengthTwips / m_lineHeight - kReservedLines, 1);
}

int PrintLayout::PageCount() const {
  int lineCount = static_cast<int>(m_lines.size());
  return std::max((lineCount + m_linesPerPage - 1) / m_linesPerPage, 1);
}

std::vector<PrintLayout::Placed> PrintLayout::BodyLines(int page) const {
  std::vector<Placed> placed;
  if (page < 1) return placed;
  size_t first = static_cast<size_t>(page - 1) * static_cast<size_t>(m_linesPerPage);
  size_t end = std::min(first + static_cast<size_t>(m_linesPerPage), m_lines.size());
  int top = kHeadingGapLines * m_lineHeight;
  for (size_t index = first; index < end; ++index, top += m_lineHeight) {
    placed.push_back({0, top, m_lines[index]});
  }
  return placed;
}

PrintLayout::Placed PrintLayout::PageNumber(int page, int textWidth) const {
  return {kPageNumberRightTwips - textWidth, kPageLengthTwips - kFooterRaiseLines * m_lineHeight,
          PageNumberText(page)};
}

std::string PrintLayout::PageNumberText(int page) {
  return "Page " + std::to_string(page);
}

}  // namespace desktop
