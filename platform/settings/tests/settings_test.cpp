// The registry calls on a private configuration folder: where values land,
// round trips, enumeration, deletion, bad names, damaged and foreign files,
// and writers in several processes at once.
#include "settings/settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "testing/files.h"
#include "testing/scoped_env.h"

namespace platform::settings {
namespace {

using namespace std::string_literals;

constexpr const char* kDirectories = "Software\\Olvenmark\\Vellamore\\Directories";
constexpr const char* kProgram = "Software\\Olvenmark\\Vellamore";

// Points XDG_CONFIG_HOME at a fresh folder for each test.
class SettingsTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return m_config.PathOf(name); }

  vlmtest::TempFolderEnv m_config{"XDG_CONFIG_HOME"};
};

TEST_F(SettingsTest, StoresEachLevelWhereQSettingsKeepsIt) {
  struct Case {
    const char* key;
    const char* value;
    const char* file;
    const char* content;
  } cases[] = {
      {kDirectories, "DataDir", "Olvenmark/Vellamore.conf", "[Directories]\nDataDir=/data\n"},
      {kProgram, "Top", "Olvenmark/Vellamore.conf",
       "[General]\nTop=/data\n\n[Directories]\nDataDir=/data\n"},
      {"Software\\Olvenmark\\Vellamore\\Directories\\Sub\\Deeper\\", "V",
       "Olvenmark/Vellamore.conf",
       "[General]\nTop=/data\n\n[Directories]\nDataDir=/data\nSub\\Deeper\\V=/data\n"},
      {"Software\\Olvenmark", "Company", "Olvenmark.conf", "[General]\nCompany=/data\n"},
      {"SOFTWARE\\Olvenmark\\Other\\With Space", "Name Ü", "Olvenmark/Other.conf",
       "[With%20Space]\nName%20%DC=/data\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SetValue(c.key, c.value, "/data"), 0) << c.key;
    EXPECT_EQ(vlmtest::ReadFile(Path(c.file)), c.content) << c.key;
    EXPECT_EQ(QueryValue(c.key, c.value), "/data") << c.key;
  }
}

TEST_F(SettingsTest, ValuesRoundTrip) {
  const std::string values[] = {
      "",
      "/home/ada/My Documents",
      "  leading and trailing  ",
      "quotes \" and \\ backslashes \\",
      "commas, semicolons; equals=",
      "tab\tnew\nline\r\001\037af",
      std::string("nul\0", 4) + "0 inside",
      "@at the start",
      "@ByteArray(looks typed)",
      "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
      "not UTF-8: \xFF\xC3(\x80",
      std::string(100000, 'x'),
  };
  for (const std::string& value : values) {
    ASSERT_EQ(SetValue(kDirectories, "DataDir", value), 0);
    EXPECT_EQ(QueryValue(kDirectories, "DataDir"), value);
  }
}

TEST_F(SettingsTest, MissingKeysAndValuesReadAsNothing) {
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), std::nullopt);
  ASSERT_EQ(SetValue(kDirectories, "Other", "x"), 0);
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), std::nullopt);
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Vellamore\\Parameters", "Other"), std::nullopt);
  EXPECT_TRUE(KeyExists(kDirectories));
  EXPECT_FALSE(KeyExists("Software\\Olvenmark\\Vellamore\\Parameters"));
  EXPECT_FALSE(KeyExists("Software\\Nobody"));
}

TEST_F(SettingsTest, RefusesNamesThatCannotBeStored) {
  const std::string badKeys[] = {
      "",
      "Olvenmark\\Vellamore",
      "\\Software\\Olvenmark\\Vellamore",
      "Software\\\\Olvenmark",
      "Software\\..\\x",
      "Software\\Olvenmark\\..",
      "Software\\a/b\\c",
      "Software\\Olvenmark\\Vellamore\\x\\\\",
      "Software\\Olvenmark\\Vellamore\\bad\xFF",
      "Software\\Olvenmark\\Vel\0lamore"s,
  };
  for (const std::string& key : badKeys) {
    EXPECT_EQ(SetValue(key, "v", "x"), EINVAL) << key;
    EXPECT_EQ(QueryValue(key, "v"), std::nullopt) << key;
    EXPECT_EQ(DeleteKey(key), EINVAL) << key;
  }
  const std::string badValues[] = {"", "a/b", "a\\b", "a\0b"s, "\xC3"};
  for (const std::string& value : badValues) {
    EXPECT_EQ(SetValue(kDirectories, value, "x"), EINVAL) << value;
    EXPECT_EQ(DeleteValue(kDirectories, value), EINVAL) << value;
  }
  EXPECT_EQ(SetValue("Software", "v", "x"), EINVAL);  // no file holds these
  EXPECT_TRUE(std::filesystem::is_empty(m_config.Path()));
}

