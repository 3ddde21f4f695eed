// Ghostscript as the EPS renderer: the document goes in on standard input,
// the PNG comes out on standard output, and whatever the document prints is
// sent to standard error so that it cannot mix with the picture.
//
// Ghostscript's safe mode still lets a document create, read and delete
// files in the temporary folder it is given. Each rendering therefore gets a
// temporary folder of its own, empty and private, as both its temporary and
// its working folder, and the folder goes with everything in it when the
// rendering ends; the shared temporary folder is never reachable. Folders
// left by a process killed while it rendered go at a later rendering.
#include "eps_render.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>

#include "bytes/bytes.h"
#include "fs/fs.h"
#include "fs/private_folder.h"
#include "process/process_runner.h"

namespace imaging {
namespace {

constexpr std::chrono::seconds kRenderTimeLimit{20};
// Ghostscript's own cap on the memory it holds; a document that asks for
// more stops with an error instead of growing until the time limit.
constexpr const char* kMemoryLimitKiB = "-K262144";  // 256 MiB
constexpr size_t kMaxPngBytes = size_t{32} << 20;
constexpr double kPointsPerInch = 72.0;
constexpr double kMinResolution = 4.0;
constexpr double kMaxResolution = 1200.0;

// The binary header of an EPS file with a preview: signature, then the
// offset and length of its PostScript section (little-endian).
constexpr uint8_t kBinaryEpsSignature[] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr size_t kBinaryOffsetField = 4;
constexpr size_t kBinaryLengthField = 8;
constexpr size_t kBinaryHeaderSize = 12;

// The PostScript section of the document; the whole when it has no binary
// header, nothing when the header points outside the file.
std::optional<std::string_view> PostScriptOf(std::span<const uint8_t> bytes) {
  const std::string_view whole(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (bytes.size() < kBinaryHeaderSize ||
      !std::equal(std::begin(kBinaryEpsSignature), std::end(kBinaryEpsSignature), bytes.begin())) {
    return whole;
  }
  const size_t offset = platform::GetU32Le(bytes, kBinaryOffsetField);
  const size_t length = platform::GetU32Le(bytes, kBinaryLengthField);
  if (offset > bytes.size() || length > bytes.size() - offset) return std::nullopt;
  return whole.substr(offset, length);
}

// The resolution that renders the bounding box's longer side at about
// `longestSide` pixels; 72 dots per inch when the document states none.
double ResolutionFor(std::string_view postScript, int longestSide) {
  const size_t at = postScript.find("%%BoundingBox:");
  if (at == std::string_view::npos) return kPointsPerInch;
  const std::string line(postScript.substr(at, postScript.find('\n', at) - at));
  double left = 0, bottom = 0, right = 0, top = 0;
  if (std::sscanf(line.c_str(), "%%%%BoundingBox: %lf %lf %lf %lf", &left, &bottom, &right, &top) !=
      4) {
    return kPointsPerInch;
  }
  const double side = std::max(right - left, top - bottom);
  if (!(side > 0)) return kPointsPerInch;
  return std::clamp(kPointsPerInch * longestSide / side, kMinResolution, kMaxResolution);
}

constexpr std::string_view kFolderPrefix = "vellamore-eps-";
// A rendering folder untouched this long was left by a process that was
// killed while it rendered; no rendering lasts a fraction of it.
constexpr time_t kStaleFolderAge = 10 * 60;

// Removes the rendering folders that killed processes left behind.
void RemoveStaleFolders(const std::string& shared) {
  const time_t now = std::time(nullptr);
  for (const platform::DirectoryEntry& entry :
       platform::ListDirectory(shared, std::string(kFolderPrefix) + "*")) {
    const std::string path = shared + "/" + entry.name;
    const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
    if (!entry.isDirectory || !status || now - status->lastWriteTime < kStaleFolderAge) continue;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
}

}  // namespace

platform::Result<std::vector<uint8_t>> RenderEps(std::span<const uint8_t> bytes, int longestSide) {
  const std::optional<std::string_view> postScript = PostScriptOf(bytes);
  if (!postScript) return platform::Failure{"its EPS header points outside the file"};
  RemoveStaleFolders(platform::TemporaryFolder());
  const platform::PrivateFolder scratch(kFolderPrefix);
  if (scratch.Path().empty()) {
    return platform::Failure{
        std::string("no private temporary folder could be made for Ghostscript: ") +
        std::strerror(scratch.Error())};
  }
  char resolution[32];
  std::snprintf(resolution, sizeof resolution, "-r%.2f", ResolutionFor(*postScript, longestSide));
  platform::ProcessOptions options;
  options.standardInput = std::string(*postScript);
  options.timeLimit = kRenderTimeLimit;
  options.outputLimit = kMaxPngBytes;
  options.workingDirectory = scratch.Path();
  // Ghostscript takes its temporary folder from TMPDIR. GS_OPTIONS, emptied,
  // cannot add options that lift the safe mode.
  options.extraEnvironment = {"TMPDIR=" + scratch.Path(), "GS_OPTIONS="};
  const platform::ProcessResult result = platform::RunProcess(
      {"gs", kMemoryLimitKiB, "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dQUIET", "-sstdout=%stderr",
       "-dEPSCrop", "-sDEVICE=png16m", resolution, "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4",
       "-sOutputFile=%stdout", "-"},
      options);
  if (!result.Succeeded() || result.standardOutput.empty()) {
    return platform::Failure{"Ghostscript could not render it: " +
                             platform::DescribeProcessResult(result)};
  }
  return std::vector<uint8_t>(result.standardOutput.begin(), result.standardOutput.end());
}

}  // namespace imaging
