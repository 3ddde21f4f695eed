// One row per extension the two servers are given: the LibreOffice import
// filters of the formats that carry the extension, the most common first.
// Extensions of formats LibreOffice cannot read (address books, queries,
// Pocket Word ink) have no row, so they fail to open.
#include "import_filters.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fs/fs.h"

namespace office {
namespace {

using Filters = std::span<const ImportFilter>;

constexpr std::string_view kRtfSignature = "{\\rtf";

// A word processor opens an RTF file named .doc as well.
constexpr ImportFilter kWord[] = {{"MS Word 97", ""},
                                  {"MS Word 95", ""},
                                  {"MS WinWord 6.0", ""},
                                  {"MS WinWord 5", ""},
                                  {"MS Word 2007 XML", ""},
                                  {"MS Word 2003 XML", ""},
                                  {"Rich Text Format", kRtfSignature}};
constexpr ImportFilter kWordXml[] = {{"MS Word 2007 XML", ""}, {"Office Open XML Text", ""}};
constexpr ImportFilter kWordXmlMacros[] = {{"MS Word 2007 XML VBA", ""},
                                           {"Office Open XML Text", ""}};
constexpr ImportFilter kOpenText[] = {{"writer8", ""}, {"OpenDocument Text Flat XML", ""}};
constexpr ImportFilter kRtf[] = {{"Rich Text Format", kRtfSignature}};
constexpr ImportFilter kPlainText[] = {{"Text", ""}};
constexpr ImportFilter kWrite[] = {{"MS_Write", ""}};
constexpr ImportFilter kWordPerfect[] = {{"WordPerfect", ""}};
constexpr ImportFilter kMacWrite[] = {{"MacWrite", ""}};
constexpr ImportFilter kPocketWord[] = {{"PocketWord File", ""}};

constexpr ImportFilter kExcel[] = {{"MS Excel 97", ""},
                                   {"MS Excel 95", ""},
                                   {"MS Excel 5.0/95", ""},
                                   {"MS Excel 4.0", ""},
                                   {"Calc MS Excel 2007 XML", ""}};
constexpr ImportFilter kExcelTemplate[] = {{"MS Excel 97 Vorlage/Template", ""},
                                           {"MS Excel 95 Vorlage/Template", ""},
                                           {"MS Excel 5.0/95 Vorlage/Template", ""},
                                           {"MS Excel 4.0 Vorlage/Template", ""}};
constexpr ImportFilter kExcelXml[] = {{"Calc MS Excel 2007 XML", ""}, {"Calc Office Open XML", ""}};
constexpr ImportFilter kExcelXmlMacros[] = {{"Calc MS Excel 2007 VBA XML", ""},
                                            {"Calc Office Open XML", ""}};
constexpr ImportFilter kOpenSheet[] = {{"calc8", ""}, {"OpenDocument Spreadsheet Flat XML", ""}};
constexpr ImportFilter kDif[] = {{"DIF", ""}};
constexpr ImportFilter kDbase[] = {{"dBase", ""}};
constexpr ImportFilter kSylk[] = {{"SYLK", "ID;"}};
constexpr ImportFilter kWorksSheet[] = {{"Lotus", ""}, {"MS_Works_Calc", ""}};

struct Row {
  std::string_view extension;  // upper case
  Filters filters;
};

constexpr std::array<Row, 28> kRows = {{
    {"DOC", kWord},          {"DOCX", kWordXml},   {"DOCM", kWordXmlMacros},
    {"ODT", kOpenText},      {"RTF", kRtf},        {"ASC", kPlainText},
    {"ANS", kPlainText},     {"URL", kPlainText},  {"WRI", kWrite},
    {"WPD", kWordPerfect},   {"MCW", kMacWrite},   {"PSW", kPocketWord},
    {"XLS", kExcel},         {"XLW", kExcel},      {"XLC", kExcel},
    {"XLM", kExcel},         {"XLA", kExcel},      {"XLB", kExcel},
    {"XLT", kExcelTemplate}, {"XLSX", kExcelXml},  {"XLSM", kExcelXmlMacros},
    {"ODS", kOpenSheet},     {"FODS", kOpenSheet}, {"FODT", kOpenText},
    {"DIF", kDif},           {"DBF", kDbase},      {"SLK", kSylk},
    {"WKS", kWorksSheet},
}};

}  // namespace

platform::Result<bool> BeginsWith(const std::string& path, std::string_view signature) {
  int error = 0;
  const std::optional<std::vector<uint8_t>> start =
      platform::ReadFileStart(path, signature.size(), &error);
  if (!start) return platform::Failure{"it cannot be read: " + platform::DescribeReadError(error)};
  return std::string_view(reinterpret_cast<const char*>(start->data()), start->size()) == signature;
}

Filters ImportFiltersOf(std::string_view path, bool& detect) {
  const size_t found = path.find_last_of("./");
  detect = found == std::string_view::npos || path[found] != '.';
  if (detect) return {};
  std::string extension(path.substr(found + 1));
  for (char& c : extension) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const Row& row : kRows) {
    if (row.extension == extension) return row.filters;
  }
  return {};
}

}  // namespace office
