// HTML to handheld text, in two scans over the text whatever the mark-up.
//
// The first scan walks the tokens: text runs are kept with their line
// breaks and tabs turned into spaces, and each tag is replaced by its line
// breaks (or nothing). Turning the source's line breaks into spaces first
// and then walking the tokens gives the same text, since neither '<' nor
// '>' changes and no tag of the table holds a space.
//
// The second scan replaces the five entities. Replacing them one after the
// other over the whole text ("&amp;" first, then "&copy;", "&gt;", "&lt;",
// "&nbsp;") is the same as one scan in which an "&amp;" whose '&' forms one
// of the later entities with the text after it is replaced by that entity's
// text: no replacement text holds a '&', so only the first replacement can
// make new entities, and only out of the text right after it.
#include <array>

#include "convert/convert.h"
#include "convert/file_reader.h"
#include "convert/record_writer.h"
#include "handheld_records.h"  // records/
#include "text/transcode.h"

namespace conduit {
namespace {

// At most this much of a page is read; a longer page is converted as far as
// that and marked cut. Its text would pass what a record holds many times.
constexpr size_t kMaxHtmlSourceBytes = size_t{16} * 1024 * 1024;

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

constexpr std::string_view kAmpersandEntity = "&amp;";

// The entities replaced after "&amp;", in their order.
constexpr std::array<EntityReplacement, 4> kLaterEntities = {{
    {"&copy;", "(c)"},
    {"&gt;", ">"},
    {"&lt;", "<"},
    {"&nbsp;", " "},
}};

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends a text run with LF and CR turned into a space, a tab into four.
void AppendSourceText(std::string& out, std::string_view run) {
  size_t start = 0;
  for (size_t i = 0; i < run.size(); ++i) {
    const char c = run[i];
    if (c != '\n' && c != '\r' && c != '\t') continue;
    out.append(run.data() + start, i - start);
    out.append(c == '\t' ? 4 : 1, ' ');
    start = i + 1;
  }
  out.append(run.data() + start, run.size() - start);
}

std::string ReplaceTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t position = 0;
  for (HtmlToken token = NextHtmlToken(text, position); token.kind != HtmlTokenKind::kEnd;
       token = NextHtmlToken(text, position)) {
    if (token.kind == HtmlTokenKind::kTextRun) {
      AppendSourceText(out, token.text);
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

// The later entity that starts `text`, if any; with `withoutAmpersand` the
// text is taken to follow a '&'.
const EntityReplacement* LaterEntityAt(std::string_view text, bool withoutAmpersand) {
  for (const EntityReplacement& row : kLaterEntities) {
    if (text.starts_with(withoutAmpersand ? row.entity.substr(1) : row.entity)) return &row;
  }
  return nullptr;
}

void ReplaceEntities(std::string& text) {
  if (text.find('&') == std::string::npos) return;
  const std::string_view source(text);
  std::string out;
  out.reserve(source.size());
  size_t start = 0;
  for (size_t at = source.find('&'); at != std::string_view::npos; at = source.find('&', start)) {
    out.append(source.substr(start, at - start));
    const std::string_view rest = source.substr(at);
    if (rest.starts_with(kAmpersandEntity)) {
      // The '&' left by "&amp;" may form a later entity with what follows.
      const std::string_view after = rest.substr(kAmpersandEntity.size());
      const EntityReplacement* formed = LaterEntityAt(after, true);
      out.append(formed != nullptr ? formed->text : "&");
      start = at + kAmpersandEntity.size() + (formed != nullptr ? formed->entity.size() - 1 : 0);
    } else if (const EntityReplacement* entity = LaterEntityAt(rest, false)) {
      out.append(entity->text);
      start = at + entity->entity.size();
    } else {
      out += '&';
      start = at + 1;
    }
  }
  out.append(source.substr(start));
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
  std::string converted = ReplaceTags(text);
  ReplaceEntities(converted);
  text = std::move(converted);
}

ConversionResult ConvertHtml(const std::string& path) {
  return CatchNoMemory([&] {
    FileContents file = ReadFileForConversion(path, kMaxHtmlSourceBytes);
    if (file.status != kConvOk) return UnreadFile(file);
    EndAtFirstNul(file.bytes);
    std::string text = platform::text::TranscodeUtf8ToWindows1252(
        platform::text::WithoutUtf8Edges(file.bytes, file.cut));
    file.bytes = std::string();
    HtmlToText(text);
    // The record builder cuts the text to what a record holds.
    TextRecordFields fields;
    fields.text = text;
    fields.cut = file.cut;
    fields.sizeCountsZero = true;
    fields.created = file.creationTime;
    fields.modified = file.lastWriteTime;
    return BuildTextRecord(path, fields);
  });
}

}  // namespace conduit
