// The fetch: read the selected results and the search block from
// "VlmrSearchDB", then build and write one record per result into
// "VlmrFilesDB". A failure before the first record is written leaves
// "VlmrFilesDB" untouched.
#include "transfer/fetch.h"

#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_session.h"
#include "convert/convert.h"
#include "files_database.h"
#include "handheld_database.h"
#include "handheld_records.h"  // records/
#include "sync_log.h"
#include "syncmgr/syncmgr.h"
#include "text/transcode.h"
#include "transfer/handheld_record.h"

namespace conduit::transfer {
namespace {

constexpr std::string_view kErrorSuffix = "- Error";

struct SelectedResults {
  records::SearchAppInfo block;
  std::vector<std::string> paths;  // in record order
  size_t leftOver = 0;             // selected beyond kMaxSelectedResults
};

// Reads the search block and the paths of the selected results. Returns 0 or
// the failing call's code, after logging it and closing the database.
int32_t ReadSelectedResults(SelectedResults& selected) {
  HandheldDatabase database;
  int32_t result = database.Open(records::kSearchDatabaseName, records::kOpenReadWriteSecret);
  if (result != kSyncErrNone) {
    LogWarning("Couldn't find Search database");
    return result;
  }
  std::vector<uint8_t> blockBytes(records::SearchAppInfo::kSize);
  if ((result = database.ReadAppInfoBlock(blockBytes)) != kSyncErrNone) {
    LogWarning("Couldn't read Search App Info data");
    return result;
  }
  selected.block = records::SearchAppInfo::FromBytes(blockBytes);

  uint16_t count = 0;
  if ((result = SyncGetDBRecordCount(database.Handle(), &count)) != kSyncErrNone) {
    LogWarning("Couldn't read Search results database");
    return result;
  }
  for (uint16_t index = 0; index < count; ++index) {
    std::array<uint8_t, records::SearchResult::kSize> bytes{};  // a short record reads as zeros
    CRawRecordInfo record{};
    record.m_FileHandle = database.Handle();
    record.m_RecIndex = index;
    record.m_TotalBytes = static_cast<uint16_t>(bytes.size());
    record.m_pBytes = bytes.data();
    if ((result = SyncReadRecordByIndex(&record)) != kSyncErrNone) {
      LogWarning("Couldn't read Search Results database");
      return result;
    }
    const records::SearchResult found =
        records::SearchResult::Decode(bytes).value_or(records::SearchResult{});
    if (found.selected == 0) continue;
    if (selected.paths.size() == kMaxSelectedResults) {
      ++selected.leftOver;
      continue;
    }
    selected.paths.push_back(found.path);
  }
  if ((result = database.Close()) != kSyncErrNone) {
    LogWarning("Couldn't close the Search database.");
    return result;
  }
  return kSyncErrNone;
}

ConversionResult BuildRecord(FetchMode mode, const records::SearchAppInfo& block,
                             const std::string& path) {
  switch (mode) {
    case FetchMode::kConvert:
      return ConvertForHandheld(path);
    case FetchMode::kPcFormat:
      return SendAsPcFormat(path);
    case FetchMode::kEmail:
      return RequestMailOrFax(kRequestModeEmail, block.EmailAddress(), block.ThirdText(), path);
    case FetchMode::kFax:
      return RequestMailOrFax(kRequestModeFax, block.FaxNumber(), block.ThirdText(), path);
  }
  return {};
}

// The log entry's start for a result that could not be delivered.
std::string_view FailureVerb(FetchMode mode) {
  switch (mode) {
    case FetchMode::kEmail:
      return "Couldn't e-mail ";
    case FetchMode::kFax:
      return "Couldn't fax ";
    default:
      return "Couldn't fetch ";
  }
}

// The record of one selected result, titled by the file name of its path
// as the handheld made it: the record built in `mode`, or a message record
// that tells the handheld user why there is none. Every failure is logged.
std::optional<std::vector<uint8_t>> RecordOfResult(FetchMode mode,
                                                   const records::SearchAppInfo& block,
                                                   const std::string& path) {
  ConversionResult built = BuildRecord(mode, block, path);
  const std::string name = FileNameOfHandheldPath(path);
  if (built.record && !IsWritableRecord(*built.record)) {
    built.record.reset();
    built.failure = "its record is larger than the handheld holds";
  }
  if (!built.record && built.failure.empty()) built.failure = "it could not be converted";
  if (!built.failure.empty()) {
    LogWarning((std::string(FailureVerb(mode)) + name + ": " + built.failure).c_str());
  }
  if (!built.record) {
    built = BuildMessageRecord(platform::text::TranscodeUtf8ToWindows1252(
                                   "The file could not be fetched: " + built.failure + "."),
                               kErrorSuffix, path);
  }
  RetitleRecord(built, name);
  return std::move(built.record);
}

}  // namespace

int32_t FetchSelectedFiles(FetchMode mode) {
  SelectedResults selected;
  if (int32_t result = ReadSelectedResults(selected); result != kSyncErrNone) return result;
  if (selected.paths.empty()) LogText("No files to fetch.");
  if (selected.leftOver > 0) {
    std::string warning = "Only the first " + std::to_string(kMaxSelectedResults) +
                          " selected files were fetched; " + std::to_string(selected.leftOver) +
                          " more were left out";
    LogWarning(warning.c_str());
  }

  ConversionSession* session = ConversionSession::Current();
  if (session != nullptr && mode == FetchMode::kConvert) {
    session->ExpectConversions(selected.paths.size());
  }

  HandheldDatabase database;
  if (int32_t result = OpenFilesDatabaseForWriting(database); result != kSyncErrNone) {
    return result;
  }
  if (SyncPurgeDeletedRecs(database.Handle()) != kSyncErrNone) LogWarning("SyncPurge failed");

  for (const std::string& path : selected.paths) {
    std::optional<std::vector<uint8_t>> record = RecordOfResult(mode, selected.block, path);
    // Without memory even for the message record; the failure is logged.
    if (!record) continue;
    SetFileId(*record, 0);
    SetSentStamp(*record, store::HandheldDateTime::FromPcTime(time(nullptr), true));
    if (int32_t result = WriteNewRecord(database.Handle(), *record, 0, 0); result != kSyncErrNone) {
      // The handheld is told that the fetch failed, so it can ask again.
      LogWarning("Couldn't write to Files database");
      LogWarning((std::string(FailureVerb(mode)) + FileNameOfHandheldPath(path) +
                  ": the handheld refused its record (error " + std::to_string(result) + ")")
                     .c_str());
      return result;
    }
  }
  const int32_t result = database.Close();
  if (result != kSyncErrNone) LogWarning("SyncCloseDB failed");
  return result;
}

}  // namespace conduit::transfer
