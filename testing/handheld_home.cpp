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

void HandheldHome::PutSearchDatabase(const conduit::SearchAppInfo& block,
                                     const std::vector<conduit::SearchResult>& results) const {
  platform::pdb::PalmDatabase database;
  database.name = conduit::kSearchDatabaseName;
  database.creator = conduit::kCreatorId;
  database.type = platform::pdb::FourCC("Srch");
  database.appInfo.assign(block.Bytes().begin(), block.Bytes().end());
  for (const conduit::SearchResult& result : results) {
    database.records.push_back({0, database.NextUniqueId(), result.Encode()});
  }
  PutDatabase(database);
}

std::vector<conduit::SearchResult> HandheldHome::SearchResults() const {
  std::vector<conduit::SearchResult> results;
  for (const auto& record : Database(conduit::kSearchDatabaseName).records) {
    EXPECT_EQ(record.data.size(), conduit::SearchResult::kSize);
    EXPECT_EQ(record.attributes, 0);
    const auto result = conduit::SearchResult::Decode(record.data);
    EXPECT_TRUE(result.has_value());
    if (result) results.push_back(*result);
  }
  return results;
}

std::vector<std::string> HandheldHome::SearchResultPaths() const {
  std::vector<std::string> paths;
  for (const conduit::SearchResult& result : SearchResults()) paths.push_back(result.path);
  return paths;
}

void HandheldHome::PutFilesDatabase(const std::vector<platform::pdb::PalmRecord>& records) const {
  platform::pdb::PalmDatabase files;
  files.name = conduit::kFilesDatabaseName;
  files.creator = conduit::kCreatorId;
  files.type = conduit::kFilesDatabaseType;
  files.records = records;
  PutDatabase(files);
}

std::vector<platform::pdb::PalmRecord> HandheldHome::FileRecords() const {
  if (!m_image.HasDatabase(conduit::kFilesDatabaseName)) return {};
  return Database(conduit::kFilesDatabaseName).records;
}

std::optional<platform::pdb::AppPreference> HandheldHome::RequestPreference() const {
  platform::pdb::AppPreference preference;
  if (m_image.ReadPreference(conduit::kCreatorId, 0, true, &preference) !=
      platform::pdb::ImageError::kNone) {
    return std::nullopt;
  }
  return preference;
}

void HandheldHome::PutRequestPreference(const std::vector<uint8_t>& bytes, uint16_t version) const {
  EXPECT_EQ(m_image.WritePreference(conduit::kCreatorId, 0, true, {version, bytes}),
            platform::pdb::ImageError::kNone);
}

}  // namespace vlmtest
