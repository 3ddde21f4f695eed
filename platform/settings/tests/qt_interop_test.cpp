// Our registry files against the real QSettings("Olvenmark", "Vellamore"):
// what one writes, the other reads, in the same file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "settings/settings.h"
#include "testing/scoped_env.h"

namespace platform::settings {
namespace {

using namespace std::string_literals;

constexpr const char* kDirectories = "Software\\Olvenmark\\Vellamore\\Directories";

// QSettings reads XDG_CONFIG_HOME once, at its first use, so the whole
// program shares one configuration folder, set before any test runs.
class ConfigFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    m_folder = std::make_unique<vlmtest::TempFolderEnv>("XDG_CONFIG_HOME");
    s_root = m_folder->Path();
  }
  void TearDown() override { m_folder.reset(); }
  static std::string s_root;

 private:
  std::unique_ptr<vlmtest::TempFolderEnv> m_folder;
};
std::string ConfigFolder::s_root;
[[maybe_unused]] ::testing::Environment* const kConfigFolder =
    ::testing::AddGlobalTestEnvironment(new ConfigFolder);

class QtInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(ConfigFolder::s_root + "/Olvenmark", ignored);
  }
  static std::string ConfPath() { return ConfigFolder::s_root + "/Olvenmark/Vellamore.conf"; }
  // QSettings rereads a file only when its size or time stamp changed; give
  // each of our writes a time stamp of its own so that it always does.
  static void MarkChanged() {
    static time_t next = 1000000000;
    timespec times[2] = {{next, 0}, {next, 0}};
    ++next;
    utimensat(AT_FDCWD, ConfPath().c_str(), times, 0);
  }
};

QString ToQt(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
  QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), bytes.size());
}

struct Setting {
  std::string name;
  std::string value;
};

const Setting kSettings[] = {
    {"DataDir", "/home/ada/My Documents"},
    {"Empty", ""},
    {"Spaces", "  both ends  "},
    {"Punctuation", "quote \" backslash \\ comma, semicolon; equals= hash # [x]"},
    {"Controls",
     "tab\tline\nreturn\r\x01\x1F"
     "af\x7F"},
    {"Nul",
     "before\0"
     "01 after"s},
    {"At", "@String(not typed)"},
    {"Unicode", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
    {"Trailing backslash", "C:\\Palm\\"},
    {"name with spaces = and ; \xC3\xA9\xF0\x9F\x98\x80 %", "odd name"},
    {"General", "a value named General"},
};

TEST_F(QtInteropTest, QSettingsReadsWhatWeWrite) {
  for (const Setting& s : kSettings) ASSERT_EQ(SetValue(kDirectories, s.name, s.value), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore\\General", "g", "group named General"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore\\Parameters\\Deep", "X", "deep"), 0);
  ASSERT_EQ(SetValue("Software\\Olvenmark\\Vellamore", "Top", "top"), 0);
  ASSERT_EQ(SetValue(kDirectories, "Bytes", "\xFF\x00\xC3(1"s), 0);
  MarkChanged();

  QSettings qt("Olvenmark", "Vellamore");
  EXPECT_EQ(qt.status(), QSettings::NoError);
  EXPECT_EQ(qt.fileName().toStdString(), ConfPath());
  for (const Setting& s : kSettings) {
    EXPECT_EQ(FromQt(qt.value("Directories/" + ToQt(s.name)).toString()), s.value) << s.name;
  }
  EXPECT_EQ(qt.value("Directories/Bytes").toByteArray(), QByteArray("\xFF\x00\xC3(1", 5));
  EXPECT_EQ(qt.value("General/g").toString(), "group named General");
  EXPECT_EQ(qt.value("Parameters/Deep/X").toString(), "deep");
  EXPECT_EQ(qt.value("Top").toString(), "top");
  EXPECT_EQ(qt.childGroups(), (QStringList{"Directories", "General", "Parameters"}));
}

TEST_F(QtInteropTest, WeReadWhatQSettingsWrites) {
  {
    QSettings qt("Olvenmark", "Vellamore");
    for (const Setting& s : kSettings) qt.setValue("Directories/" + ToQt(s.name), ToQt(s.value));
    qt.setValue("Directories/Bytes", QByteArray("\xFF\x00\xC3(1", 5));
    qt.setValue("Directories/Number", 42);
    qt.setValue("General/g", "group named General");
    qt.setValue("Parameters/Deep/X", "deep");
    qt.setValue("Top", "top");
    qt.sync();
    ASSERT_EQ(qt.status(), QSettings::NoError);
  }
  for (const Setting& s : kSettings) EXPECT_EQ(QueryValue(kDirectories, s.name), s.value) << s.name;
  EXPECT_EQ(QueryValue(kDirectories, "Bytes"), "\xFF\x00\xC3(1"s);
  EXPECT_EQ(QueryValue(kDirectories, "Number"), "42");
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Vellamore\\General", "g"), "group named General");
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Vellamore\\Parameters\\Deep", "X"), "deep");
  EXPECT_EQ(QueryValue("Software\\Olvenmark\\Vellamore", "Top"), "top");
  EXPECT_EQ(EnumKeys("Software\\Olvenmark\\Vellamore"),
            (std::vector<std::string>{"Directories", "General", "Parameters"}));
  EXPECT_EQ(EnumKeys("Software\\Olvenmark"), std::vector<std::string>{"Vellamore"});
}

TEST_F(QtInteropTest, WritersTakeTurnsWithoutLosingValues) {
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/ours"), 0);
  MarkChanged();
  {
    QSettings qt("Olvenmark", "Vellamore");
    qt.setValue("Directories/Recent", QStringList{"a, b", "c"});
    qt.setValue("Window/Size", "640x480");
  }
  ASSERT_EQ(SetValue(kDirectories, "DataDir", "/ours, changed"), 0);
  ASSERT_EQ(DeleteKey("Software\\Olvenmark\\Vellamore\\Window"), 0);
  MarkChanged();
  QSettings qt("Olvenmark", "Vellamore");
  EXPECT_EQ(qt.value("Directories/DataDir").toString(), "/ours, changed");
  EXPECT_EQ(qt.value("Directories/Recent").toStringList(), (QStringList{"a, b", "c"}));
  EXPECT_FALSE(qt.contains("Window/Size"));
  qt.remove("Directories/DataDir");
  qt.sync();
  EXPECT_EQ(QueryValue(kDirectories, "DataDir"), std::nullopt);
  EXPECT_EQ(EnumValues(kDirectories), std::vector<std::string>{"Recent"});
}

}  // namespace
}  // namespace platform::settings
