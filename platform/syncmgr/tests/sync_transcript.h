// Sync Manager calls for tests that compare two runs: each call's result
// and what it gave back, noted one line a call.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "sync_fixture.h"

namespace syncmgr_test {

// Sync Manager calls whose results are noted one line a call, so that two
// runs of the same calls can be compared.
class Transcript {
 public:
  uint8_t Open(const char* name, uint8_t mode) {
    uint8_t handle = 0;
    const int32_t result = SyncOpenDB(name, 0, &handle, mode);
    Note(std::string("open ") + name, result, handle);
    return handle;
  }
  uint8_t Create(const char* name, uint16_t flags) {
    CDbCreateDB create{};
    std::strcpy(create.m_Name, name);
    create.m_Creator = FourCC("Vlmr");
    create.m_Type = FourCC("Test");
    create.m_Flags = flags;
    create.m_Version = 3;
    const int32_t result = SyncCreateDB(&create);
    Note(std::string("create ") + name, result, create.m_FileHandle);
    return create.m_FileHandle;
  }
  void Close(uint8_t handle) { Note("close", SyncCloseDB(handle)); }
  void Count(uint8_t handle) {
    uint16_t count = 0;
    const int32_t result = SyncGetDBRecordCount(handle, &count);
    Note("count", result, count);
  }
  void ReadByIndex(uint8_t handle, uint16_t index, uint16_t buffer = 256) {
    RecordBuffer read(handle, buffer);
    read.info.m_RecIndex = index;
    NoteRecord("read " + std::to_string(index), SyncReadRecordByIndex(&read.info), read);
  }
  void ReadNext(uint8_t handle, int16_t category, uint16_t buffer = 256) {
    RecordBuffer read(handle, buffer);
    read.info.m_CatId = category;
    NoteRecord("next in " + std::to_string(category), SyncReadNextRecInCategory(&read.info), read);
  }
  void Reset(uint8_t handle) { Note("reset", SyncResetRecordIndex(handle)); }
  uint32_t Write(uint8_t handle, const std::string& text, uint32_t id = 0, uint8_t attributes = 0,
                 int16_t category = 0) {
    uint32_t written = 0;
    const int32_t result = WriteText(handle, text, id, attributes, category, &written);
    Note("write " + text, result, written);
    return written;
  }
  void Delete(uint8_t handle, uint32_t id) {
    CRawRecordInfo record{};
    record.m_FileHandle = handle;
    record.m_RecId = id;
    Note("delete " + std::to_string(id), SyncDeleteRec(&record));
  }
  void PurgeDeleted(uint8_t handle) { Note("purge deleted", SyncPurgeDeletedRecs(handle)); }
  void PurgeAll(uint8_t handle) { Note("purge all", SyncPurgeAllRecs(handle)); }
  void WriteAppInfo(uint8_t handle, std::string block) {
    CDbGenInfo info{};
    info.m_TotalBytes = static_cast<uint16_t>(block.size());
    info.m_pBytes = reinterpret_cast<uint8_t*>(block.data());
    Note("write app info", SyncWriteDBAppInfoBlock(handle, &info));
  }
  void ReadAppInfo(uint8_t handle, uint16_t buffer) {
    std::vector<uint8_t> bytes(buffer);
    CDbGenInfo info{};
    info.m_TotalBytes = buffer;
    info.m_pBytes = bytes.data();
    const int32_t result = SyncReadDBAppInfoBlock(handle, &info);
    Note("read app info", result, Text(bytes, info.m_BytesRead));
  }
  void WritePreference(uint16_t id, bool saved, uint8_t version, std::string text) {
    CRawPreferenceInfo preference{};
    preference.m_creator = FourCC("Vlmr");
    preference.m_prefId = id;
    preference.m_backedUp = saved;
    preference.m_version = version;
    preference.m_nBufSize = static_cast<int32_t>(text.size());
    preference.m_pBuffer = reinterpret_cast<uint8_t*>(text.data());
    Note("write preference", SyncWriteAppPreference(&preference));
  }
  void ReadPreference(uint16_t id, bool saved, uint16_t wanted, uint16_t buffer) {
    std::vector<uint8_t> bytes(buffer);
    CRawPreferenceInfo preference{};
    preference.m_creator = FourCC("Vlmr");
    preference.m_prefId = id;
    preference.m_backedUp = saved;
    preference.m_reqBytes = wanted;
    preference.m_nBufSize = buffer;
    preference.m_pBuffer = bytes.data();
    const int32_t result = SyncReadAppPreference(&preference);
    Note("read preference", result,
         Text(bytes, preference.m_retBytes) + " of " + std::to_string(preference.m_actSize) + " v" +
             std::to_string(preference.m_version));
  }
  void ReadUser() {
    CUserIDInfo user{};
    const int32_t result = SyncReadUserID(&user);
    Note("user", result, std::string(user.m_pName, static_cast<size_t>(user.m_NameLength)));
  }

  std::vector<std::string> lines;
  int32_t last = 0;  // the last call's result

 private:
  void Note(const std::string& call, int32_t code, const std::string& detail = {}) {
    last = code;
    std::ostringstream line;
    line << call << " -> 0x" << std::hex << code << " " << detail;
    lines.push_back(line.str());
  }
  void Note(const std::string& call, int32_t code, uint32_t number) {
    Note(call, code, std::to_string(number));
  }
  void NoteRecord(const std::string& call, int32_t code, const RecordBuffer& read) {
    std::ostringstream record;
    record << std::hex << "id " << read.info.m_RecId << " at " << read.info.m_RecIndex
           << " attributes " << int(read.info.m_Attribs) << " in " << read.info.m_CatId << " '"
           << read.Text() << "'";
    Note(call, code, record.str());
  }
  static std::string Text(const std::vector<uint8_t>& bytes, size_t size) {
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(size));
  }
};

}  // namespace syncmgr_test
