// A handheld image and PC files in a home of the test's own.
#include "testing/handheld_home.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/image.h"

namespace vlmtest {

HandheldHome::HandheldHome() : m_image(m_home.PathOf("image")) {
  std::filesystem::create_directories(PcFolder());
}

HandheldHome::~HandheldHome() = default;

platform::pdb::PalmDatabase HandheldHome::Database(const std::string& name) const {
  return DatabaseOf(m_image, name);
}

void HandheldHome::PutDatabase(const platform::pdb::PalmDatabase& database) const {
  ASSERT_EQ(m_image.SaveDatabase(database), platform::pdb::ImageError::kNone) << database.name;
}

void HandheldHome::PutSearchDatabase(const records::SearchAppInfo& block,
                                     const std::vector<records::SearchResult>& results) const {
  platform::pdb::PalmDatabase database;
  database.name = records::kSearchDatabaseName;
  database.creator = records::kCreatorId;
  database.type = platform::pdb::FourCC("Srch");
  database.appInfo.assign(block.Bytes().begin(), block.Bytes().end());
  for (const records::SearchResult& result : results) {
    database.records.push_back({0, database.NextUniqueId(), result.Encode()});
  }
  PutDatabase(database);
}

std::vector<records::SearchResult> HandheldHome::SearchResults() const {
  std::vector<records::SearchResult> results;
  for (const auto& record : Database(records::kSearchDatabaseName).records) {
    EXPECT_EQ(record.data.size(), records::SearchResult::kSize);
    EXPECT_EQ(record.attributes, 0);
    const auto result = records::SearchResult::Decode(record.data);
    EXPECT_TRUE(result.has_value());
    if (result) results.push_back(*result);
  }
  return results;
}

std::vector<std::string> HandheldHome::SearchResultPaths() const {
  std::vector<std::string> paths;
  for (const records::SearchResult& result : SearchResults()) paths.push_back(result.path);
  return paths;
}

void HandheldHome::PutFilesDatabase(const std::vector<platform::pdb::PalmRecord>& records) const {
  platform::pdb::PalmDatabase files;
  files.name = records::kFilesDatabaseName;
  files.creator = records::kCreatorId;
  files.type = records::kFilesDatabaseType;
  files.records = records;
  PutDatabase(files);
}

std::vector<platform::pdb::PalmRecord> HandheldHome::FileRecords() const {
  if (!m_image.HasDatabase(records::kFilesDatabaseName)) return {};
  return Database(records::kFilesDatabaseName).records;
}

std::optional<platform::pdb::AppPreference> HandheldHome::RequestPreference() const {
  platform::pdb::AppPreference preference;
  if (m_image.ReadPreference(records::kCreatorId, 0, true, &preference) !=
      platform::pdb::ImageError::kNone) {
    return std::nullopt;
  }
  return preference;
}

void HandheldHome::PutRequestPreference(const std::vector<uint8_t>& bytes, uint16_t version) const {
  EXPECT_EQ(m_image.WritePreference(records::kCreatorId, 0, true, {version, bytes}),
            platform::pdb::ImageError::kNone);
}

}  // namespace vlmtest
