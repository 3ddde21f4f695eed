// The handheld image folder on real temporary folders: file names,
// databases, installs, the identity file and preferences.
#include "pdb/handheld_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "fs/fs.h"
#include "testing/files.h"
#include "testing/temp_folder.h"

namespace platform::pdb {
namespace {

class TempImage : public ::testing::Test {
 protected:
  TempImage() : m_image(m_root.Path()) {}

  std::string Path(const std::string& name) const { return m_root.PathOf(name); }
  std::vector<uint8_t> FileBytes(const std::string& name) const {
    return ReadWholeFile(Path(name)).value_or(std::vector<uint8_t>());
  }
  void WriteText(const std::string& name, const std::string& text) const {
    vlmtest::WriteFile(Path(name), text);
  }

  vlmtest::TempFolder m_root;
  HandheldImage m_image;
};

PalmDatabase Database(const std::string& name, bool resource = false) {
  PalmDatabase db;
  db.name = name;
  db.attributes = resource ? kDbAttrResource : 0;
  db.type = FourCC("DATA");
  db.creator = FourCC("Vlmr");
  if (resource) {
    db.resources = {{FourCC("tSTR"), 1, {1, 2}}};
  } else {
    db.records = {{0x40, 1, {1, 2, 3}}};
  }
  return db;
}

TEST(HandheldImageNames, EscapeSlashesBothWays) {
  EXPECT_EQ(HandheldImage::FileNameOf("VlmrFilesDB", false), "VlmrFilesDB.pdb");
  EXPECT_EQ(HandheldImage::FileNameOf("a/b/c", true), "a%2Fb%2Fc.prc");
  EXPECT_EQ(HandheldImage::DatabaseNameOf("a%2Fb%2Fc.prc"), "a/b/c");
  EXPECT_EQ(HandheldImage::DatabaseNameOf("Saved Preferences.prc"), "Saved Preferences");
  for (const char* other : {"handheld.ini", "x.PDB", ".pdb", "notes.txt"}) {
    EXPECT_FALSE(HandheldImage::DatabaseNameOf(other).has_value()) << other;
  }
}

TEST_F(TempImage, SavesLoadsListsAndDeletesDatabases) {
  ASSERT_EQ(m_image.SaveDatabase(Database("Beta")), ImageError::kNone);
  ASSERT_EQ(m_image.SaveDatabase(Database("Al/pha", true)), ImageError::kNone);
  WriteText("handheld.ini", "[User]\nName=x\n");
  EXPECT_EQ(m_image.ListDatabases(), (std::vector<std::string>{"Al/pha", "Beta"}));
  EXPECT_EQ(m_image.FindDatabaseFile("Al/pha"), Path("Al%2Fpha.prc"));

  PalmDatabase loaded;
  ASSERT_EQ(m_image.LoadDatabase("Beta", &loaded), ImageError::kNone);
  EXPECT_EQ(loaded, Database("Beta"));
  EXPECT_EQ(m_image.LoadDatabase("Gamma", &loaded), ImageError::kNotFound);
  EXPECT_EQ(m_image.LoadDatabase("", &loaded), ImageError::kBadName);

  EXPECT_EQ(m_image.DeleteDatabase("Beta"), ImageError::kNone);
  EXPECT_EQ(m_image.DeleteDatabase("Beta"), ImageError::kNotFound);
  EXPECT_EQ(m_image.ListDatabases(), (std::vector<std::string>{"Al/pha"}));
}

TEST_F(TempImage, CreatesOnlyNewDatabases) {
  ASSERT_EQ(m_image.CreateDatabase(Database("Once")), ImageError::kNone);
  EXPECT_EQ(m_image.CreateDatabase(Database("Once", true)), ImageError::kExists);
  EXPECT_EQ(m_image.ListDatabases(), (std::vector<std::string>{"Once"}));
}

TEST_F(TempImage, ADatabaseThatChangesKindLeavesNoTwin) {
  ASSERT_EQ(m_image.SaveDatabase(Database("Same")), ImageError::kNone);
  ASSERT_EQ(m_image.SaveDatabase(Database("Same", true)), ImageError::kNone);
  EXPECT_FALSE(GetFileStatus(Path("Same.pdb")).has_value());
  EXPECT_EQ(m_image.ListDatabases(), (std::vector<std::string>{"Same"}));
}

TEST_F(TempImage, TheFileNameNamesALoadedDatabase) {
  // A file copied in under another name is known by its file name, so that
  // writing it back replaces that file.
  PalmDatabase inner = Database("Inner");
  const auto bytes = SerializePalmDatabase(inner);
  ASSERT_EQ(WriteFileAtomically(Path("Outer.pdb"), bytes), 0);
  PalmDatabase loaded;
  ASSERT_EQ(m_image.LoadDatabase("Outer", &loaded), ImageError::kNone);
  EXPECT_EQ(loaded.name, "Outer");
}

TEST_F(TempImage, ADamagedDatabaseIsReportedAndLeftAlone) {
  WriteText("Broken.pdb", "too short to be a database");
  PalmDatabase loaded;
  PdbError reason = PdbError::kNone;
  EXPECT_EQ(m_image.LoadDatabase("Broken", &loaded, &reason), ImageError::kDamaged);
  EXPECT_EQ(reason, PdbError::kTruncatedHeader);
  const auto bytes = FileBytes("Broken.pdb");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "too short to be a database");
}

TEST_F(TempImage, AReadOnlyDatabaseFileIsNotReplaced) {
  ASSERT_EQ(m_image.SaveDatabase(Database("Locked")), ImageError::kNone);
  const auto before = FileBytes("Locked.pdb");
  ASSERT_EQ(chmod(Path("Locked.pdb").c_str(), 0444), 0);
  PalmDatabase changed = Database("Locked");
  changed.records.clear();
  EXPECT_EQ(m_image.SaveDatabase(changed), ImageError::kIo);
  EXPECT_EQ(FileBytes("Locked.pdb"), before);
}

TEST_F(TempImage, InstallsByTheNameInsideTheFile) {
  const std::string source = Path("download.bin");
  ASSERT_EQ(WriteFileAtomically(source, SerializePalmDatabase(Database("Tool/Kit", true))), 0);
  std::string installed;
  ASSERT_EQ(m_image.InstallFile(source, &installed), ImageError::kNone);
  EXPECT_EQ(installed, "Tool/Kit");
  EXPECT_EQ(FileBytes("Tool%2FKit.prc"), FileBytes("download.bin"));

  WriteText("junk.prc.src", std::string(200, 'j'));
  PdbError reason = PdbError::kNone;
  EXPECT_EQ(m_image.InstallFile(Path("junk.prc.src"), &installed, &reason), ImageError::kDamaged);
  EXPECT_NE(reason, PdbError::kNone);
  EXPECT_EQ(m_image.InstallFile(Path("missing.prc"), &installed), ImageError::kNotFound);
  EXPECT_EQ(m_image.InstallBytes(SerializePalmDatabase(Database(""))), ImageError::kBadName);
  EXPECT_EQ(m_image.ListDatabases(), (std::vector<std::string>{"Tool/Kit"}));
}

TEST_F(TempImage, KeepsTheUserNameInTheIdentityFile) {
  EXPECT_FALSE(m_image.ReadUserName().has_value());
  const auto created = HandheldImage::Create(Path("new/image"), "Ada Lovelace");
  ASSERT_TRUE(created.has_value());
  EXPECT_EQ(created->ReadUserName(), "Ada Lovelace");
  const auto ini = ReadWholeFile(Path("new/image/handheld.ini")).value();
  EXPECT_EQ(std::string(ini.begin(), ini.end()), "[User]\nName=Ada Lovelace\n");

  WriteText("handheld.ini", "; made by hand\r\n[Other]\r\nName=not this\r\n[User]\r\nId=77\r\n");
  EXPECT_FALSE(m_image.ReadUserName().has_value());
  ASSERT_TRUE(m_image.WriteUserName("Grace"));
  EXPECT_EQ(m_image.ReadUserName(), "Grace");
  EXPECT_EQ(m_image.ReadUserId(), 77u);
  const auto edited = FileBytes("handheld.ini");
  EXPECT_EQ(std::string(edited.begin(), edited.end()),
            "; made by hand\n[Other]\nName=not this\n[User]\nId=77\nName=Grace\n");
  EXPECT_FALSE(m_image.WriteUserName("two\nlines"));
}

TEST_F(TempImage, StoresPreferencesAsResourcesOfThePreferencesDatabases) {
  const uint32_t creator = FourCC("Vlmr");
  ASSERT_EQ(m_image.WritePreference(creator, 0, true, {1, {0x0B, 0xFF, 0x07}}), ImageError::kNone);
  ASSERT_EQ(m_image.WritePreference(creator, 3, false, {2, {}}), ImageError::kNone);

  const auto saved = ParsePalmDatabase(FileBytes("Saved Preferences.prc"));
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->name, "Saved Preferences");
  EXPECT_EQ(saved->type, FourCC("sprf"));
  EXPECT_EQ(saved->creator, FourCC("psys"));
  EXPECT_TRUE(saved->IsResourceDatabase());
  ASSERT_EQ(saved->resources.size(), 1u);
  EXPECT_EQ(saved->resources[0],
            (PalmResource{creator, 0, {0x00, 0x01, 0x0B, 0xFF, 0x07}}));  // version, bytes

