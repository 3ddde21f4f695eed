// InstallOnHandheld: hands a handheld program or database to the Install
// Aide for the current HotSync user, and answers with a text record that
// tells the handheld user whether it worked. An installation error is not a
// conversion failure; only missing memory for the record is.
#include "convert/install_aide.h"
#include "convert/record_writer.h"
#include "fs/fs.h"

namespace conduit {
namespace {

constexpr std::string_view kInstalledMessage = "The file was fetched successfully.";
constexpr std::string_view kInstalledSuffix = " - OK";
constexpr std::string_view kNotInstalledSuffix = " - Error";

}  // namespace

ConversionResult InstallOnHandheldWith(const std::string& path, const std::string& libraryPath) {
  const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
  const std::string user = GetHandheldUserName();
  const int32_t error = InstallAide(libraryPath).InstallFile(user, path);

  const std::string message = error == 0 ? std::string(kInstalledMessage)
                                         : "Could not install file, error " + std::to_string(error);
  ConversionResult result =
      BuildMessageRecord(message, error == 0 ? kInstalledSuffix : kNotInstalledSuffix, path);
  if (!result.record) return result;
  if (error != 0)
    result.failure = "the Install Aide refused it (error " + std::to_string(error) + ")";
  // A file that vanished keeps the zero stamps and size of the message.
  if (!status) return result;
  PutCreated(*result.record, status->creationTime);
  PutModified(*result.record, status->lastWriteTime);
  PutSizeField(*result.record, SizeFieldOf(status->size));
  return result;
}

ConversionResult InstallOnHandheld(const std::string& path) {
  return CatchNoMemory([&] { return InstallOnHandheldWith(path, DefaultInstallAidePath()); });
}

}  // namespace conduit