TEST_F(SettingsTest, EnumeratesKeysAndValuesAtEveryLevel) {
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/d"), 0);
  ASSERT_EQ(SetValue(kDirectories, "Alpha", "a"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore\\Parameters\\Deep", "X", "x"), 0);
  ASSERT_EQ(SetValue(kProgram, "Top", "t"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Other", "V", "v"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark", "Company", "c"), 0);
  std::filesystem::create_directories(Path("Olvenmark/Folder"));
  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark/notes.txt", "not a key");
  vlmtest::WriteFileBelow(m_config.Path(), "Zeta.conf", "");

  using Names = std::vector<std::string>;
  EXPECT_EQ(EnumKeys("Software"), (Names{"Olvenmark", "Zeta"}));
  EXPECT_EQ(EnumKeys("Software\\Olvenmark\\"), (Names{"Folder", "Other", "Vellamore"}));
  EXPECT_EQ(EnumKeys(kProgram), (Names{"Directories", "Parameters"}));
  EXPECT_EQ(EnumKeys("Software\\Olvenmark\\Vellamore\\Parameters"), (Names{"Deep"}));
  EXPECT_EQ(EnumKeys(kDirectories), Names{});
  EXPECT_EQ(EnumValues(kDirectories), (Names{"Alpha", "DataDir"}));
  EXPECT_EQ(EnumValues(kProgram), (Names{"Top"}));
  EXPECT_EQ(EnumValues("Software\\Olvenmark"), (Names{"Company"}));
  EXPECT_EQ(EnumValues("Software\\Olvenmark\\Vellamore\\Parameters"), Names{});
  EXPECT_EQ(EnumKeys("Software\\Nobody"), Names{});
}

TEST_F(SettingsTest, DeletesValuesAndKeysWithEverythingBelow) {
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/d"), 0);
  ASSERT_EQ(SetValue(kDirectories, "Keep", "k"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore\\Parameters\\Deep", "X", "x"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Other", "V", "v"), 0);

  EXPECT_EQ(DeleteValue(kDirectories, "DataDir"), 0);
  EXPECT_EQ(DeleteValue(kDirectories, "DataDir"), ENOENT);
  EXPECT_EQ(QueryValue(kDirectories, "Keep"), "k");
  EXPECT_EQ(DeleteKey("Software\\Olvenmark\\Vellamore\\Parameters"), 0);
  EXPECT_FALSE(KeyExists("Software\\Olvenmark\\Vellamore\\Parameters\\Deep"));
  EXPECT_EQ(DeleteKey("Software\\Olvenmark\\Vellamore\\Parameters"), ENOENT);
  EXPECT_EQ(DeleteKey(kProgram), 0);
  EXPECT_FALSE(KeyExists(kProgram));
  EXPECT_FALSE(std::filesystem::exists(Path("Olvenmark/Vellamore.conf")));
  EXPECT_FALSE(std::filesystem::exists(Path("Olvenmark/.Vellamore.conf.lock")));
  EXPECT_EQ(DeleteValue(kDirectories, "Keep"), ENOENT);
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Other", "V"), "v");
  EXPECT_EQ(DeleteKey("Software\\Olvenmark"), 0);
  EXPECT_FALSE(std::filesystem::exists(Path("Olvenmark")));
  EXPECT_EQ(DeleteKey("Software\\Olvenmark"), ENOENT);
  EXPECT_EQ(DeleteKey("Software"), EPERM);
  EXPECT_TRUE(std::filesystem::exists(m_config.Path()));
}

TEST_F(SettingsTest, UninstallSequenceRemovesTheCompanyOnlyWhenEmpty) {
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/d"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore\\Parameters", "P", "p"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Other", "V", "v"), 0);
  auto uninstall = [] {
    DeleteKey("Software\\Olvenmark\\Vellamore\\Directories");
    DeleteKey("Software\\Olvenmark\\Vellamore\\Parameters");
    DeleteKey("Software\\Olvenmark\\Vellamore");
    if (EnumKeys("Software\\Olvenmark\\").empty()) DeleteKey("Software\\Olvenmark");
  };
  uninstall();
  EXPECT_EQ(EnumKeys("Software\\Olvenmark"), std::vector<std::string>{"Other"});
  ASSERT_EQ(DeleteKey("Software\\Olvenmark\\Other"), 0);
  uninstall();
  EXPECT_FALSE(KeyExists("Software\\Olvenmark"));
  EXPECT_TRUE(std::filesystem::is_empty(m_config.Path()));
}

TEST_F(SettingsTest, KeepsOtherProgramsValuesAndReadsDamagedFiles) {
  const std::string foreign =
      "; written by hand\n[General]\nlist=a, b\nsize=@Size(3 4)\nblob=@Variant(\\0\\0\\0\\x2)\n"
      "[Directories]\ngarbage line without equals\nDataDir=\"/old\n";
  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark/Vellamore.conf", foreign);
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), "/old\n");
  EXPECT_EQ(QueryValue(kProgram, "list"), "");
  ASSERT_EQ(SetValue(kDirectories, "New", "n"), 0);
  EXPECT_EQ(vlmtest::ReadFile(Path("Olvenmark/Vellamore.conf")),
            "[General]\nlist=a, b\nsize=@Size(3 4)\nblob=@Variant(\\0\\0\\0\\x2)\n\n"
            "[Directories]\nDataDir=\"/old\n\"\nNew=n\n");
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), "/old\n");

  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark/Binary.conf",
                          std::string("\0\xFF[\x01=\n=\"\\", 9));
  EXPECT_EQ(SetValue("Software\\Olvenmark\\Binary", "V", "v"), 0);
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Binary", "V"), "v");
}

