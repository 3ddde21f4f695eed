// HTML to handheld text. The conversion is a few single scans over the
// text: source line breaks and tabs become spaces, a token walk keeps text
// runs and replaces each tag by its line breaks (or nothing), and five
// entities are replaced one after the other, each over the whole text. Every
// step builds a new text, so the work stays linear in the input whatever
// the mark-up.
#include <array>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "convert/transcode.h"
#include "records/handheld_records.h"

namespace conduit {
namespace {

struct TagReplacement {
  std::string_view tag;
  std::string_view text;
};

constexpr std::array<TagReplacement, 18> kTagReplacements = {{
    {"<br>", "\n"},
    {"<p>", "\n\n"},
    {"<div>", "\n"},
    {"</title>", "\n"},
    {"<blockquote>", "\n"},
    {"<h1>", "\n"},
    {"<h2>", "\n"},
    {"<h3>", "\n"},
    {"<h4>", "\n"},
    {"<h5>", "\n"},
    {"<h6>", "\n"},
    {"</h1>", "\n"},
    {"</h2>", "\n"},
    {"</h3>", "\n"},
    {"</h4>", "\n"},
    {"</h5>", "\n"},
    {"</h6>", "\n"},
    {"<li>", "\n* "},
}};

// No tag of the table is longer than "<blockquote>".
constexpr size_t kLongestTag = 12;

struct EntityReplacement {
  std::string_view entity;
  std::string_view text;
};

// In the order of replacement: "&amp;" first, so "&amp;lt;" becomes "<".
constexpr std::array<EntityReplacement, 5> kEntityReplacements = {{
    {"&amp;", "&"},
    {"&copy;", "(c)"},
    {"&gt;", ">"},
    {"&lt;", "<"},
    {"&nbsp;", " "},
}};

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// LF and CR become a space, a tab four spaces.
std::string SourceBreaksToSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      out += ' ';
    } else if (c == '\t') {
      out.append("    ");
    } else {
      out += c;
    }
  }
  return out;
}

std::string ReplaceTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t position = 0;
  for (HtmlToken token = NextHtmlToken(text, position); token.kind != HtmlTokenKind::kEnd;
       token = NextHtmlToken(text, position)) {
    if (token.kind == HtmlTokenKind::kTextRun) {
      out.append(token.text);
    } else if (token.closed) {
      out.append(HtmlTagText(token.text));
    } else if (token.text.size() < kLongestTag) {
      // A tag cut off by the end of the text counts as closed there.
      std::string tag(token.text);
      tag += '>';
      out.append(HtmlTagText(tag));
    }
  }
  return out;
}

// Every occurrence of `from`, scanning once from the left; replaced text is
// not scanned again.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  size_t found = text.find(from);
  if (found == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  while (found != std::string::npos) {
    out.append(text, start, found - start).append(to);
    start = found + from.size();
    found = text.find(from, start);
  }
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

}  // namespace

HtmlToken NextHtmlToken(std::string_view text, size_t& position) {
  HtmlToken token;
  if (position >= text.size()) return token;
  if (text[position] != '<') {
    size_t end = text.find('<', position);
    if (end == std::string_view::npos) end = text.size();
    token.kind = HtmlTokenKind::kTextRun;
    token.text = text.substr(position, end - position);
    position = end;
    return token;
  }
  token.kind = HtmlTokenKind::kTag;
  const size_t close = text.find('>', position + 1);
  if (close == std::string_view::npos) {
    token.text = text.substr(position);
    token.closed = false;
    position = text.size() + 1;
  } else {
    token.text = text.substr(position, close + 1 - position);
    position = close + 1;
  }
  return token;
}

std::string_view HtmlTagText(std::string_view tag) {
  if (tag.size() > kLongestTag) return {};
  std::array<char, kLongestTag> lower{};
  for (size_t i = 0; i < tag.size(); ++i) lower[i] = LowerAscii(tag[i]);
  const std::string_view lowered(lower.data(), tag.size());
  for (const TagReplacement& row : kTagReplacements) {
    if (row.tag == lowered) return row.text;
  }
  return {};
}

void HtmlToText(std::string& text) {
  EndAtFirstNul(text);
  std::string converted = ReplaceTags(SourceBreaksToSpaces(text));
  for (const EntityReplacement& row : kEntityReplacements) {
    ReplaceAll(converted, row.entity, row.text);
  }
  text = std::move(converted);
}

ConversionResult ConvertHtml(const std::string& path) {
  return CatchNoMemory([&] {
    FileContents file = ReadFileForConversion(path, std::nullopt);
    if (file.status != kConvOk) return ConversionResult{std::nullopt, file.status};
    EndAtFirstNul(file.bytes);
    std::string text = TranscodeUtf8ToWindows1252(file.bytes);
    file.bytes = std::string();
    HtmlToText(text);
    // The bound counts the text's terminating zero.
    size_t carried = text.size() + 1;
    const bool cut = carried > file_record::kMaxContentBytes;
    if (cut) carried = file_record::kMaxContentBytes;
    TextRecordFields fields;
    fields.text = std::string_view(text).substr(0, carried - 1);
    fields.sizeField = static_cast<uint32_t>(carried);
    fields.titleSuffix = cut ? kTextCutSuffix : std::string_view();
    fields.created = file.creationTime;
    fields.modified = file.lastWriteTime;
    return BuildTextRecord(path, fields);
  });
}

}  // namespace conduit
