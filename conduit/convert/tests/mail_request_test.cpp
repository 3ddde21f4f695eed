// E-mail and fax requests through the capture program configured as the
// mail and fax program: the recipient, subject and attached bytes of the
// message, the fax program's arguments, and failures of every kind reported
// as failures in the outcome record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "convert/convert.h"
#include "convert_test_support.h"
#include "fs/fs.h"
#include "handheld_records.h"  // records/
#include "program_names.h"     // store/
#include "settings/settings.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/private_home.h"
#include "testing/program_settings.h"
#include "text/utf8.h"

namespace conduit {
namespace {

using store::kParametersKey;
using testing::StampOf;
using vlmtest::ContentTextOf;
using vlmtest::HeadOf;
using vlmtest::ReadFile;
using vlmtest::ScopedEnv;
using vlmtest::WriteFile;

std::string DecodeBase64(std::string_view text) {
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) continue;  // line breaks and padding
    bits = (bits << 6) | static_cast<uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

// The value of header `name` in the message's first header block.
std::string HeaderOf(const std::string& message, const std::string& name) {
  const std::string headers = "\n" + message.substr(0, message.find("\n\n") + 1);
  const size_t start = headers.find("\n" + name + ": ");
  if (start == std::string::npos) return {};
  const size_t from = start + name.size() + 3;
  return headers.substr(from, headers.find('\n', from) - from);
}

std::vector<std::string> SplitArguments(const std::string& bytes) {
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t nul = bytes.find('\0'); nul != std::string::npos; nul = bytes.find('\0', start)) {
    arguments.push_back(bytes.substr(start, nul - start));
    start = nul + 1;
  }
  return arguments;
}

class MailRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file = m_home.PathOf("report.pdf");
    for (int i = 0; i < 1000; ++i) m_bytes += static_cast<char>(i * 131 % 256);
    WriteFile(m_file, m_bytes);
  }

  std::string CapturedInput() const { return ReadFile(m_home.PathOf("capture.stdin")); }
  std::vector<std::string> CapturedArguments() const {
    return SplitArguments(ReadFile(m_home.PathOf("capture.args")));
  }
  bool ProgramRan() const { return vlmtest::FileExists(m_home.PathOf("capture.args")); }

  vlmtest::PrivateHome m_home;
  const std::string m_program = vlmtest::UseCaptureProgramForMailAndFax(m_home.Root());
  std::string m_file;
  std::string m_bytes;
};

TEST_F(MailRequestTest, MailsTheFileAsAnAttachment) {
  const time_t before = time(nullptr);
  const ConversionResult result =
      RequestMailOrFax(kRequestModeEmail, "bob@example.com", "Quarterly figures", m_file);
  const time_t after = time(nullptr);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(result.status, kConvOk);
  const std::string message = "The file was sent to SMTP:bob@example.com.";
  EXPECT_EQ(ContentTextOf(*result.record), message);
  EXPECT_EQ(result.record->size(), 202u + message.size());
  const auto head = HeadOf(*result.record);
  EXPECT_EQ(head.title, "report.pdf - Sent");
  EXPECT_EQ(head.sourcePath, m_file);
  EXPECT_EQ(head.size, m_bytes.size());
  EXPECT_EQ(head.created, StampOf(platform::GetFileStatus(m_file)->creationTime));
  EXPECT_TRUE(head.modified == StampOf(before) || head.modified == StampOf(after));

  EXPECT_EQ(CapturedArguments(), (std::vector<std::string>{m_program, "-t", "-i"}));
  const std::string mail = CapturedInput();
  EXPECT_EQ(HeaderOf(mail, "To"), "bob@example.com");
  EXPECT_EQ(HeaderOf(mail, "Subject"), "Quarterly figures");
  EXPECT_EQ(HeaderOf(mail, "MIME-Version"), "1.0");
  const size_t part = mail.find("Content-Disposition: attachment; filename=\"report.pdf\"");
  ASSERT_NE(part, std::string::npos);
  EXPECT_NE(mail.rfind("Content-Type: application/pdf\n", part), std::string::npos);
  const size_t body = mail.find("\n\n", part) + 2;
  const size_t end = mail.find("\n--", body);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(DecodeBase64(mail.substr(body, end - body)), m_bytes);
}

TEST_F(MailRequestTest, TreatsEveryModeButFaxAsEmail) {
  for (int mode : {0, 2, 7, -1}) {
    const ConversionResult result = RequestMailOrFax(mode, "carol@example.org", "", m_file);
    ASSERT_TRUE(result.record);
    EXPECT_EQ(ContentTextOf(*result.record), "The file was sent to SMTP:carol@example.org.");
    EXPECT_EQ(CapturedArguments().at(1), "-t");
    // Without a third text the file name is the subject.
    EXPECT_EQ(HeaderOf(CapturedInput(), "Subject"), "report.pdf");
  }
}

