// VellamoreCnd.so as the HotSync Manager sees it: loaded by name, with its
// five C exports and nothing else of its own visible, answering through the
// shared Sync Manager library on a real handheld image.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "pdb/handheld_image.h"
#include "sync_test_support.h"
#include "syncmgr/conduit_abi.h"
#include "syncmgr/syncmgr.h"

namespace conduit {
namespace {

using testing::LogLine;
namespace fs = std::filesystem;

class ConduitModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_module = dlopen(VELLAMORE_BIN_DIR "/VellamoreCnd.so", RTLD_NOW | RTLD_LOCAL);
  }
  static void TearDownTestSuite() {
    if (s_module != nullptr) dlclose(s_module);
    s_module = nullptr;
  }
  void SetUp() override { ASSERT_NE(s_module, nullptr) << dlerror(); }

  template <typename Fn>
  static Fn Export(const char* name) {
    return reinterpret_cast<Fn>(dlsym(s_module, name));
  }

  static void* s_module;
};

void* ConduitModule::s_module = nullptr;

TEST_F(ConduitModule, ExportsTheFiveEntryPointsOnly) {
  for (const char* name : {"OpenConduit", "GetConduitName", "GetConduitVersion", "GetConduitInfo",
                           "ConfigureConduit"}) {
    EXPECT_NE(dlsym(s_module, name), nullptr) << name;
  }
  // The conduit's C++ functions stay inside the module.
  EXPECT_EQ(dlsym(s_module, "_ZN7conduit17GetConduitVersionEv"), nullptr);
  EXPECT_EQ(dlsym(s_module, "_ZN7conduit17ConduitOperationsEv"), nullptr);
}

TEST_F(ConduitModule, AnswersNameVersionAndInfo) {
  char name[6];
  EXPECT_EQ(Export<GetConduitNameFn>("GetConduitName")(name, sizeof name), 0);
  EXPECT_STREQ(name, "Vella");
  EXPECT_EQ(Export<GetConduitVersionFn>("GetConduitVersion")(), 0x101u);
  uint32_t value = 0;
  uint32_t size = 4;
  EXPECT_EQ(Export<GetConduitInfoFn>("GetConduitInfo")(1, nullptr, &value, &size), 0);
  EXPECT_EQ(value, 0x500u);
  EXPECT_EQ(Export<GetConduitInfoFn>("GetConduitInfo")(0, nullptr, nullptr, &size), 0x1071);
  EXPECT_EQ(Export<ConfigureConduitFn>("ConfigureConduit")(nullptr), -1);
}

class ConduitModuleSync : public ConduitModule {
 protected:
  ConduitModuleSync()
      : m_configEnv("XDG_CONFIG_HOME", m_root.PathOf("config")),
        m_runtimeEnv("XDG_RUNTIME_DIR", m_root.PathOf("runtime")) {
    fs::create_directories(m_root.PathOf("runtime"));
    fs::create_directories(m_root.PathOf("data"));
    platform::pdb::HandheldImage::Create(Image(), "Ada");
    testing::WriteDataDirSetting(m_root.PathOf("data"));
  }
  std::string Image() const { return m_root.PathOf("image"); }

  int32_t Sync(int32_t syncType, const char* failingCall = nullptr) {
    testing::HotSyncSession session(Image());
    EXPECT_TRUE(session.Ok());
    if (failingCall != nullptr) SyncInjectFailure(failingCall, 0x4321);
    CSyncProperties properties{};
    properties.m_SyncType = syncType;
    const int32_t result = Export<OpenConduitFn>("OpenConduit")(nullptr, &properties);
    m_log = testing::SessionLog();
    return result;
  }

  testing::TempFolder m_root;
  testing::ScopedEnv m_configEnv, m_runtimeEnv;
  std::vector<LogLine> m_log;
};

TEST_F(ConduitModuleSync, DoNothingTypeWritesOneLine) {
  EXPECT_EQ(Sync(kSyncTypeDoNothing), 0);
  EXPECT_EQ(m_log, (std::vector<LogLine>{{"Vellamore configured to do nothing.", -1}}));
}

TEST_F(ConduitModuleSync, FailedRegistrationReturnsItsCode) {
  EXPECT_EQ(Sync(kSyncTypeFast, "SyncRegisterConduit"), 0x4321);
  EXPECT_TRUE(m_log.empty());
}

TEST_F(ConduitModuleSync, DonePreferenceIsLeftAndTheListSaved) {
  std::vector<uint8_t> preference(18, 0);
  preference[0] = 2;
  preference[1] = 0xFF;
  testing::WriteRequestPreference(Image(), preference, 5);
  EXPECT_EQ(Sync(kSyncTypeSlow), 0);
  ASSERT_GE(m_log.size(), 2u);
  EXPECT_EQ(m_log.front(), (LogLine{"", 19}));
  EXPECT_EQ(m_log.back(), (LogLine{"Vellamore", 20}));
  EXPECT_EQ(testing::ReadRequestPreference(Image())->version, 5) << "not written";
  EXPECT_TRUE(fs::exists(m_root.PathOf("data/Vellamore.dat")));
}

TEST_F(ConduitModuleSync, UnreadablePreferenceIsNotWritten) {
  EXPECT_EQ(Sync(kSyncTypeFast), 0);
  EXPECT_EQ(m_log.back(), (LogLine{"Vellamore", 20}));
  EXPECT_FALSE(testing::ReadRequestPreference(Image()));
}

}  // namespace
}  // namespace conduit
