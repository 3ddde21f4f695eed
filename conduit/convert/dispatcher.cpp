// ConvertForHandheld: chooses the route of a file by its extension, runs the
// route's converter and sends the file in PC format when the route has no
// converter or its converter fails. A converter's failure is a warning in
// the HotSync log that names the file and says why, so that a document that
// arrives in PC format is explained. A missing file and a refused file type
// are answered with a message record instead. During a HotSync the
// conversion is reported as it starts and ends, and a record kept from an
// earlier conversion of the unchanged file is used (conversion_session.h).
#include "convert/conversion_session.h"
#include "convert/convert.h"
#include "convert/file_reader.h"
#include "fs/fs.h"
#include "sync_log.h"

namespace conduit {
namespace {

constexpr std::string_view kNotFoundMessage = "The file was not found.";
constexpr std::string_view kNotFoundSuffix = "- Not found";
constexpr std::string_view kNotSupportedMessage = "This file type is not supported.";
constexpr std::string_view kNotSupportedSuffix = "- Error";
constexpr std::string_view kNotSupportedReason = "its file type is not supported";

using Converter = RouteConverter;

// The converter of a route that converts; nullptr for the other routes.
Converter ConverterOf(ConversionRoute route) {
  switch (route) {
    case kRoutePlainText:
      return &ConvertPlainText;
    case kRoutePicture:
      return &ConvertImage;
    case kRouteWordDocument:
      return &ConvertWordDocument;
    case kRouteSpreadsheet:
      return &ConvertSpreadsheet;
    case kRouteHtml:
      return &ConvertHtml;
    case kRoutePdf:
      return &ConvertPdf;
    case kRouteInstall:
      return &InstallOnHandheld;
    default:
      return nullptr;
  }
}

// A message record answered with `status` and `reason`; without memory for
// it, no record.
ConversionResult MessageWithStatus(std::string_view message, std::string_view suffix,
                                   const std::string& path, ConversionStatus status,
                                   std::string_view reason) {
  ConversionResult result = BuildMessageRecord(message, suffix, path);
  if (result.status == kConvOk) {
    result.status = status;
    result.failure = reason;
  }
  return result;
}

void LogSentInPcFormat(const std::string& path, std::string_view failure) {
  const std::string line = "Couldn't convert " + FileNameOfPath(path) + ", sent it in PC format: " +
                           std::string(failure.empty() ? "it could not be converted" : failure);
  LogWarning(line.c_str());
}

ConversionResult ConvertRoute(const std::string& path) {
  if (!platform::GetFileStatus(path)) {
    return MessageWithStatus(kNotFoundMessage, kNotFoundSuffix, path, kConvFileNotFound,
                             kVanishedReason);
  }
  const ConversionRoute route = ClassifyFileType(path);
  if (route == kRouteRefused) {
    return MessageWithStatus(kNotSupportedMessage, kNotSupportedSuffix, path, kConvNotSupported,
                             kNotSupportedReason);
  }
  if (Converter converter = ConverterOf(route)) {
    ConversionResult converted = ConvertThroughCache(path, route, converter);
    if (converted.status == kConvOk && converted.record) return converted;
    // The converter's record, if any, is released here; the file goes in PC
    // format instead. When that fails too, the caller logs why.
    ConversionResult fallback = SendAsPcFormat(path);
    if (fallback.record) LogSentInPcFormat(path, converted.failure);
    return fallback;
  }
  return SendAsPcFormat(path);
}

}  // namespace

ConversionResult ConvertForHandheld(const std::string& path) {
  ConversionSession* session = ConversionSession::Current();
  if (session != nullptr) session->Started(path);
  ConversionResult result = ConvertRoute(path);
  if (session != nullptr) session->Ended(path);
  return result;
}

}  // namespace conduit
