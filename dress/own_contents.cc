// A document's own contents and the cuts before their bookmarks; see
// own_contents.h.
#include "dress/own_contents.h"

#include <unordered_map>

#include "dress/page_navigation.h"
#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kTocPrefix = "_Toc";
constexpr std::string_view kTocClass = "msotoc";

// True when a tag name, compared in any letter case, starts at `at` and
// ends there: a blank, ">" or "/" (or the end of the text) follows it.
bool IsNameAt(std::string_view text, std::size_t at,
              std::string_view lowerName) {
  if (at > text.size() || text.size() - at < lowerName.size()) return false;
  for (std::size_t i = 0; i < lowerName.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerName[i]) return false;
  }
  const std::size_t after = at + lowerName.size();
  return after == text.size() || IsHtmlSpace(text[after]) ||
         text[after] == '>' || text[after] == '/';
}

// The first tag at or after `from`, comments passed over: the position of
// its "<", or kNone. A comment runs from "<!--" to "-->"; the word
// processor's conditional blocks ("<!--[if supportFields]>") are comments
// to every browser but its own.
std::size_t NextTag(std::string_view text, std::size_t from) {
  for (std::size_t at = text.find('<', from); at != kNone;
       at = text.find('<', at + 1)) {
    if (text.compare(at, 4, "<!--") != 0) return at;
    const std::size_t close = text.find("-->", at + 4);
    if (close == kNone) return kNone;
    at = close + 2;
  }
  return kNone;
}

// Just past the ">" of the tag at `tagAt`. A tag left open ends where the
// next one starts (or at the end of the text), so that no search for a
// tag's end runs past the tags after it.
std::size_t TagEnd(std::string_view text, std::size_t tagAt) {
  const std::size_t close = text.find_first_of("<>", tagAt + 1);
  if (close == kNone) return text.size();
  return text[close] == '>' ? close + 1 : close;
}

// One attribute of a tag: from its name to the end of its value, quotes
// included, and the value itself.
struct Attribute {
  bool found = false;
  std::size_t at = 0;
  std::size_t valueAt = 0;
  std::size_t valueEnd = 0;
  std::size_t end = 0;
};

// The attribute `lowerName` of the tag text[tagAt, tagEnd), its name in any
// letter case after a blank and followed by "="; its value quoted with " or
// ', or bare up to a blank or the tag's end.
Attribute FindAttribute(std::string_view text, std::size_t tagAt,
                        std::size_t tagEnd, std::string_view lowerName) {
  Attribute found;
  const std::string_view tag = text.substr(0, tagEnd);
  const std::string wanted = std::string(lowerName) + "=";
  for (std::size_t at = FindAnyCase(tag, wanted, tagAt + 1); at != kNone;
       at = FindAnyCase(tag, wanted, at + 1)) {
    if (!IsHtmlSpace(tag[at - 1])) continue;
    std::size_t value = at + wanted.size();
    found.found = true;
    found.at = at;
    if (value < tag.size() && (tag[value] == '"' || tag[value] == '\'')) {
      const std::size_t close = tag.find(tag[value], value + 1);
      found.valueAt = value + 1;
      found.valueEnd = close == kNone ? tag.size() : close;
      found.end = close == kNone ? tag.size() : close + 1;
      return found;
    }
    std::size_t end = value;
    while (end < tag.size() && !IsHtmlSpace(tag[end]) && tag[end] != '>') ++end;
    found.valueAt = value;
    found.valueEnd = found.end = end;
    return found;
  }
  return found;
}

std::string_view ValueOf(std::string_view text, const Attribute& attribute) {
  return text.substr(attribute.valueAt,
                     attribute.valueEnd - attribute.valueAt);
}

// The next occurrence of a marker (lower case, matched in any case) at or
// after a position, for searches whose start only moves forward: the text
// is searched again only once the last hit lies behind, so that a marker
// missing from a long text is not looked for from every paragraph.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view lowerMarker)
      : text_(text), marker_(lowerMarker) {}
  std::size_t From(std::size_t from) {
    if (!searched_ || (hit_ != kNone && hit_ < from)) {
      hit_ = FindAnyCase(text_, marker_, from);
      searched_ = true;
    }
    return hit_;
  }

 private:
  std::string_view text_;
  std::string_view marker_;
  bool searched_ = false;
  std::size_t hit_ = kNone;
};

struct Bookmark {
  std::size_t tagAt = 0;
  Attribute name;
};

