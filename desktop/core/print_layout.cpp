// Page geometry of a printed pane text.
#include "print_layout.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

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

PrintLayout::PrintLayout(std::string heading, std::string_view text, int lineHeight,
                         PageFrame frame)
    : m_heading(std::move(heading)), m_lines(CutIntoLines(text)), m_frame(frame) {
  m_lineHeight = std::max(lineHeight, 1);
  m_linesPerPage = std::max(m_frame.height / m_lineHeight - kReservedLines, 1);
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
  // On a frame too small for it, the number still starts inside.
  return {std::max(m_frame.width - textWidth, 0),
          std::max(m_frame.height - kFooterRaiseLines * m_lineHeight, 0), PageNumberText(page)};
}

std::string PrintLayout::PageNumberText(int page) {
  return "Page " + std::to_string(page);
}

std::string PdfFileNameFor(std::string_view title) {
  std::string name(title);
  std::replace(name.begin(), name.end(), '/', '_');
  // An extension is a dot, not the first character, and one to four
  // letters or digits: "memo.txt" is "memo", "Plan 3.5 final" stays.
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && name.size() - dot - 1 >= 1 &&
      name.size() - dot - 1 <= 4 &&
      std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(),
                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
    name.erase(dot);
  }
  if (name.empty()) name = "print";
  return name + ".pdf";
}

}  // namespace desktop
