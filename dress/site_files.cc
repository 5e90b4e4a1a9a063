// The shared files of a site; see site_files.h.
#include "dress/site_files.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "dress/compress.h"
#include "split/charset.h"
#include "text/bytes.h"

namespace quillery {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The value of the attribute `name` (lower case, with its "=") in the tag
// text `tag`, quoted or not; "" when the tag has none. The name must follow
// a blank, so that "xml:lang=" is not taken for "lang=".
std::string AttributeValue(std::string_view tag, std::string_view name) {
  const std::string lower = AsciiLower(tag);
  std::size_t at = lower.find(name);
  while (at != std::string::npos && (at == 0 || !IsHtmlSpace(lower[at - 1]))) {
    at = lower.find(name, at + 1);
  }
  if (at == std::string::npos) return std::string();
  std::size_t value = at + name.size();
  if (value < tag.size() && (tag[value] == '"' || tag[value] == '\'')) {
    const std::size_t end = tag.find(tag[value], value + 1);
    if (end == std::string_view::npos) return std::string();
    return std::string(tag.substr(value + 1, end - value - 1));
  }
  std::size_t end = value;
  while (end < tag.size() && !IsHtmlSpace(tag[end]) && tag[end] != '>') ++end;
  return std::string(tag.substr(value, end - value));
}

// The end of the tag that opens at `open` (one past its ">"), or the text's
// end when it is cut off.
std::size_t TagEnd(std::string_view text, std::size_t open) {
  const std::size_t close = text.find('>', open);
  return close == std::string_view::npos ? text.size() : close + 1;
}

// The lower-case name of the tag that opens at `open` ("" for a comment,
// declaration or end tag).
std::string TagName(std::string_view text, std::size_t open) {
  std::string name;
  for (std::size_t at = open + 1; at < text.size() && IsAsciiAlnum(text[at]);
       ++at) {
    name += static_cast<char>(text[at] | 0x20);
  }
  return name;
}

// Where the text after a tag that opens at `open` resumes: past the tag, and
// past hidden markup (EndOfHiddenMarkup), or the content of a script or
// style element, whole.
std::size_t SkipMarkup(std::string_view text, std::size_t open) {
  const std::size_t hiddenEnd = EndOfHiddenMarkup(text, open);
  if (hiddenEnd != std::string_view::npos) return hiddenEnd;
  const std::string name = TagName(text, open);
  if (name == "script" || name == "style") {
    const std::size_t close =
        FindAnyCase(text, "</" + name, TagEnd(text, open));
    return close == std::string_view::npos ? text.size() : TagEnd(text, close);
  }
  return TagEnd(text, open);
}

// True when the tag that opens at `open` parts the words either side of it,
// as a paragraph, cell or line break does, where a span or a link does not.
bool PartsWords(std::string_view text, std::size_t open) {
  const std::size_t nameAt =
      open + 1 < text.size() && text[open + 1] == '/' ? open + 1 : open;
  const std::string name = TagName(text, nameAt);
  if (name.size() == 2 && name[0] == 'h' && IsAsciiDigit(name[1])) return true;
  for (std::string_view block :
       {"p",          "div",   "br",     "li",     "td",      "th",
        "tr",         "table", "ul",     "ol",     "dt",      "dd",
        "blockquote", "pre",   "hr",     "img",    "section", "article",
        "main",       "nav",   "header", "footer", "title",   "caption"}) {
    if (name == block) return true;
  }
  return false;
}

// True for an ASCII byte that stands for itself in the text: no "<" that
// may open markup, no blank, no "&" that may begin a non-breaking space.
bool IsPlainTextByte(char c) {
  return static_cast<unsigned char>(c) < 0x80 && c != '<' && c != '&' &&
         !IsHtmlSpace(c);
}

// True when the "<" at `at` opens markup rather than standing in the text.
bool OpensMarkup(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size()) return false;
  const char next = text[at + 1];
  return IsAsciiLetter(next) || next == '/' || next == '!' || next == '?';
}

