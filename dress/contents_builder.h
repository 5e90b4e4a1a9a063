// A frames page and its contents frame page made for a plain document, as
// the word processor makes them when it saves a frames page, so that the
// document can be converted like one.
//
// Given "Report.htm" with the headings "<h1>Birds</h1>" and
// "<h2><a name="_Toc7"></a>Gulls</h2>", the contents frame page holds
//   <p class=MsoToc1><a href="Report.htm#_Toc8" target=Frame1>Birds</a></p>
//   <p class=MsoToc2><a href="Report.htm#_Toc7" target=Frame1>Gulls</a></p>
// and the document's first heading becomes
// "<h1><a name="_Toc8"></a>Birds</h1>". A document without such headings
// that has contents of its own (own_contents.h) is listed from them.
#ifndef QUILLERY_DRESS_CONTENTS_BUILDER_H_
#define QUILLERY_DRESS_CONTENTS_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// What the splitter takes for a cut before a block that is no heading: an
// empty element of a level every split level reaches, which shows nothing.
constexpr std::string_view kCutMarker = "<h0></h0>";

struct BuiltFrames {
  // The document with a bookmark in every heading listed, or with the
  // bookmarks and cut markers of its own contents (only the pages made from
  // it carry them; the document itself is not changed).
  std::string document;
  std::string contentsPage;
  std::string framesPage;
  std::size_t headings = 0;      // listed in the contents
  std::size_t newBookmarks = 0;  // made for headings that had none
  std::size_t ownEntries = 0;    // listed from the document's own contents
  // Set when a heading was given a new bookmark but the document has no
  // place where pages are cut at the split level (FindNextSplitPoint, once
  // its annotation blocks are gone): no page would be written, so the new
  // bookmarks would be nowhere. What it has instead:
  bool newBookmarksInNoPage = false;
  // the highest level ('1' to '3') of its headings deeper than the split
  // level and written in lower case, which a split level as deep cuts at,
  // '\0' for none;
  char highestDeeperLevel = '\0';
  // and whether it has headings written in upper case (<H1> to <H3>),
  // which no page is cut at, whatever the split level.
  bool upperCaseHeadings = false;
};

// Lists the headings of level 1 to 3 (<h1> to <h3>, any letter case) of
// `document` in order, each linked to its bookmark: the "_Toc" bookmark it
// holds (written quoted in the document's copy, so that the page holding
// it is found), or a new one, <a name="_TocN"></a> put just inside the
// heading, N a number the document does not use. Link texts are the
// headings' texts with their tags dropped. The contents frame page carries
// the document's charset tag; the frames page shows it in its TOC frame
// (`contentsName`) and the document (`documentName`, blanks written as %20)
// in Frame1, under the document's title.
//
// Without such headings, the entries of the document's own contents
// (ReadOwnContents) are listed instead, each with its level, text and
// bookmark, and the document's copy is marked so that the pages cut at
// `levelsToBreak` start with the bookmark of every entry of that level or
// above: kCutMarker before the block that holds it (CutsBeforeBlocks),
// unless that block is a heading the splitter cuts before anyway, and each
// of those bookmarks written name="X", as the page that holds one is found.
// With neither, the contents list nothing and `document` is as it came.
// New bookmarks in a document that no page is cut from are reported
// (newBookmarksInNoPage), for the document shown then lacks them.
[[nodiscard]] BuiltFrames BuildContentsFrame(std::string document,
                                             const std::string& documentName,
                                             const std::string& contentsName,
                                             std::int32_t levelsToBreak);

}  // namespace quillery

#endif  // QUILLERY_DRESS_CONTENTS_BUILDER_H_