// The "_Toc" bookmarks of the document by name, the first of each name.
std::unordered_map<std::string, Bookmark> TocBookmarks(
    std::string_view document) {
  std::unordered_map<std::string, Bookmark> bookmarks;
  for (std::size_t at = FindAnyCase(document, "<a"); at != kNone;
       at = FindAnyCase(document, "<a", at + 2)) {
    if (!IsNameAt(document, at + 1, "a")) continue;
    const std::size_t tagEnd = TagEnd(document, at);
    const Attribute name = FindAttribute(document, at, tagEnd, "name");
    const std::string_view value = ValueOf(document, name);
    if (!name.found || value.substr(0, kTocPrefix.size()) != kTocPrefix) {
      continue;
    }
    bookmarks.emplace(std::string(value), Bookmark{at, name});
  }
  return bookmarks;
}

// The level digit of a contents paragraph's start tag, or 0 when the tag
// is no contents paragraph.
char TocLevel(std::string_view document, std::size_t tagAt,
              std::size_t tagEnd) {
  const Attribute klass = FindAttribute(document, tagAt, tagEnd, "class");
  const std::string value = AsciiLower(ValueOf(document, klass));
  if (value.size() != kTocClass.size() + 1 ||
      value.compare(0, kTocClass.size(), kTocClass) != 0) {
    return 0;
  }
  const char level = value.back();
  return level >= '1' && level <= '9' ? level : 0;
}

// The first "<p" tag at or after `from`, or kNone.
std::size_t NextParagraph(std::string_view document, std::size_t from) {
  for (std::size_t at = FindAnyCase(document, "<p", from); at != kNone;
       at = FindAnyCase(document, "<p", at + 2)) {
    if (IsNameAt(document, at + 1, "p")) return at;
  }
  return kNone;
}

// True when the file part of a contents link names the document itself:
// empty, or its name in any letter case, blanks written as "%20" or not.
bool NamesTheDocument(std::string_view file, std::string_view documentName) {
  if (file.empty()) return true;
  return AsciiLower(ReplaceAll(file, "%20", " ")) == AsciiLower(documentName);
}

// The end of the element whose start tag ends at `from`, named
// `lowerName`: just past its matching end tag, elements of the same name
// inside it counted; the end of the text when it is not closed.
std::size_t ElementEnd(std::string_view html, std::size_t from,
                       std::string_view lowerName) {
  std::size_t depth = 1;
  for (std::size_t at = NextTag(html, from); at != kNone;
       at = NextTag(html, at + 1)) {
    if (IsNameAt(html, at + 1, lowerName)) {
      ++depth;
    } else if (at + 1 < html.size() && html[at + 1] == '/' &&
               IsNameAt(html, at + 2, lowerName) && --depth == 0) {
      return TagEnd(html, at);
    }
  }
  return html.size();
}

// What a link's inside shows: comments and the elements styled
// "display:none" dropped (the word processor hides the dotted leader and
// the page number of a contents entry so), then tags dropped and white
// space folded.
std::string VisibleText(std::string_view html) {
  std::string shown;
  std::size_t copied = 0;
  for (std::size_t at = html.find('<'); at != kNone;) {
    if (html.compare(at, 4, "<!--") == 0) {
      shown.append(html, copied, at - copied);
      const std::size_t close = html.find("-->", at + 4);
      copied = close == kNone ? html.size() : close + 3;
      at = html.find('<', copied);
      continue;
    }
    const std::size_t tagEnd = TagEnd(html, at);
    const Attribute style = FindAttribute(html, at, tagEnd, "style");
    std::size_t nameEnd = at + 1;
    while (nameEnd < tagEnd && IsAsciiAlnum(html[nameEnd])) ++nameEnd;
    if (!style.found || nameEnd == at + 1 ||
        !Contains(AsciiLower(ValueOf(html, style)), "display:none")) {
      at = html.find('<', at + 1);
      continue;
    }
    shown.append(html, copied, at - copied);
    copied = ElementEnd(html, tagEnd,
                        AsciiLower(html.substr(at + 1, nameEnd - at - 1)));
    at = html.find('<', copied);
  }
  if (copied < html.size()) shown.append(html, copied, kNone);
  return PlainText(shown);
}

enum class BlockKind { kParagraph, kHeading, kDivision, kTable, kOther };

// The kind of block the tag whose name starts at `at` opens or closes.
BlockKind KindOfTag(std::string_view text, std::size_t at) {
  if (IsNameAt(text, at, "p")) return BlockKind::kParagraph;
  if (IsNameAt(text, at, "div")) return BlockKind::kDivision;
  if (IsNameAt(text, at, "table")) return BlockKind::kTable;
  if (at + 1 < text.size() && (text[at] == 'h' || text[at] == 'H') &&
      text[at + 1] >= '1' && text[at + 1] <= '9' &&
      IsNameAt(text, at, AsciiLower(text.substr(at, 2)))) {
    return BlockKind::kHeading;
  }
  return BlockKind::kOther;
}

