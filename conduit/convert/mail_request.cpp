// RequestMailOrFax: sends a PC file by e-mail through a sendmail-style
// program, or by fax through HylaFAX's sendfax, and answers the handheld
// with a text record that says what happened. A program that is missing or
// fails is reported as a failure, never as sent.
//
// The programs can be replaced through the settings: the values
// "MailProgram" and "FaxProgram" of "Software\Olvenmark\Vellamore\Parameters"
// name them. The mail program is run with "-t -i" and the whole message on
// its standard input; the fax program with HylaFAX's sendfax options.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "convert/file_reader.h"
#include "convert/mime_message.h"
#include "convert/record_writer.h"
#include "fs/fs.h"
#include "process/process_runner.h"
#include "program_names.h"  // store/
#include "settings/settings.h"
#include "text/transcode.h"

namespace conduit {
namespace {

constexpr char kDefaultMailProgram[] = "/usr/sbin/sendmail";
constexpr char kDefaultFaxProgram[] = "sendfax";
constexpr auto kProgramTimeLimit = std::chrono::seconds(120);
// Mail systems commonly refuse larger messages; the file is not read whole
// into memory beyond this.
constexpr size_t kMaxAttachmentBytes = size_t{25} * 1024 * 1024;

constexpr std::string_view kSentSuffix = " - Sent";
constexpr std::string_view kErrorSuffix = " - Error";
constexpr std::string_view kNoFaxServiceMessage = "No fax service is available on the PC.";

struct Outcome {
  bool sent = false;
  std::string message;  // UTF-8
  std::string reason;   // why it was not sent; UTF-8
};

std::string ProgramSetting(const char* value, const char* fallback) {
  std::optional<std::string> configured =
      platform::settings::QueryValue(store::kParametersKey, value);
  if (configured && !configured->empty()) return *configured;
  return fallback;
}

// The first line of a program's error output, shortened, for the message.
std::string FirstLineOf(const std::string& text) {
  constexpr size_t kMaxShown = 120;
  std::string line = text.substr(0, text.find('\n'));
  if (line.size() > kMaxShown) line = line.substr(0, kMaxShown) + "...";
  return line;
}

Outcome Failed(const std::string& recipient, const std::string& reason) {
  return Outcome{false, "The file could not be sent to " + recipient + ": " + reason + ".", reason};
}

// Why a program did not do its work, for the message.
std::string ProgramFailure(const std::string& what, const std::string& program,
                           const platform::ProcessResult& run) {
  std::string reason = "the " + what + " " + program + " " + platform::DescribeProcessResult(run);
  const std::string detail = FirstLineOf(run.standardError);
  if (!detail.empty()) reason += " (" + detail + ")";
  return reason;
}

std::string AbsolutePathOf(const std::string& path) {
  if (path.starts_with('/')) return path;
  std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
  return folder ? std::string(folder.get()) + "/" + path : "./" + path;
}

// A handheld address or number: printable ASCII only (an e-mail address
// without spaces), so that it can neither break a header line nor pass for
// an option.
bool IsUsableAddress(std::string_view address, bool spacesAllowed) {
  if (address.empty() || address.front() == '-') return false;
  const uint8_t lowest = spacesAllowed ? 0x20 : 0x21;
  return std::all_of(address.begin(), address.end(), [lowest](char c) {
    return static_cast<uint8_t>(c) >= lowest && static_cast<uint8_t>(c) < 0x7F;
  });
}

Outcome SendMail(const std::string& address, const std::string& recipient, const std::string& note,
                 const std::string& path) {
  if (address.empty()) return Failed(recipient, "no e-mail address was given");
  if (!IsUsableAddress(address, false)) return Failed(recipient, "the e-mail address is not valid");
  FileContents file = ReadFileForConversion(path, kMaxAttachmentBytes);
  if (file.status != kConvOk) return Failed(recipient, file.failure);
  if (file.cut) return Failed(recipient, "the file is larger than 25 MB");

  MailMessage mail;
  mail.to = address;
  mail.fileName = FileNameOfPath(path);
  mail.subject = note.empty() ? mail.fileName : note;
  mail.bodyText = "The file " + mail.fileName + " from the PC, sent at the handheld's request.";
  if (!note.empty()) mail.bodyText += "\n\n" + note;
  mail.fileBytes = std::move(file.bytes);
  mail.date = time(nullptr);

  const std::string program = ProgramSetting(store::kMailProgramValue, kDefaultMailProgram);
  platform::ProcessOptions options;
  options.standardInput = ComposeMailMessage(mail);
  options.timeLimit = kProgramTimeLimit;
  const platform::ProcessResult run = platform::RunProcess({program, "-t", "-i"}, options);
  if (!run.Succeeded()) return Failed(recipient, ProgramFailure("mail program", program, run));
  return Outcome{true, "The file was sent to " + recipient + ".", {}};
}

Outcome SendFax(const std::string& number, const std::string& recipient, const std::string& note,
                const std::string& path) {
  if (number.empty()) return Failed(recipient, "no fax number was given");
  if (!IsUsableAddress(number, true) ||
      std::none_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Failed(recipient, "the fax number is not valid");
  }
  // The fax program reads the file itself; it is looked at here so that it
  // is never handed a pipe, a device or a file it cannot read.
  if (const FileContents file = ReadFileForConversion(path, 0); file.status != kConvOk) {
    return Failed(recipient, file.failure);
  }
  const std::string program = ProgramSetting(store::kFaxProgramValue, kDefaultFaxProgram);
  // With a note the fax gets a cover page that carries it; without, none.
  std::vector<std::string> argv = {program};
  if (note.empty()) {
    argv.insert(argv.end(), {"-n"});
  } else {
    argv.insert(argv.end(), {"-c", note});
  }
  // An absolute path, so that a file name starting with '-' is never taken
  // for an option.
  argv.insert(argv.end(), {"-d", number, AbsolutePathOf(path)});
  platform::ProcessOptions options;
  options.timeLimit = kProgramTimeLimit;
  const platform::ProcessResult run = platform::RunProcess(argv, options);
  if (run.outcome == platform::ProcessOutcome::kNotStarted &&
      (run.error == ENOENT || run.error == EACCES || run.error == ENOTDIR)) {
    return Outcome{false, std::string(kNoFaxServiceMessage), "no fax service is available"};
  }
  if (!run.Succeeded()) return Failed(recipient, ProgramFailure("fax program", program, run));
  return Outcome{true, "The file was queued for faxing to " + recipient + ".", {}};
}

}  // namespace

ConversionResult RequestMailOrFax(int mode, std::string_view address, std::string_view thirdText,
                                  const std::string& path) {
  return CatchNoMemory([&] {
    const std::optional<platform::FileStatus> status = platform::GetFileStatus(path);
    const time_t handled = time(nullptr);
    // The handheld's texts are Windows-1252; the PC's are UTF-8.
    const std::string target = platform::text::Windows1252ToUtf8(address);
    const std::string note = platform::text::Windows1252ToUtf8(thirdText);
    const bool fax = mode == kRequestModeFax;
    const std::string recipient = (fax ? "FAX:" : "SMTP:") + target;
    // The address proper is what follows the recipient's prefix.
    const std::string addressed = recipient.substr(recipient.find(':') + 1);
    const Outcome outcome = fax ? SendFax(addressed, recipient, note, path)
                                : SendMail(addressed, recipient, note, path);

    ConversionResult result =
        BuildMessageRecord(platform::text::TranscodeUtf8ToWindows1252(outcome.message),
                           outcome.sent ? kSentSuffix : kErrorSuffix, path);
    if (!result.record) return result;
    result.failure = outcome.reason;
    records::ChangeFileHead(*result.record, [&](records::HandheldFileHead& head) {
      head.modified = HeadStamp(handled);
      // A file that cannot be found keeps the zero creation stamp and size.
      if (status) {
        head.created = HeadStamp(status->creationTime);
        head.size = SizeFieldOf(status->size);
      }
    });
    return result;
  });
}

}  // namespace conduit