// The number N of a page file named baseName + "_pN.htm" at the start of
// `href`; "" for any other.
std::string PageNumberOf(std::string_view href, const std::string& baseName) {
  const std::string prefix = baseName + "_p";
  if (!StartsWith(href, prefix)) return std::string();
  std::size_t end = prefix.size();
  while (end < href.size() && IsAsciiDigit(href[end])) ++end;
  if (end == prefix.size() || href.compare(end, 4, ".htm") != 0) {
    return std::string();
  }
  return std::string(href.substr(prefix.size(), end - prefix.size()));
}

// The level N of a contents paragraph tag of class MsoTocN; 1 for any other.
int ContentsLevel(std::string_view tag) {
  const std::size_t at = FindAnyCase(tag, "msotoc");
  if (at == std::string_view::npos || at + 6 >= tag.size() ||
      tag[at + 6] < '1' || tag[at + 6] > '9') {
    return 1;
  }
  return tag[at + 6] - '0';
}

std::string AttributeText(std::string_view value) {
  return ReplaceAll(ReplaceAll(ReplaceAll(value, "&", "&amp;"), "\"", "&quot;"),
                    "<", "&lt;");
}

}  // namespace

SiteFileNames::SiteFileNames(const std::string& baseName)
    : styles(baseName + "_site.css"),
      script(baseName + "_site.js"),
      searchIndex(baseName + "_search.js") {}

std::string DocumentLanguage(std::string_view content) {
  std::size_t body = FindAnyCase(content, "<body");
  while (body != std::string_view::npos && body + 5 < content.size() &&
         !IsHtmlSpace(content[body + 5]) && content[body + 5] != '>') {
    body = FindAnyCase(content, "<body", body + 5);
  }
  if (body == std::string_view::npos) return "en";
  const std::string value = AttributeValue(
      content.substr(body, TagEnd(content, body) - body), "lang=");
  std::string language;
  std::size_t part = 0;
  for (std::size_t at = 0; at <= value.size(); ++at) {
    if (at < value.size() && value[at] != '-') {
      if (!IsAsciiAlnum(value[at])) return "en";
      continue;
    }
    std::string piece = value.substr(part, at - part);
    if (piece.empty()) return "en";
    piece =
        part > 0 && piece.size() == 2 ? AsciiUpper(piece) : AsciiLower(piece);
    language += (part > 0 ? "-" : "") + piece;
    part = at + 1;
  }
  if (language.empty() || language == "x-NONE" || language == "x-none") {
    return "en";
  }
  return language;
}