// The blocks open at a point of a forward scan of the tags.
class OpenBlocks {
 public:
  void Open(BlockKind kind, std::size_t at) {
    // A paragraph ends where any block starts.
    if (!blocks_.empty() && blocks_.back().kind == BlockKind::kParagraph) {
      Pop();
    }
    if (kind == BlockKind::kTable && count_[Index(kind)] == 0) {
      outermostTable_ = at;
    }
    blocks_.push_back({kind, at});
    ++count_[Index(kind)];
  }
  // Closes the innermost open block of `kind` and every block inside it; an
  // end tag with no block of its kind open is passed over.
  void Close(BlockKind kind) {
    if (count_[Index(kind)] == 0) return;
    while (blocks_.back().kind != kind) Pop();
    Pop();
  }
  // Where the block that holds `at` starts.
  std::size_t StartOfBlockHolding(std::size_t at) const {
    if (count_[Index(BlockKind::kTable)] > 0) return outermostTable_;
    return blocks_.empty() ? at : blocks_.back().at;
  }

 private:
  struct Block {
    BlockKind kind;
    std::size_t at;
  };
  static std::size_t Index(BlockKind kind) {
    return static_cast<std::size_t>(kind);
  }
  void Pop() {
    --count_[Index(blocks_.back().kind)];
    blocks_.pop_back();
  }

  std::vector<Block> blocks_;
  std::size_t count_[4] = {0, 0, 0, 0};
  std::size_t outermostTable_ = 0;
};

}  // namespace

std::vector<OwnContentsEntry> ReadOwnContents(std::string_view document,
                                              std::string_view documentName) {
  std::vector<OwnContentsEntry> entries;
  const std::unordered_map<std::string, Bookmark> bookmarks =
      TocBookmarks(document);
  if (bookmarks.empty()) return entries;
  ForwardFinder paragraphEnds(document, "</p");
  ForwardFinder linkEnds(document, "</a");
  for (std::size_t at = NextParagraph(document, 0); at != kNone;) {
    const std::size_t tagEnd = TagEnd(document, at);
    const std::size_t next = NextParagraph(document, tagEnd);
    const char level = TocLevel(document, at, tagEnd);
    if (level == 0) {
      at = next;
      continue;
    }
    const std::size_t close = paragraphEnds.From(tagEnd);
    const std::string_view paragraph =
        document.substr(0, close < next ? close : next);
    for (std::size_t tag = NextTag(paragraph, tagEnd); tag != kNone;
         tag = NextTag(paragraph, tag + 1)) {
      if (!IsNameAt(paragraph, tag + 1, "a")) continue;
      const std::size_t linkStart = TagEnd(paragraph, tag);
      const Attribute href = FindAttribute(paragraph, tag, linkStart, "href");
      if (!href.found) continue;
      const std::string_view target = ValueOf(paragraph, href);
      const std::size_t hash = target.find('#');
      if (hash == kNone || !NamesTheDocument(target.substr(0, hash),
                                             documentName)) {
        break;
      }
      const auto bookmark =
          bookmarks.find(std::string(target.substr(hash + 1)));
      if (bookmark == bookmarks.end()) break;
      const std::size_t linkEnd = linkEnds.From(linkStart);
      OwnContentsEntry entry;
      entry.level = level;
      entry.text = VisibleText(paragraph.substr(
          linkStart, (linkEnd < paragraph.size() ? linkEnd : paragraph.size()) -
                         linkStart));
      entry.bookmark = bookmark->first;
      entry.bookmarkTagAt = bookmark->second.tagAt;
      entry.nameAt = bookmark->second.name.at;
      entry.nameEnd = bookmark->second.name.end;
      entries.push_back(std::move(entry));
      break;
    }
    at = next;
  }
  return entries;
}

std::vector<std::size_t> CutsBeforeBlocks(
    std::string_view document, const std::vector<std::size_t>& holds,
    std::size_t bodyStart) {
  std::vector<std::size_t> cuts;
  OpenBlocks open;
  std::size_t next = 0;
  auto cutBefore = [&](std::size_t hold) {
    if (hold < bodyStart) return;
    const std::size_t cut = open.StartOfBlockHolding(hold);
    if (cut < bodyStart || (!cuts.empty() && cut <= cuts.back())) return;
    cuts.push_back(cut);
  };
  for (std::size_t at = NextTag(document, 0);
       at != kNone && next < holds.size(); at = NextTag(document, at + 1)) {
    while (next < holds.size() && holds[next] <= at) cutBefore(holds[next++]);
    const bool closes = at + 1 < document.size() && document[at + 1] == '/';
    const BlockKind kind = KindOfTag(document, at + (closes ? 2 : 1));
    if (kind == BlockKind::kOther) continue;
    if (closes) {
      open.Close(kind);
    } else {
      open.Open(kind, at);
    }
  }
  while (next < holds.size()) cutBefore(holds[next++]);
  return cuts;
}

}  // namespace quillery
