// Contents frames for plain documents; see contents_builder.h.
#include "dress/contents_builder.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "dress/own_contents.h"
#include "dress/page_navigation.h"
#include "split/annotations.h"
#include "split/body_seams.h"
#include "split/charset.h"
#include "split/page_names.h"
#include "split/split_points.h"
#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kTocPrefix = "_Toc";

// One heading of the document: where its start tag ends (just after its
// ">"), its level and text, and its bookmark.
struct Heading {
  std::size_t inside = 0;
  char level = '1';
  bool upperCase = false;  // written <H1> to <H3>
  std::string text;
  std::string bookmark;
  bool needsBookmark = false;
  std::size_t bookmarkAt = 0;  // of a bookmark it holds, in the document
  bool bookmarkQuoted = false;
};

// The highest N of any "_TocN" in the text, 0 for none.
std::uint64_t HighestTocNumber(const std::string& text) {
  std::uint64_t highest = 0;
  for (std::size_t at = text.find(kTocPrefix); at != std::string::npos;
       at = text.find(kTocPrefix, at + 1)) {
    std::uint64_t number = 0;
    std::size_t digit = at + kTocPrefix.size();
    // Names longer than 18 digits cannot collide with ours.
    for (std::size_t count = 0;
         digit < text.size() && IsAsciiDigit(text[digit]) && count < 18;
         ++digit, ++count) {
      number = number * 10 + static_cast<std::uint64_t>(text[digit] - '0');
    }
    if (number > highest) highest = number;
  }
  return highest;
}

// The name of the first "_Toc" bookmark of a heading's inside: the value of
// a name= attribute, quoted or not; "" for none. `quoted` tells which.
std::string BookmarkIn(std::string_view inside, std::size_t& valueAt,
                       bool& quoted) {
  const std::string lower = AsciiLower(inside);
  for (std::size_t at = lower.find("name="); at != std::string::npos;
       at = lower.find("name=", at + 1)) {
    std::size_t value = at + 5;
    quoted = value < inside.size() &&
             (inside[value] == '"' || inside[value] == '\'');
    if (quoted) ++value;
    if (inside.compare(value, kTocPrefix.size(), kTocPrefix) != 0) continue;
    std::size_t end = value;
    while (end < inside.size() && inside[end] != '"' && inside[end] != '\'' &&
           inside[end] != ' ' && inside[end] != '>') {
      ++end;
    }
    valueAt = value;
    return std::string(inside.substr(value, end - value));
  }
  return std::string();
}

std::vector<Heading> FindHeadings(const std::string& document) {
  std::vector<Heading> headings;
  // The end tag found last for each level, so that a heading left open
  // does not send every later one searching to the end of the text.
  std::size_t nextClose[4] = {0, 0, 0, 0};
  bool closesLeft[4] = {true, true, true, true};
  // Searched without a lower-case copy: documents may be very long.
  for (std::size_t open = FindAnyCase(document, "<h");
       open != std::string::npos;
       open = FindAnyCase(document, "<h", open + 1)) {
    const std::size_t levelAt = open + 2;
    if (levelAt + 1 >= document.size()) break;
    const char level = document[levelAt];
    const char after = document[levelAt + 1];
    if (level < '1' || level > '3') continue;
    if (after != '>' && !IsHtmlSpace(after)) continue;
    const std::size_t index = static_cast<std::size_t>(level - '0');
    if (!closesLeft[index]) continue;
    if (nextClose[index] <= open) {
      nextClose[index] =
          FindAnyCase(document, "</h" + std::string(1, level), open);
      closesLeft[index] = nextClose[index] != std::string::npos;
      if (!closesLeft[index]) continue;
    }
    const std::size_t close = nextClose[index];
    const std::size_t tagEnd = document.find('>', open);
    if (tagEnd == std::string::npos || tagEnd > close) continue;
    Heading heading;
    heading.inside = tagEnd + 1;
    heading.level = level;
    heading.upperCase = document[open + 1] == 'H';
    const std::string_view inside =
        std::string_view(document).substr(tagEnd + 1, close - tagEnd - 1);
    heading.text = PlainText(inside);
    std::size_t valueAt = 0;
    heading.bookmark = BookmarkIn(inside, valueAt, heading.bookmarkQuoted);
    heading.needsBookmark = heading.bookmark.empty();
    heading.bookmarkAt = heading.inside + valueAt;
    headings.push_back(std::move(heading));
    open = close;
  }
  return headings;
}

