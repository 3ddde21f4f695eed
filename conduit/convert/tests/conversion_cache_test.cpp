// The conversion cache on real folders: what misses it, what damage and
// failures it survives, what it evicts, and two writers at once. Plain text
// files are converted here (in this process, so a forked child with a
// bounded file size converts them too); the office routes are compared
// through the cache in office_test.cpp.
#include "convert/conversion_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "automation/automation.h"
#include "convert/conversion_key.h"
#include "convert/conversion_session.h"
#include "convert/convert.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::ContentTextOf;
using vlmtest::FileNamesIn;
using vlmtest::ReadFile;
using vlmtest::TempFolder;
using vlmtest::WriteFile;

void SetTimes(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The text a conversion in a session over `cache` gives for `path`.
std::string ConvertedText(const std::string& cache, const std::string& path) {
  const ConversionSession session(nullptr, ConversionCache(cache, ConversionCache::kDefaultLimit));
  const ConversionResult result = ConvertForHandheld(path);
  return result.record ? ContentTextOf(*result.record) : "(no record)";
}

constexpr time_t kSecond = 1700000000;

// A file rewritten within the same second, its size kept, is converted
// again, whether its modification time moved by nanoseconds or was put
// back as it was (then only its change time tells).
struct ChangeCase : vlmtest::NamedRow {
  long laterNanoseconds;
};

class SameSecondChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SameSecondChange, IsConvertedAgain) {
  TempFolder folder;
  const std::string file = folder / "note.txt";
  WriteFile(file, "first");
  SetTimes(file, kSecond, 100);
  EXPECT_EQ(ConvertedText(folder / "cache", file), "first");
  WriteFile(file, "other");
  SetTimes(file, kSecond, GetParam().laterNanoseconds);
  EXPECT_EQ(ConvertedText(folder / "cache", file), "other");
}

INSTANTIATE_TEST_SUITE_P(Changes, SameSecondChange,
                         ::testing::Values(ChangeCase{"NanosecondsLater", 200},
                                           ChangeCase{"SameModificationTime", 100}),
                         vlmtest::RowName());

// A damaged entry is ignored, the file converted, and the entry replaced.
struct DamageCase : vlmtest::NamedRow {
  std::function<std::string(std::string)> damage;
};

class DamagedEntry : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedEntry, IsConvertedAndReplaced) {
  TempFolder folder;
  const std::string cache = folder / "cache";
  const std::string file = folder / "note.txt";
  WriteFile(file, "kept text");
  ASSERT_EQ(ConvertedText(cache, file), "kept text");
  const std::vector<std::string> entries = FileNamesIn(cache);
  ASSERT_EQ(entries.size(), 1u);
  const std::string entry = cache + "/" + entries[0];
  const std::string whole = ReadFile(entry);
  WriteFile(entry, GetParam().damage(whole));
  EXPECT_EQ(ConvertedText(cache, file), "kept text");
  EXPECT_EQ(ReadFile(entry), whole);
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedEntry,
                         ::testing::Values(DamageCase{"FlippedByte",
                                                      [](std::string bytes) {
                                                        bytes[bytes.size() / 2] ^= 0x20;
                                                        return bytes;
                                                      }},
                                           DamageCase{"CutShort",
                                                      [](std::string bytes) {
                                                        return bytes.substr(0, bytes.size() - 1);
                                                      }},
                                           DamageCase{"Empty",
                                                      [](std::string) { return std::string(); }},
                                           DamageCase{"LengthPastTheEnd",
                                                      [](std::string bytes) {
                                                        bytes[8] = '\xff';  // the key's length
                                                        return bytes;
                                                      }}),
                         vlmtest::RowName());

std::vector<std::string> g_shown;
void KeepShown(const char* line) {
  g_shown.emplace_back(line);
}

// A cache that cannot be written never stops the conversion; the user is
// told once a HotSync.
TEST(ConversionCache, AFolderThatCannotBeMadeOnlyCostsTheSaving) {
  TempFolder folder;
  WriteFile(folder / "cache", "a file where the folder should be");
  WriteFile(folder / "note.txt", "text");
  g_shown.clear();
  {
    const ConversionSession session(
        &KeepShown, ConversionCache(folder / "cache", ConversionCache::kDefaultLimit));
    for (int conversion = 0; conversion < 2; ++conversion) {
      const ConversionResult result = ConvertForHandheld(folder / "note.txt");
      ASSERT_TRUE(result.record);
      EXPECT_EQ(ContentTextOf(*result.record), "text");
    }
  }
  EXPECT_EQ(std::count_if(g_shown.begin(), g_shown.end(),
                          [](const std::string& line) {
                            return line.find("cache") != std::string::npos &&
                                   line.find("cannot be written") != std::string::npos;
                          }),
            1)
      << testing::PrintToString(g_shown);
}