std::string JavaScriptString(std::string_view text, ByteLayout layout) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 16);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at, layout);
    if (length > 1) {
      escaped.append(text, at, length);
      at += length;
      continue;
    }
    const char c = text[at++];
    if (c == '\\' || c == '"') {
      escaped += '\\';
      escaped += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      escaped += ' ';
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string SearchText(std::string_view slice, ByteLayout layout) {
  std::string text;
  bool pendingBlank = false;
  for (std::size_t at = 0; at < slice.size();) {
    const char c = slice[at];
    if (c == '<' && OpensMarkup(slice, at)) {
      // A span or a link joins what stands either side of it, as in
      // "a<b>c</b>"; a paragraph parts it.
      if (PartsWords(slice, at)) pendingBlank = !text.empty();
      at = SkipMarkup(slice, at);
      continue;
    }
    const std::size_t space = IsHtmlSpace(c) ? 1
                              : IsPlainTextByte(c)
                                  ? 0
                                  : NonBreakingSpaceAt(slice, at, layout);
    if (space > 0) {
      pendingBlank = !text.empty();
      at += space;
      continue;
    }
    if (pendingBlank) text += ' ';
    pendingBlank = false;
    // The plain ASCII bytes after this character (no markup, blank,
    // reference or byte of a longer character) go over as one stretch.
    std::size_t end = at + CharacterLength(slice, at, layout);
    while (end < slice.size() && IsPlainTextByte(slice[end])) ++end;
    text.append(slice, at, end - at);
    at = end;
  }
  return text;
}

std::vector<ContentsEntry> ContentsEntries(std::string_view contents,
                                           const std::string& baseName,
                                           ByteLayout layout) {
  std::vector<ContentsEntry> entries;
  int level = 1;
  for (std::size_t open = contents.find('<'); open != std::string_view::npos;
       open = contents.find('<', open + 1)) {
    const std::string name = TagName(contents, open);
    const std::size_t tagEnd = TagEnd(contents, open);
    const std::string_view tag = contents.substr(open, tagEnd - open);
    if (name == "p") level = ContentsLevel(tag);
    if (name != "a") continue;
    std::string href = AttributeValue(tag, "href=");
    if (href.empty()) continue;
    std::size_t close = FindAnyCase(contents, "</a", tagEnd);
    if (close == std::string_view::npos) close = contents.size();
    std::string label =
        CleanLabel(contents.substr(tagEnd, close - tagEnd), layout);
    if (label.empty()) {
      const std::string page = PageNumberOf(href, baseName);
      label = page.empty() ? href : "Page " + page;
    }
    entries.push_back(ContentsEntry{level, std::move(href), std::move(label)});
    open = close == contents.size() ? close - 1 : close;
  }
  return entries;
}

std::string ContentsList(const std::vector<ContentsEntry>& entries) {
  std::string list = "<ul class=\"q-toc-list\">\n";
  for (const ContentsEntry& entry : entries) {
    list += "<li class=\"q-l" + std::to_string(entry.level) + "\"><a href=\"" +
            AttributeText(entry.href) + "\">" + entry.label + "</a></li>\n";
  }
  list += "</ul>\n";
  return list;
}

std::string ContentsScript(const SiteSources& sources) {
  const SiteFileNames names(sources.baseName);
  return "window.quillerySite={index:\"" +
         JavaScriptString(names.searchIndex, sources.layout) +
         "\",contents:\"" +
         JavaScriptString(sources.contentsList, sources.layout) + "\"};\n" +
         sources.script;
}

void SearchIndexScript::Add(const IndexedPage& page) {
  // A control byte is never part of a character in the pages' sets, not
  // even the second byte of a pair, so the separators stay unambiguous.
  for (const std::string* field : {&page.file, &page.title, &page.text}) {
    const std::size_t start = records_.size();
    records_ += *field;
    std::replace_if(
        records_.begin() + static_cast<std::ptrdiff_t>(start), records_.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    records_ += '\x1F';
  }
  records_ += '\x1E';
}

std::string SearchIndexScript::Finish() {
  std::string script = "quillerySearchIndex(" +
                       std::to_string(records_.size()) + ",\"" +
                       Base64(Deflate(records_)) + "\");\n";
  records_.clear();
  records_.shrink_to_fit();
  return script;
}

std::vector<SiteFile> MakeSiteFiles(const SiteSources& sources,
                                    std::string searchIndex) {
  const SiteFileNames names(sources.baseName);
  std::vector<SiteFile> files;
  files.push_back(SiteFile{names.styles, sources.styles});
  files.push_back(SiteFile{names.script, ContentsScript(sources)});
  files.push_back(SiteFile{names.searchIndex, std::move(searchIndex)});
  return files;
}

std::string SiteHead(const SiteFileNames& names, const std::string& pageFile,
                     const std::string& previousFile,
                     const std::string& nextFile) {
  std::string head = "<link rel=\"stylesheet\" href=\"" +
                     AttributeText(names.styles) + "\">\n";
  if (!previousFile.empty()) {
    head +=
        "<link rel=\"prev\" href=\"" + AttributeText(previousFile) + "\">\n";
  }
  if (!nextFile.empty()) {
    head += "<link rel=\"next\" href=\"" + AttributeText(nextFile) + "\">\n";
  }
  head += "<script src=\"" + AttributeText(names.script) +
          "\" defer data-page=\"" + AttributeText(pageFile) + "\"></script>";
  return head;
}

std::string SiteContentsLink(const std::string& contentsPage) {
  return "<div id=\"q-toc\"><a href=\"" + AttributeText(contentsPage) +
         "\">Contents</a></div>";
}

}  // namespace quillery
