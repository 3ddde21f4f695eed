// The file type table and the classification of a path by its extension.
// The table's order is the search order; every extension occurs once. The
// formats that came after the first 83 rows follow them, so every earlier
// extension keeps its answer.
#include <array>
#include <cstring>

#include "convert/convert.h"

namespace conduit {
namespace {

constexpr std::array<FileTypeRow, 90> kFileTypeTable = {{
    // handheld programs and databases, installed on the handheld
    {"PRC", kRouteInstall},
    {"PDB", kRouteInstall},
    // plain text
    {"TXT", kRoutePlainText},
    {"NFO", kRoutePlainText},
    {"BAT", kRoutePlainText},
    {"ME", kRoutePlainText},
    {"INI", kRoutePlainText},
    {"C", kRoutePlainText},
    {"CPP", kRoutePlainText},
    {"H", kRoutePlainText},
    {"HPP", kRoutePlainText},
    {"RC", kRoutePlainText},
    {"SYS", kRoutePlainText},
    {"DEF", kRoutePlainText},
    {"CSV", kRoutePlainText},
    {"PRN", kRoutePlainText},
    // HTML and related mark-up
    {"HTML", kRouteHtml},
    {"HTM", kRouteHtml},
    {"SHTML", kRouteHtml},
    {"HDML", kRouteHtml},
    {"HDM", kRouteHtml},
    {"WAP", kRouteHtml},
    {"XML", kRouteHtml},
    // pictures
    {"BMP", kRoutePicture},
    {"JPG", kRoutePicture},
    {"PSD", kRoutePicture},
    {"PNG", kRoutePicture},
    {"CMP", kRoutePicture},
    {"TIF", kRoutePicture},
    {"TIFF", kRoutePicture},
    {"CUR", kRoutePicture},
    {"ICO", kRoutePicture},
    {"PCX", kRoutePicture},
    {"DCX", kRoutePicture},
    {"PDC", kRoutePicture},
    {"FPX", kRoutePicture},
    {"DIC", kRoutePicture},
    {"WMF", kRoutePicture},
    {"EMF", kRoutePicture},
    {"TGA", kRoutePicture},
    {"EPS", kRoutePicture},
    {"JBG", kRoutePicture},
    {"RAS", kRoutePicture},
    {"WPG", kRoutePicture},
    {"PCT", kRoutePicture},
    // word-processor documents
    {"DOC", kRouteWordDocument},
    {"RTF", kRouteWordDocument},
    {"ASC", kRouteWordDocument},
    {"OLK", kRouteWordDocument},
    {"PWI", kRouteWordDocument},
    {"PDT", kRouteWordDocument},
    {"PAB", kRouteWordDocument},
    {"PWD", kRouteWordDocument},
    {"PSW", kRouteWordDocument},
    {"PWT", kRouteWordDocument},
    {"SCD", kRouteWordDocument},
    {"ANS", kRouteWordDocument},
    {"WRI", kRouteWordDocument},
    {"MCW", kRouteWordDocument},
    {"WPD", kRouteWordDocument},
    {"URL", kRouteWordDocument},
    // spreadsheets
    {"XLS", kRouteSpreadsheet},
    {"XLA", kRouteSpreadsheet},
    {"XLT", kRouteSpreadsheet},
    {"XLM", kRouteSpreadsheet},
    {"XLC", kRouteSpreadsheet},
    {"XLW", kRouteSpreadsheet},
    {"XLB", kRouteSpreadsheet},
    {"IQY", kRouteSpreadsheet},
    {"DQY", kRouteSpreadsheet},
    {"OQY", kRouteSpreadsheet},
    {"RQY", kRouteSpreadsheet},
    {"WQL", kRouteSpreadsheet},
    {"DIF", kRouteSpreadsheet},
    {"DBF", kRouteSpreadsheet},
    {"SLK", kRouteSpreadsheet},
    {"WKS", kRouteSpreadsheet},
    // sent unchanged
    {"EXE", kRouteUnchanged},
    {"COM", kRouteUnchanged},
    {"DLL", kRouteUnchanged},
    {"OCX", kRouteUnchanged},
    {"LIB", kRouteUnchanged},
    {"OBJ", kRouteUnchanged},
    // later word-processor documents and workbooks, which LibreOffice reads
    {"DOCX", kRouteWordDocument},
    {"DOCM", kRouteWordDocument},
    {"ODT", kRouteWordDocument},
    {"XLSX", kRouteSpreadsheet},
    {"XLSM", kRouteSpreadsheet},
    {"ODS", kRouteSpreadsheet},
    // PDF documents, read by pdftotext
    {"PDF", kRoutePdf},
}};

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::span<const FileTypeRow> FileTypeTable() {
  return kFileTypeTable;
}

ConversionRoute ClassifyFileType(std::string_view path) {
  const size_t found = path.find_last_of("./");
  if (found == std::string_view::npos || path[found] != '.') return kRoutePcFormatDefault;
  std::string extension(path.substr(found + 1));
  for (char& c : extension) c = UpperAscii(c);
  for (const FileTypeRow& row : kFileTypeTable) {
    if (extension == row.extension) return row.route;
  }
  return kRoutePcFormatDefault;
}

}  // namespace conduit