  const auto unsaved = ParsePalmDatabase(FileBytes("Unsaved Preferences.prc"));
  ASSERT_TRUE(unsaved.has_value());
  EXPECT_EQ(unsaved->type, FourCC("pref"));
  EXPECT_EQ(unsaved->resources[0], (PalmResource{creator, 3, {0x00, 0x02}}));

  // Rewriting replaces the resource in place.
  ASSERT_EQ(m_image.WritePreference(creator, 0, true, {1, {0x0C}}), ImageError::kNone);
  AppPreference read;
  ASSERT_EQ(m_image.ReadPreference(creator, 0, true, &read), ImageError::kNone);
  EXPECT_EQ(read, (AppPreference{1, {0x0C}}));
  EXPECT_EQ(m_image.ReadPreference(creator, 3, true, &read), ImageError::kNotFound);
  EXPECT_EQ(m_image.ReadPreference(creator, 3, false, &read), ImageError::kNone);
}

TEST_F(TempImage, ReadsPreferencesWrittenByAnotherTool) {
  std::filesystem::copy_file(std::string(VELLAMORE_TEST_DATA_DIR) + "/Saved Preferences.prc",
                             Path("Saved Preferences.prc"));
  AppPreference read;
  ASSERT_EQ(m_image.ReadPreference(FourCC("Vlmr"), 0, true, &read), ImageError::kNone);
  EXPECT_EQ(read.version, 1);
  ASSERT_EQ(read.data.size(), 18u);
  EXPECT_EQ(read.data[0], 0x0B);
  EXPECT_EQ(read.data[1], 0xFF);
  EXPECT_EQ(read.data[16], 2);
  // A resource shorter than its version is damaged, not an empty preference.
  PalmDatabase db;
  ASSERT_EQ(m_image.LoadDatabase("Saved Preferences", &db), ImageError::kNone);
  db.resources.push_back({FourCC("Vlmr"), 9, {0x01}});
  ASSERT_EQ(m_image.SaveDatabase(db), ImageError::kNone);
  EXPECT_EQ(m_image.ReadPreference(FourCC("Vlmr"), 9, true, &read), ImageError::kDamaged);
}

TEST_F(TempImage, DoesNotOverwriteADamagedPreferencesDatabase) {
  WriteText("Saved Preferences.prc", "garbage");
  EXPECT_EQ(m_image.WritePreference(1, 0, true, {1, {1}}), ImageError::kDamaged);
  const auto bytes = FileBytes("Saved Preferences.prc");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "garbage");
}

}  // namespace
}  // namespace platform::pdb
