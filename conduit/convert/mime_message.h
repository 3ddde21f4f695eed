// The e-mail that carries a PC file: a MIME message with a short text part
// and the file attached in base64, ready for a sendmail-style program that
// reads the recipients from the headers. Internal to the conversions.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace conduit {

struct MailMessage {
  std::string to;         // one address, printable ASCII
  std::string subject;    // UTF-8; control characters become spaces
  std::string bodyText;   // UTF-8 text of the first part
  std::string fileName;   // name of the attachment: UTF-8, or else Windows-1252
  std::string fileBytes;  // the attachment
  time_t date = 0;
};

// The whole message, lines ending in LF.
std::string ComposeMailMessage(const MailMessage& mail);

// Base64 of `bytes` in lines of at most 76 characters, each ending in LF.
std::string Base64Lines(std::string_view bytes);

// The MIME type of a file by the extension of its name; application/
// octet-stream for an unknown one.
std::string_view ContentTypeOfName(std::string_view name);

// A header value after `used` characters of its line ("Subject: "): as it
// stands when it is printable ASCII and fits the line, otherwise RFC 2047
// encoded words in UTF-8, folded so that no line passes 76 characters and
// no character is split between two words.
std::string EncodeHeaderText(std::string_view text, size_t used);

}  // namespace conduit
