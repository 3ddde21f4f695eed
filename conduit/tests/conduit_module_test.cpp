// VellamoreCnd.so as the HotSync Manager sees it: loaded by name, with its
// five C exports and nothing else of its own visible. (Synchronisations
// through the loaded module run in the end-to-end tests with hotsync.)
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "syncmgr/conduit_abi.h"

namespace conduit {
namespace {

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

}  // namespace
}  // namespace conduit
