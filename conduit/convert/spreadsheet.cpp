// Spreadsheets. Until the conversion through the spreadsheet program's
// automation server is in place, the automation cannot be started, exactly
// as on a PC with no spreadsheet program installed: the dispatcher then
// sends the workbook in PC format.
#include "convert/convert.h"

namespace conduit {

ConversionResult ConvertSpreadsheet(const std::string& /*path*/) {
  return ConversionResult{
      std::nullopt, kConvAutomationNotStarted, "no spreadsheet program is available", {}};
}

}  // namespace conduit
