// Contents frames for plain documents; see contents_builder.h.
#include "dress/contents_builder.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "dress/page_navigation.h"
#include "split/charset.h"
#include "split/paths.h"
#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kTocPrefix = "_Toc";

// One heading of the document: where its start tag ends (just after its
// ">"), its level and text, and its bookmark.
struct Heading {
  std::size_t inside = 0;
  char level = '1';
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

}  // namespace

BuiltFrames BuildContentsFrame(std::string document,
                               const std::string& documentName,
                               const std::string& contentsName) {
  BuiltFrames built;
  std::vector<Heading> headings = FindHeadings(document);
  std::uint64_t next = HighestTocNumber(document) + 1;
  for (Heading& heading : headings) {
    if (!heading.needsBookmark) continue;
    heading.bookmark = std::string(kTocPrefix) + std::to_string(next++);
    ++built.newBookmarks;
  }
  built.headings = headings.size();

  const std::string title =
      DocumentTitle(document, StripHtmExtension(documentName));
  const std::string encodedName = ReplaceAll(documentName, " ", "%20");
  std::string contents = "<html>\r\n<head>\r\n" + ExtractCharsetTag(document) +
                         "\r\n<title>" + title +
                         "</title>\r\n</head>\r\n<body>\r\n";
  std::size_t number = 0;
  for (const Heading& heading : headings) {
    ++number;
    contents += "<p class=MsoToc";
    contents += heading.level;
    contents += "><a href=\"" + encodedName + "#" + heading.bookmark +
                "\" target=Frame1>" +
                (heading.text.empty() ? "Heading " + std::to_string(number)
                                      : heading.text) +
                "</a></p>\r\n";
  }
  contents += "</body>\r\n</html>\r\n";
  built.contentsPage = std::move(contents);

  built.framesPage = "<html>\r\n<head>\r\n<title>" + title +
                     "</title>\r\n</head>\r\n<frameset cols=\"245,*\">\r\n"
                     "<frame name=TOC src=\"" +
                     ReplaceAll(contentsName, " ", "%20") +
                     "\">\r\n<frame name=Frame1 src=\"" + encodedName +
                     "\">\r\n</frameset>\r\n</html>\r\n";
  built.document = WithBookmarks(document, headings);
  return built;
}

}  // namespace quillery
