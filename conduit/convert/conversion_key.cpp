// Keys of the conversion cache. The converter's version is read from the
// files themselves (device, inode, size and modification time): a rebuild
// of the conduit or the office server, or an update of LibreOffice,
// poppler or ImageMagick, changes it.
#include "convert/conversion_key.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "automation/automation.h"
#include "convert/office_text.h"
#include "fs/fs.h"
#include "imaging.h"  // imaging/

namespace conduit {
namespace {

// Raised when a conversion of ours changes its output without any of the
// files below changing (a change in the code always changes the module).
constexpr char kRecordFormat[] = "records 1";

std::string Nanoseconds(const timespec& time) {
  return std::to_string(time.tv_sec) + "." + std::to_string(time.tv_nsec);
}

// "device:inode:size:modified" of the file at `path` (links followed);
// empty when it cannot be read.
std::string FileIdentity(const std::string& path) {
  struct stat status {};
  if (path.empty() || stat(path.c_str(), &status) != 0) return {};
  return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + ":" +
         std::to_string(status.st_size) + ":" + Nanoseconds(status.st_mtim);
}

std::string RealPathOf(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

// The library or program that holds this code.
std::string ThisModule() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ThisModule), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  return FileIdentity(RealPathOf(info.dli_fname));
}

// The office server and the LibreOffice behind the class.
std::string OfficeVersion(const char* progId) {
  RegisterOfficeClasses();
  platform::automation::ClassId classId;
  if (platform::automation::Failed(platform::automation::ClassIdFromProgId(progId, classId))) {
    return {};
  }
  const std::string program = RealPathOf(classId.programPath);
  const std::string server = FileIdentity(classId.serverProgram);
  if (server.empty()) return {};
  // The program on PATH is a launcher; the office itself lies beside it.
  return server + " " + FileIdentity(program) + " " +
         FileIdentity(platform::FolderOfPath(program) + "/soffice.bin");
}

std::string ProgramVersion(const char* program) {
  const std::string found = platform::FindProgramOnPath(program);
  return found.empty() ? std::string() : FileIdentity(RealPathOf(found));
}

}  // namespace

std::string ConverterVersionOf(ConversionRoute route) {
  std::string own = ThisModule();
  if (own.empty()) return {};
  own = std::string(kRecordFormat) + " " + own;
  std::string outside;
  switch (route) {
    case kRouteWordDocument:
      outside = OfficeVersion("Word.Basic");
      break;
    case kRouteSpreadsheet:
      outside = OfficeVersion("Excel.Application");
      break;
    case kRoutePdf:
      outside = ProgramVersion("pdftotext");
      break;
    case kRoutePicture:
      // Ghostscript renders EPS where it is installed.
      outside = imaging::LibraryVersion() + " gs " + ProgramVersion("gs");
      break;
    case kRoutePlainText:
    case kRouteHtml:
      return own;
    default:
      return {};  // installing is never skipped, and the other routes convert nothing
  }
  return outside.empty() ? std::string() : own + " " + outside;
}

std::string ConversionKeyOf(const std::string& path, ConversionRoute route,
                            const ConversionOptions& options) {
  struct stat status {};
  const std::optional<platform::FileStatus> times = platform::GetFileStatus(path);
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || !times) return {};
  const std::string version = ConverterVersionOf(route);
  if (version.empty()) return {};
  uint8_t stamps[16] = {};
  StampDateTime(times->creationTime, std::span(stamps).first(8));
  StampDateTime(times->lastWriteTime, std::span(stamps).last(8));
  std::string key = "path " + path + "\nfile " + std::to_string(status.st_dev) + ":" +
                    std::to_string(status.st_ino) + ":" + std::to_string(status.st_size) + ":" +
                    Nanoseconds(status.st_mtim) + ":" + Nanoseconds(status.st_ctim) + "\nstamps ";
  for (const uint8_t byte : stamps) key += std::to_string(byte) + ",";
  key += "\nroute " + std::to_string(route) + "\nconverter " + version;
  if (route == kRoutePicture) key += "\nimage mode " + std::to_string(options.imageMode);
  return key;
}

}  // namespace conduit