// `document` with every unquoted "_Toc" bookmark of the headings quoted and
// the new bookmarks put in, in one pass.
std::string WithBookmarks(const std::string& document,
                          const std::vector<Heading>& headings) {
  std::string changed;
  changed.reserve(document.size() + headings.size() * 32);
  std::size_t copied = 0;
  for (const Heading& heading : headings) {
    if (heading.needsBookmark) {
      changed.append(document, copied, heading.inside - copied);
      changed += "<a name=\"" + heading.bookmark + "\"></a>";
      copied = heading.inside;
      continue;
    }
    if (heading.bookmarkQuoted) continue;
    // Quoted, the bookmark is found as the page that holds it, not as the
    // first page that mentions its name (a table of contents of its own).
    const std::size_t at = heading.bookmarkAt;
    changed.append(document, copied, at - copied);
    changed += '"' + heading.bookmark + '"';
    copied = at + heading.bookmark.size();
  }
  changed.append(document, copied, std::string::npos);
  return changed;
}

// True when WithBookmarks would give the document back as it is: no
// heading gets a new bookmark or has its bookmark quoted.
bool BookmarksChangeNothing(const std::vector<Heading>& headings) {
  for (const Heading& heading : headings) {
    if (heading.needsBookmark || !heading.bookmarkQuoted) return false;
  }
  return true;
}

// One line of the contents frame page.
struct ContentsLine {
  char level = '1';
  const std::string* text = nullptr;
  const std::string* bookmark = nullptr;
};

// The contents frame page listing `lines`, each linked to its bookmark in
// the document `encodedName`.
std::string ContentsPage(const std::string& charsetTag,
                         const std::string& title,
                         const std::string& encodedName,
                         const std::vector<ContentsLine>& lines) {
  std::string contents = "<html>\r\n<head>\r\n" + charsetTag +
                         "\r\n<title>" + title +
                         "</title>\r\n</head>\r\n<body>\r\n";
  std::size_t number = 0;
  for (const ContentsLine& line : lines) {
    ++number;
    contents += "<p class=MsoToc";
    contents += line.level;
    contents += "><a href=\"" + encodedName + "#" + *line.bookmark +
                "\" target=Frame1>" +
                (line.text->empty() ? "Heading " + std::to_string(number)
                                    : *line.text) +
                "</a></p>\r\n";
  }
  contents += "</body>\r\n</html>\r\n";
  return contents;
}

// `document` marked for the pages of its own contents, in one pass: each
// entry's bookmark written name="X", and kCutMarker before the block that
// holds the bookmark of each entry of a level up to `levelsToBreak`.
std::string WithOwnContentsMarks(const std::string& document,
                                 const std::vector<OwnContentsEntry>& entries,
                                 std::int32_t levelsToBreak) {
  struct Edit {
    std::size_t at = 0;
    std::size_t end = 0;
    std::string text;
  };
  std::vector<Edit> edits;
  std::vector<std::size_t> holds;
  std::unordered_set<std::size_t> written;
  for (const OwnContentsEntry& entry : entries) {
    if (entry.level - '0' <= levelsToBreak) {
      holds.push_back(entry.bookmarkTagAt);
    }
    if (!written.insert(entry.nameAt).second) continue;
    std::string plain = "name=\"" + entry.bookmark + "\"";
    if (document.compare(entry.nameAt, entry.nameEnd - entry.nameAt, plain) !=
        0) {
      edits.push_back({entry.nameAt, entry.nameEnd, std::move(plain)});
    }
  }
  std::sort(holds.begin(), holds.end());
  holds.erase(std::unique(holds.begin(), holds.end()), holds.end());
  const std::string_view text(document);
  for (std::size_t cut :
       CutsBeforeBlocks(text, holds, FindBodySeams(text).bodyStart)) {
    // A heading of a split level is cut before as it is.
    if (FindNextSplitPoint(text.substr(cut, 3), 0, levelsToBreak) == 0) {
      continue;
    }
    edits.push_back({cut, cut, std::string(kCutMarker)});
  }
  // A cut lies before the bookmark tag whose name it precedes, so edits
  // never overlap; at one place the cut comes first.
  std::stable_sort(edits.begin(), edits.end(),
                   [](const Edit& a, const Edit& b) { return a.at < b.at; });
  std::string marked;
  marked.reserve(document.size() + edits.size() * kCutMarker.size());
  std::size_t copied = 0;
  for (const Edit& edit : edits) {
    marked.append(document, copied, edit.at - copied);
    marked += edit.text;
    copied = edit.end;
  }
  marked.append(document, copied, std::string::npos);
  return marked;
}