TEST_F(MailRequestTest, EncodesAHandheldSubjectBeyondAscii) {
  ASSERT_TRUE(
      RequestMailOrFax(kRequestModeEmail, "bob@example.com", "Caf\xE9 \x80", m_file).record);
  const std::string subject = HeaderOf(CapturedInput(), "Subject");
  ASSERT_EQ(subject.rfind("=?UTF-8?B?", 0), 0u) << subject;
  EXPECT_EQ(DecodeBase64(subject.substr(10, subject.size() - 12)), "Caf\xC3\xA9 \xE2\x82\xAC");
}

// Sixty e-acutes and a euro sign: 123 bytes of UTF-8 that need three folded
// encoded words after "Subject: ".
TEST_F(MailRequestTest, FoldsALongSubjectIntoWordsOfWholeCharacters) {
  const std::string subject = std::string(60, '\xE9') + "\x80";
  ASSERT_TRUE(RequestMailOrFax(kRequestModeEmail, "bob@example.com", subject, m_file).record);
  const std::string mail = CapturedInput();
  const size_t start = mail.find("\nSubject: ") + 1;
  std::string decoded;
  size_t lines = 0;
  for (size_t at = start; at == start || mail[at] == ' '; at = mail.find('\n', at) + 1, ++lines) {
    const std::string line = mail.substr(at, mail.find('\n', at) - at);
    EXPECT_LE(line.size(), 76u) << line;
    const size_t word = line.find("=?UTF-8?B?");
    ASSERT_NE(word, std::string::npos) << line;
    ASSERT_TRUE(line.ends_with("?="));
    const std::string text = DecodeBase64(line.substr(word + 10, line.size() - word - 12));
    EXPECT_TRUE(platform::text::IsValidUtf8(text)) << line;
    decoded += text;
  }
  EXPECT_EQ(lines, 3u);
  std::string expected;
  for (int i = 0; i < 60; ++i) expected += "\xC3\xA9";
  EXPECT_EQ(decoded, expected + "\xE2\x82\xAC");
}

// A file name in Windows-1252 goes out as UTF-8, with an ASCII stand-in for
// mail readers that know only the plain parameter.
TEST_F(MailRequestTest, NamesAnAttachmentThatIsNotUtf8InBothForms) {
  const std::string file = m_home.PathOf("r\xE9sum\xE9.pdf");
  WriteFile(file, "cv");
  ASSERT_TRUE(RequestMailOrFax(kRequestModeEmail, "bob@example.com", "cv", file).record);
  EXPECT_NE(CapturedInput().find("Content-Disposition: attachment; filename=\"r_sum_.pdf\";\n "
                                 "filename*=UTF-8''r%C3%A9sum%C3%A9.pdf\n"),
            std::string::npos)
      << CapturedInput();
}

// A path starting with '-' reaches the fax program as a path, not an option.
TEST_F(MailRequestTest, HandsTheFaxProgramAPathThatCannotPassForAnOption) {
  WriteFile(m_home.PathOf("-n.pdf"), "fax me");
  const std::unique_ptr<char, decltype(&std::free)> before(getcwd(nullptr, 0), &std::free);
  ASSERT_EQ(chdir(m_home.Root().c_str()), 0);
  const ConversionResult result = RequestMailOrFax(kRequestModeFax, "5550100", "", "-n.pdf");
  ASSERT_EQ(chdir(before.get()), 0);
  ASSERT_TRUE(result.record);
  const std::vector<std::string> arguments = CapturedArguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(arguments.back().front(), '/');
  EXPECT_TRUE(arguments.back().ends_with("/-n.pdf")) << arguments.back();
}

TEST_F(MailRequestTest, FaxesTheFileWithTheNoteOnACoverPage) {
  const ConversionResult result =
      RequestMailOrFax(kRequestModeFax, "+44 20 7946 0018", "Please sign", m_file);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(ContentTextOf(*result.record),
            "The file was queued for faxing to FAX:+44 20 7946 0018.");
  EXPECT_EQ(HeadOf(*result.record).title, "report.pdf - Sent");
  EXPECT_EQ(HeadOf(*result.record).size, m_bytes.size());
  EXPECT_EQ(CapturedArguments(), (std::vector<std::string>{m_program, "-c", "Please sign", "-d",
                                                           "+44 20 7946 0018", m_file}));

  ASSERT_TRUE(RequestMailOrFax(kRequestModeFax, "5550100", "", m_file).record);
  EXPECT_EQ(CapturedArguments(),
            (std::vector<std::string>{m_program, "-n", "-d", "5550100", m_file}));
}

