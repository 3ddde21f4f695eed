// InstallOnHandheld: hands a handheld program or database to the Install
// Aide for the current HotSync user, and answers with a text record that
// tells the handheld user whether it worked. An installation error is not a
// conversion failure; only missing memory for the record is.
#include "convert/file_reader.h"
#include "convert/install_aide.h"
#include "convert/record_writer.h"

namespace conduit {
namespace {

constexpr std::string_view kInstalledMessage = "The file was fetched successfully.";
constexpr std::string_view kInstalledSuffix = " - OK";
constexpr std::string_view kNotInstalledSuffix = " - Error";

}  // namespace

ConversionResult InstallOnHandheldWith(const std::string& path, const std::string& libraryPath) {
  // Only a regular file that can be read is handed on; the Install Aide
  // reads it itself.
  const FileContents file = ReadFileForConversion(path, 0);
  if (file.status != kConvOk) {
    ConversionResult result = BuildMessageRecord(
        "The file could not be installed: " + file.failure + ".", kNotInstalledSuffix, path);
    if (result.record) result.failure = file.failure;
    return result;
  }
  const int32_t error = InstallAide(libraryPath).InstallFile(GetHandheldUserName(), path);
  const std::string message = error == 0 ? std::string(kInstalledMessage)
                                         : "Could not install file, error " + std::to_string(error);
  ConversionResult result =
      BuildMessageRecord(message, error == 0 ? kInstalledSuffix : kNotInstalledSuffix, path);
  if (!result.record) return result;
  if (error != 0)
    result.failure = "the Install Aide refused it (error " + std::to_string(error) + ")";
  records::ChangeFileHead(*result.record, [&](records::HandheldFileHead& head) {
    head.created = HeadStamp(file.creationTime);
    head.modified = HeadStamp(file.lastWriteTime);
    head.size = SizeFieldOf(file.size);
  });
  return result;
}

ConversionResult InstallOnHandheld(const std::string& path) {
  return CatchNoMemory([&] { return InstallOnHandheldWith(path, DefaultInstallAidePath()); });
}

}  // namespace conduit
