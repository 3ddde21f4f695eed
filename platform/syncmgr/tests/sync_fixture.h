// The shared fixture of the Sync Manager tests: a HotSync on a handheld
// image in a temporary folder, and record buffers and writes in the form the
// conduit uses.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "fs/fs.h"
#include "pdb/handheld_image.h"
#include "pdb/palm_database.h"
#include "syncmgr/syncmgr.h"
#include "testing/image.h"
#include "testing/temp_folder.h"

namespace syncmgr_test {

using platform::pdb::FourCC;
using platform::pdb::PalmDatabase;
using platform::pdb::PalmRecord;

inline const std::string kNotesFixture =
    std::string(VELLAMORE_SOURCE_DIR) + "/platform/pdb/tests/data/FixtureNotesDB.pdb";

class SyncSession : public ::testing::Test {
 protected:
  SyncSession() { std::filesystem::create_directory(ImageDir()); }
  ~SyncSession() override {
    SyncSessionEnd();
    SyncInjectFailure(nullptr, 0);
  }

  std::string ImageDir() const { return m_root.PathOf("image"); }
  std::string LogPath() const { return m_root.PathOf("logs/user/HotSync.log"); }
  std::string ImageFile(const std::string& name) const { return ImageDir() + "/" + name; }
  platform::pdb::HandheldImage Image() const { return platform::pdb::HandheldImage(ImageDir()); }

  void Begin() { ASSERT_EQ(SyncSessionBegin(ImageDir().c_str(), LogPath().c_str()), 0); }
  void InstallNotes() {
    ASSERT_EQ(Image().InstallFile(kNotesFixture), platform::pdb::ImageError::kNone);
  }
  PalmDatabase Load(const std::string& name) const { return vlmtest::DatabaseOf(Image(), name); }
  std::vector<uint8_t> FileBytes(const std::string& name) const {
    return platform::ReadWholeFile(ImageFile(name)).value_or(std::vector<uint8_t>());
  }
  uint8_t Open(const char* name, uint8_t mode) {
    uint8_t handle = 0;
    EXPECT_EQ(SyncOpenDB(name, 0, &handle, mode), 0) << name;
    return handle;
  }

  vlmtest::TempFolder m_root;
};

// A record request with a buffer of `size` bytes.
struct RecordBuffer {
  explicit RecordBuffer(uint8_t handle, uint16_t size = 256) : bytes(size) {
    info.m_FileHandle = handle;
    info.m_TotalBytes = size;
    info.m_pBytes = bytes.data();
  }
  std::string Text() const {
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(info.m_RecSize));
  }
  std::vector<uint8_t> bytes;
  CRawRecordInfo info{};
};

inline int32_t WriteText(uint8_t handle, const std::string& text, uint32_t id = 0,
                         uint8_t attributes = 0, int16_t category = 0, uint32_t* newId = nullptr) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  CRawRecordInfo info{};
  info.m_FileHandle = handle;
  info.m_RecId = id;
  info.m_Attribs = attributes;
  info.m_CatId = category;
  info.m_RecSize = static_cast<uint32_t>(bytes.size());
  info.m_pBytes = bytes.data();
  const int32_t result = SyncWriteRec(&info);
  if (newId != nullptr) *newId = info.m_RecId;
  return result;
}

}  // namespace syncmgr_test
