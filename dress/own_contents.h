// The contents a document carries of its own, as the word processor writes
// them: one paragraph of class "MsoToc1" to "MsoToc9" per entry, the digit
// its level, linking to a "_Toc" bookmark of the document:
//   <p class=MsoToc2><a href="#_Toc12">Gulls<span style='display:none'>
//   . . . 3</span></a></p>   ...   <h4><a name="_Toc12"></a>Gulls</h4>
// and where to cut the document so that each entry starts a page.
#ifndef QUILLERY_DRESS_OWN_CONTENTS_H_
#define QUILLERY_DRESS_OWN_CONTENTS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

struct OwnContentsEntry {
  char level = '1';
  // What the link shows: its tags, comments and the elements styled
  // "display:none" (the page numbers and their leaders) dropped.
  std::string text;
  std::string bookmark;  // the "_Toc" name
  // Where the bookmark's "<a" tag starts, and its name attribute: from the
  // attribute's name to the end of its value, quotes included.
  std::size_t bookmarkTagAt = 0;
  std::size_t nameAt = 0;
  std::size_t nameEnd = 0;
};

// The entries of the document's own contents, in document order. A
// paragraph counts when its start tag is "<p" with the class MsoToc1 to
// MsoToc9 (tag, attribute and class in any letter case, the value quoted or
// not), and the first link of the paragraph outside comments has the target
// "#X" or "<documentName>#X" (the name compared in any letter case, "%20"
// read as a blank), where X begins with "_Toc" and is the name= of an "<a"
// tag of the document (the first of that name). Paragraphs whose link leads
// elsewhere or whose bookmark is missing are passed over. A paragraph ends
// at its "</p" or at the next "<p" tag, whichever comes first.
[[nodiscard]] std::vector<OwnContentsEntry> ReadOwnContents(
    std::string_view document, std::string_view documentName);

// Where the document is cut so that a page starts with each of the
// positions `holds` (ascending): before the block that holds it, which is
// the outermost table around it, else the innermost paragraph, heading or
// division, else the position itself. Blocks are found from their tags
// (any letter case; comments skipped); an open paragraph ends where a
// paragraph, heading, division or table starts. Positions before
// `bodyStart` get no cut, and a cut at or before the one before it is left
// out: the cuts come back ascending, each one once.
[[nodiscard]] std::vector<std::size_t> CutsBeforeBlocks(
    std::string_view document, const std::vector<std::size_t>& holds,
    std::size_t bodyStart);

}  // namespace quillery

#endif  // QUILLERY_DRESS_OWN_CONTENTS_H_