// A full disk, played by a bound on the size of the files this process may
// write (SIGXFSZ ignored, so a write past it fails with EFBIG): the
// conversion is whole and no entry or temporary file is left.
TEST(ConversionCache, AFullDiskOnlyCostsTheSaving) {
  TempFolder folder;
  const std::string text(2000, 'x');
  WriteFile(folder / "note.txt", text);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit bound{512, 512};
    setrlimit(RLIMIT_FSIZE, &bound);
    _exit(ConvertedText(folder / "cache", folder / "note.txt") == text ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the conversion failed";
  EXPECT_EQ(FileNamesIn(folder / "cache"), std::vector<std::string>{});
}

std::string Key(int number) {
  return "key " + std::to_string(number);
}

CachedRecord RecordOf(char fill) {
  return CachedRecord{std::vector<uint8_t>(1000, static_cast<uint8_t>(fill)), "- Cut"};
}

// Over its bound, the cache drops the entries used least recently; a hit
// counts as a use.
TEST(ConversionCache, EvictsTheLeastRecentlyUsed) {
  TempFolder folder;
  const ConversionCache cache(folder / "cache", 2500);
  ASSERT_TRUE(cache.Store(Key(1), RecordOf('a')));
  ASSERT_TRUE(cache.Store(Key(2), RecordOf('a')));
  // Both used long ago, whatever the grain of the clock; then 1 is used.
  const std::vector<std::string> names = FileNamesIn(folder / "cache");
  ASSERT_EQ(names.size(), 2u);
  for (const std::string& name : names) SetTimes(folder / "cache/" + name, kSecond, 0);
  ASSERT_TRUE(cache.Find(Key(1)));
  ASSERT_TRUE(cache.Store(Key(3), RecordOf('b')));
  EXPECT_TRUE(cache.Find(Key(1)));
  EXPECT_FALSE(cache.Find(Key(2)));
  const std::optional<CachedRecord> third = cache.Find(Key(3));
  ASSERT_TRUE(third);
  EXPECT_EQ(third->record, RecordOf('b').record);
  EXPECT_EQ(third->titleSuffix, "- Cut");
}

// Two HotSyncs writing and reading one entry at once: every read is one
// writer's whole record or a miss, never a mix.
TEST(ConversionCache, TwoWritersNeverTearAnEntry) {
  TempFolder folder;
  const ConversionCache cache(folder / "cache", ConversionCache::kDefaultLimit);
  pid_t writers[2];
  for (int writer = 0; writer < 2; ++writer) {
    writers[writer] = fork();
    ASSERT_GE(writers[writer], 0);
    if (writers[writer] == 0) {
      const CachedRecord mine = RecordOf(writer == 0 ? 'a' : 'b');
      for (int round = 0; round < 300; ++round) {
        if (!cache.Store(Key(1), mine)) _exit(2);
        const std::optional<CachedRecord> read = cache.Find(Key(1));
        if (read && read->record != RecordOf('a').record && read->record != RecordOf('b').record) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  for (const pid_t writer : writers) {
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a torn entry was read";
  }
}

// A new version of the program behind a route, or another image mode,
// gives another key.
TEST(ConversionKey, ChangesWithTheConverterAndTheOptions) {
#ifndef VELLAMORE_HAVE_OFFICE_SERVER
  GTEST_SKIP() << "the office server is not built";
#endif
  platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
  TempFolder folder;
  WriteFile(folder / "letter.doc", "text");
  WriteFile(folder / "photo.jpg", "jpeg");
  mkdir((folder / "office").c_str(), 0755);
  WriteFile(folder / "office/soffice", "#!/bin/sh\n");
  chmod((folder / "office/soffice").c_str(), 0755);
  WriteFile(folder / "office/soffice.bin", "version 1");
  vlmtest::ScopedEnv path("PATH", folder / "office");
  const std::string before = ConversionKeyOf(folder / "letter.doc", kRouteWordDocument, {});
  ASSERT_FALSE(before.empty());
  WriteFile(folder / "office/soffice.bin", "version 2, updated");
  EXPECT_NE(ConversionKeyOf(folder / "letter.doc", kRouteWordDocument, {}), before);
  EXPECT_NE(ConversionKeyOf(folder / "photo.jpg", kRoutePicture, {1}),
            ConversionKeyOf(folder / "photo.jpg", kRoutePicture, {2}));
  EXPECT_EQ(ConversionKeyOf(folder / "photo.jpg", kRouteInstall, {}), "") << "never kept";
}

}  // namespace
}  // namespace conduit