// Notes in `built` that the new bookmarks of `headings` would be in no page
// when the splitter finds no place to cut `document` (as it will be split:
// the bookmarks put in add no heading tag) at `levelsToBreak`.
void NoteNewBookmarksInNoPage(std::string document,
                              const std::vector<Heading>& headings,
                              std::int32_t levelsToBreak, BuiltFrames& built) {
  if (built.newBookmarks == 0) return;
  if (FindNextSplitPoint(RemoveAnnotationBlocks(std::move(document)), 0,
                         levelsToBreak) != std::string::npos) {
    return;
  }
  built.newBookmarksInNoPage = true;
  for (const Heading& heading : headings) {
    if (heading.upperCase) {
      built.upperCaseHeadings = true;
    } else if (heading.level - '0' > levelsToBreak &&
               (built.highestDeeperLevel == '\0' ||
                heading.level < built.highestDeeperLevel)) {
      built.highestDeeperLevel = heading.level;
    }
  }
}

}  // namespace

BuiltFrames BuildContentsFrame(std::string document,
                               const std::string& documentName,
                               const std::string& contentsName,
                               std::int32_t levelsToBreak) {
  BuiltFrames built;
  std::vector<Heading> headings = FindHeadings(document);
  std::uint64_t next = HighestTocNumber(document) + 1;
  for (Heading& heading : headings) {
    if (!heading.needsBookmark) continue;
    heading.bookmark = std::string(kTocPrefix) + std::to_string(next++);
    ++built.newBookmarks;
  }
  built.headings = headings.size();
  std::vector<OwnContentsEntry> ownEntries;
  if (headings.empty()) ownEntries = ReadOwnContents(document, documentName);
  built.ownEntries = ownEntries.size();

  std::vector<ContentsLine> lines;
  lines.reserve(headings.size() + ownEntries.size());
  for (const Heading& heading : headings) {
    lines.push_back({heading.level, &heading.text, &heading.bookmark});
  }
  for (const OwnContentsEntry& entry : ownEntries) {
    lines.push_back({entry.level, &entry.text, &entry.bookmark});
  }
  const std::string title =
      DocumentTitle(document, StripHtmExtension(documentName));
  const std::string encodedName = ReplaceAll(documentName, " ", "%20");
  built.contentsPage =
      ContentsPage(ExtractCharsetTag(document), title, encodedName, lines);
  built.framesPage = "<html>\r\n<head>\r\n<title>" + title +
                     "</title>\r\n</head>\r\n<frameset cols=\"245,*\">\r\n"
                     "<frame name=TOC src=\"" +
                     ReplaceAll(contentsName, " ", "%20") +
                     "\">\r\n<frame name=Frame1 src=\"" + encodedName +
                     "\">\r\n</frameset>\r\n</html>\r\n";
  if (!ownEntries.empty()) {
    built.document = WithOwnContentsMarks(document, ownEntries, levelsToBreak);
    return built;
  }
  // A document whose headings all carry quoted bookmarks is handed over
  // whole: a large one is never held twice.
  if (BookmarksChangeNothing(headings)) {
    built.document = std::move(document);
    return built;
  }
  built.document = WithBookmarks(document, headings);
  NoteNewBookmarksInNoPage(std::move(document), headings, levelsToBreak,
                           built);
  return built;
}

}  // namespace quillery