TEST_F(MailRequestTest, ReportsAProgramThatFails) {
  ScopedEnv exitStatus("CAPTURE_EXIT", "75");
  ScopedEnv complaint("CAPTURE_STDERR", "queue is full\nsecond line");
  const ConversionResult mail = RequestMailOrFax(kRequestModeEmail, "bob@example.com", "", m_file);
  ASSERT_TRUE(mail.record);
  EXPECT_EQ(mail.status, kConvOk);
  EXPECT_EQ(HeadOf(*mail.record).title, "report.pdf - Error");
  EXPECT_EQ(ContentTextOf(*mail.record),
            std::string("The file could not be sent to SMTP:bob@example.com: the mail program ") +
                m_program + " exited with status 75 (queue is full).");
  const ConversionResult fax = RequestMailOrFax(kRequestModeFax, "5550100", "", m_file);
  ASSERT_TRUE(fax.record);
  EXPECT_EQ(HeadOf(*fax.record).title, "report.pdf - Error");
  EXPECT_NE(ContentTextOf(*fax.record).find("the fax program"), std::string::npos);
}

TEST_F(MailRequestTest, ReportsAMissingMailProgram) {
  ASSERT_EQ(platform::settings::SetValue(kParametersKey, store::kMailProgramValue,
                                         "/nonexistent/sendmail"),
            0);
  const ConversionResult result =
      RequestMailOrFax(kRequestModeEmail, "bob@example.com", "", m_file);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).title, "report.pdf - Error");
  EXPECT_EQ(ContentTextOf(*result.record),
            "The file could not be sent to SMTP:bob@example.com: the mail program "
            "/nonexistent/sendmail could not be started: No such file or directory.");
}

TEST_F(MailRequestTest, ReportsThatNoFaxServiceIsAvailable) {
  ASSERT_EQ(platform::settings::DeleteValue(kParametersKey, store::kFaxProgramValue), 0);
  // sendfax is looked up in PATH, which holds no such program here.
  ScopedEnv emptyPath("PATH", m_home.Root());
  const ConversionResult result = RequestMailOrFax(kRequestModeFax, "5550100", "", m_file);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(ContentTextOf(*result.record), "No fax service is available on the PC.");
  EXPECT_EQ(HeadOf(*result.record).title, "report.pdf - Error");
}

struct Refusal {
  int mode;
  std::string address;
  std::string reason;
};

void PrintTo(const Refusal& r, std::ostream* os) {
  *os << "mode " << r.mode << " " << ::testing::PrintToString(r.address);
}

class RefusedRequestTest : public MailRequestTest, public ::testing::WithParamInterface<Refusal> {};

// Addresses that are empty or could smuggle headers or options never reach
// a program.
TEST_P(RefusedRequestTest, RefusesWithoutRunningAProgram) {
  const ConversionResult result =
      RequestMailOrFax(GetParam().mode, GetParam().address, "note", m_file);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).title, "report.pdf - Error");
  EXPECT_NE(ContentTextOf(*result.record).find(GetParam().reason), std::string::npos)
      << ContentTextOf(*result.record);
  EXPECT_FALSE(ProgramRan());
}

INSTANTIATE_TEST_SUITE_P(Addresses, RefusedRequestTest,
                         ::testing::Values(Refusal{2, "", "no e-mail address was given"},
                                           Refusal{2, "bob@example.com\r\nBcc: eve@example.com",
                                                   "is not valid"},
                                           Refusal{2, "bob smith@example.com", "is not valid"},
                                           Refusal{2, "-oQ/tmp@example.com", "is not valid"},
                                           Refusal{2,
                                                   "b\xF6"
                                                   "b@example.com",
                                                   "is not valid"},
                                           Refusal{3, "", "no fax number was given"},
                                           Refusal{3, "call me", "is not valid"},
                                           Refusal{3, "-r5550100", "is not valid"},
                                           Refusal{3, "555\n0100", "is not valid"}));

TEST_F(MailRequestTest, ReportsAFileThatCannotBeRead) {
  const std::string missing = m_home.PathOf("gone.pdf");
  const ConversionResult result =
      RequestMailOrFax(kRequestModeEmail, "bob@example.com", "", missing);
  ASSERT_TRUE(result.record);
  EXPECT_EQ(ContentTextOf(*result.record),
            "The file could not be sent to SMTP:bob@example.com: it vanished before it could be "
            "read.");
  EXPECT_EQ(HeadOf(*result.record).size, 0u);
  EXPECT_EQ(HeadOf(*result.record).created, (std::array<uint8_t, 8>{}));
  EXPECT_FALSE(ProgramRan());
}

}  // namespace
}  // namespace conduit