TEST_F(SettingsTest, NeverReplacesAFileItCannotRead) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark/Vellamore.conf",
                          "[Directories]\nDataDir=/keep\n");
  ASSERT_EQ(chmod(Path("Olvenmark/Vellamore.conf").c_str(), 0200), 0);
  EXPECT_EQ(SetValue(kDirectories, "Other", "x"), EACCES);
  chmod(Path("Olvenmark/Vellamore.conf").c_str(), 0600);
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), "/keep");
}

// Leaves the caller `count` more descriptors while it lives.
class ScopedDescriptorLimit {
 public:
  explicit ScopedDescriptorLimit(int count) {
    getrlimit(RLIMIT_NOFILE, &m_saved);
    std::vector<int> spare;
    for (int i = 0; i < count; ++i) spare.push_back(open("/dev/null", O_RDONLY | O_CLOEXEC));
    rlimit limited = m_saved;
    limited.rlim_cur = static_cast<rlim_t>(spare.back() + 1);
    for (int fd : spare) close(fd);
    setrlimit(RLIMIT_NOFILE, &limited);
  }
  ~ScopedDescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }

 private:
  rlimit m_saved{};
};

// Two descriptors let the removal open the key's folder and a folder in
// it, but not list that one: its settings stay, and the removal says so.
TEST_F(SettingsTest, AFolderThatCannotBeReadFailsTheRemoval) {
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/d"), 0);
  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark/Vellamore/deep/Old.conf", "[General]\nOld=1\n");
  int error = 0;
  {
    const ScopedDescriptorLimit limit(2);
    error = DeleteKey(kProgram);
  }
  EXPECT_EQ(error, EMFILE);
  EXPECT_TRUE(std::filesystem::exists(Path("Olvenmark/Vellamore/deep/Old.conf")));
}

TEST_F(SettingsTest, AFileWhereAFolderBelongsIsAnError) {
  vlmtest::WriteFileBelow(m_config.Path(), "Olvenmark", "a file, not a folder");
  EXPECT_EQ(SetValue(kDirectories, "DataDir", "/d"), ENOTDIR);
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), std::nullopt);
}

TEST_F(SettingsTest, ConcurrentWritersInSeveralProcessesLoseNothing) {
  constexpr int kProcesses = 6;
  constexpr int kValuesEach = 20;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int v = 0; v < kValuesEach; ++v) {
        std::string name = "P" + std::to_string(p) + "V" + std::to_string(v);
        failures += SetValue(kDirectories, name, "value, \"" + name + "\"") != 0;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(EnumValues(kDirectories).size(), static_cast<size_t>(kProcesses * kValuesEach));
  for (int p = 0; p < kProcesses; ++p) {
    for (int v = 0; v < kValuesEach; ++v) {
      std::string name = "P" + std::to_string(p) + "V" + std::to_string(v);
      EXPECT_EQ(QueryValue(kDirectories, name), "value, \"" + name + "\"");
    }
  }
}

TEST(ConfigRoot, FollowsXdgConfigHomeThenHome) {
  const vlmtest::ScopedEnv home("HOME", "/home/ada");
  const vlmtest::ScopedEnv configHome("XDG_CONFIG_HOME", "/xdg/config/");
  EXPECT_EQ(ConfigRoot(), "/xdg/config");
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(ConfigRoot(), "/home/ada/.config");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ConfigRoot(), "/home/ada/.config");
  setenv("HOME", "/", 1);
  EXPECT_EQ(ConfigRoot(), "/.config");
}

}  // namespace
}  // namespace platform::settings
