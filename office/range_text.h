// The text that the spreadsheet program's copy of a cell range gives: the
// cells as displayed (number formats applied), a tab between cells, CR LF
// after each row, and a cell that holds a tab or a line break in quotes,
// its own quotes doubled.
#pragma once

#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <optional>
#include <string>

namespace office {

// The copied text of `range`, a range of a sheet of `workbook`, as UTF-8;
// nothing when no cell of the range holds anything. UNO exceptions pass.
std::optional<std::string> CopiedText(const css::uno::Reference<css::frame::XModel>& workbook,
                                      const css::uno::Reference<css::table::XCellRange>& range);

}  // namespace office
