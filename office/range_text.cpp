// A cell range's copied text, read in one piece from the workbook's view:
// the range is selected and the view's transferable gives its text as
// LibreOffice puts it on the clipboard for itself, the cells that hold a
// tab or a line break in quotes. Where the view cannot give it (it never
// shows a hidden sheet) the range is read cell by cell, which costs
// LibreOffice several calls a cell; that reading stops once the text holds
// as much as a call hands back.
#include "range_text.h"

#include <algorithm>
#include <com/sun/star/datatransfer/UnsupportedFlavorException.hpp>
#include <com/sun/star/datatransfer/XTransferableSupplier.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include "automation/office_dispids.h"
#include "office_session.h"
#include "server_objects.h"

namespace office {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// LibreOffice's own tab-separated text, which quotes cells as the copy
// does; its plain-text flavour turns a cell's line breaks into spaces.
constexpr char kQuotedTextFlavor[] = "application/x-libreoffice-tsvc";
// Rows read from LibreOffice in one call when the view cannot copy.
constexpr int32_t kRowsPerRead = 256;

bool HasContent(const Reference<css::table::XCellRange>& range) {
  namespace flags = css::sheet::CellFlags;
  Reference<css::sheet::XCellRangesQuery> query(range, UNO_QUERY_THROW);
  const auto used =
      query->queryContentCells(flags::VALUE | flags::DATETIME | flags::STRING | flags::FORMULA);
  return used.is() && used->getCount() > 0;
}

css::table::CellRangeAddress AddressOf(const Reference<css::uno::XInterface>& range) {
  return Reference<css::sheet::XCellRangeAddressable>(range, UNO_QUERY_THROW)->getRangeAddress();
}

bool SameRange(const css::table::CellRangeAddress& a, const css::table::CellRangeAddress& b) {
  return a.Sheet == b.Sheet && a.StartColumn == b.StartColumn && a.StartRow == b.StartRow &&
         a.EndColumn == b.EndColumn && a.EndRow == b.EndRow;
}

// Selects `range` in the view; false when the view would not, or selected
// something else. A hidden sheet is never shown: the view keeps its own
// sheet and would copy that sheet's cells.
bool Select(const Reference<css::frame::XController>& controller,
            const Reference<css::table::XCellRange>& range) {
  Reference<css::view::XSelectionSupplier> view(controller, UNO_QUERY);
  Reference<css::sheet::XSpreadsheetView> sheets(controller, UNO_QUERY);
  if (!view.is() || !sheets.is() || !view->select(css::uno::Any(range))) return false;
  const css::table::CellRangeAddress wanted = AddressOf(range);
  Reference<css::sheet::XCellRangeAddressable> selected(view->getSelection(), UNO_QUERY);
  return selected.is() && SameRange(selected->getRangeAddress(), wanted) &&
         AddressOf(sheets->getActiveSheet()).Sheet == wanted.Sheet;
}

// The view's copy of `range` as text; nothing when the view cannot copy it.
std::optional<std::string> ViewCopyText(const Reference<css::frame::XModel>& workbook,
                                        const Reference<css::table::XCellRange>& range) {
  const Reference<css::frame::XController> controller = workbook->getCurrentController();
  Reference<css::datatransfer::XTransferableSupplier> copier(controller, UNO_QUERY);
  if (!copier.is() || !Select(controller, range)) return std::nullopt;
  const Reference<css::datatransfer::XTransferable> copy = copier->getTransferable();
  if (!copy.is()) return std::nullopt;
  css::datatransfer::DataFlavor flavor;
  flavor.MimeType = rtl::OUString::createFromAscii(kQuotedTextFlavor);
  flavor.DataType = cppu::UnoType<rtl::OUString>::get();
  rtl::OUString text;
  try {
    if (!(copy->getTransferData(flavor) >>= text)) return std::nullopt;
  } catch (const css::datatransfer::UnsupportedFlavorException&) {
    return std::nullopt;
  }
  return Utf8Of(text);
}

// A cell's text as the copy writes it: in quotes, its own quotes doubled,
// when it holds a tab or a line break.
void AppendCell(std::string& text, const std::string& cell) {
  if (cell.find_first_of("\t\r\n") == std::string::npos) {
    text += cell;
    return;
  }
  text += '"';
  for (const char c : cell) text.append(c == '"' ? 2 : 1, c);
  text += '"';
}

// A cell's text as displayed, from the value a block read gave for it: a
// text as it is, nothing for an empty cell, and a number (which is shown
// through its cell's format) asked of the cell itself.
std::string DisplayedText(const Reference<css::table::XCellRange>& block,
                          const css::uno::Any& value, int32_t column, int32_t row) {
  rtl::OUString text;
  if (value >>= text) return Utf8Of(text);
  if (!value.hasValue()) return {};
  Reference<css::text::XTextRange> cell(block->getCellByPosition(column, row), UNO_QUERY_THROW);
  return Utf8Of(cell->getString());
}

// The range read a block of rows at a time, a tab between cells, a line
// end after each row, up to the first row that reaches the bound of a
// call's text.
std::string CellByCellText(const Reference<css::table::XCellRange>& range) {
  const css::table::CellRangeAddress address = AddressOf(range);
  const int32_t rows = address.EndRow - address.StartRow + 1;
  const int32_t columns = address.EndColumn - address.StartColumn + 1;
  std::string text;
  for (int32_t first = 0; first < rows && text.size() < kLargestCallText; first += kRowsPerRead) {
    const int32_t last = std::min(rows, first + kRowsPerRead) - 1;
    const Reference<css::table::XCellRange> block =
        range->getCellRangeByPosition(0, first, columns - 1, last);
    const css::uno::Sequence<css::uno::Sequence<css::uno::Any>> values =
        Reference<css::sheet::XCellRangeData>(block, UNO_QUERY_THROW)->getDataArray();
    for (int32_t row = 0; row < values.getLength() && text.size() < kLargestCallText; ++row) {
      for (int32_t column = 0; column < values[row].getLength(); ++column) {
        if (column > 0) text += '\t';
        AppendCell(text, DisplayedText(block, values[row][column], column, row));
      }
      text += '\n';
    }
  }
  return text;
}

// `text` with CR LF for every line feed, and after the last row too, which
// LibreOffice leaves out when the range is a single cell. A line break
// inside a quoted cell becomes CR LF as well: the receiving side reads
// both as the same line break, and the quotes cannot tell a quoted cell
// from one that merely begins with a quote.
std::string WithCrLfLineEnds(std::string_view text) {
  std::string ended;
  ended.reserve(text.size() + text.size() / 8 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ended += '\r';
    ended += text[i];
  }
  if (ended.empty() || ended.back() != '\n') ended += "\r\n";
  return ended;
}

}  // namespace

std::optional<std::string> CopiedText(const Reference<css::frame::XModel>& workbook,
                                      const Reference<css::table::XCellRange>& range) {
  if (!HasContent(range)) return std::nullopt;
  std::optional<std::string> copied = ViewCopyText(workbook, range);
  return BoundedCallText(WithCrLfLineEnds(copied ? *copied : CellByCellText(range)));
}

}  // namespace office
