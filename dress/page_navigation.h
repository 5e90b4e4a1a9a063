// Markers a template (and the header and footer) may hold to show where a
// page stands in the document, expanded page by page:
//
//   [PAGETITLE]  the page's first heading, tags dropped, and the document's
//                title: "Methods &ndash; Field notes"
//   [DOCTITLE]   the document's title: the content page's <title>
//   [PREVPAGE]   <a class="q-prev" href="R_p2.htm" rel="prev">&larr; ...</a>
//   [NEXTPAGE]   <a class="q-next" href="R_p4.htm" rel="next">... &rarr;</a>
//   [STARTPAGE]  <a class="q-start" href="Report.htm" rel="start"
//                target="_top">Start</a>, in the whole window
//   [PAGENAV]    the three in <nav class="q-pages" aria-label="Pages">
//   [CONTENTS]   the contents, as [WORDTOC] gives them, with every link into
//                this page marked aria-current="page"
//   [LANG]       the document's language, from its body's lang attribute:
//                "en-US" for lang=EN-US; "en" when it names none
//   [SITEHEAD]   for the head: <link rel="prev">, <link rel="next"> and the
//                site's stylesheet and scripts (site_files.h); a template
//                that holds it makes the run write those files
//   [SITECONTENTS]  a plain link to the site's contents page, which the
//                site's script replaces with the contents, the entries of
//                this page marked and scrolled into view
//
// A marker with nothing to show (no previous page, or a marker outside the
// pages) expands to "". Text without any of them comes back unchanged.
#ifndef QUILLERY_DRESS_PAGE_NAVIGATION_H_
#define QUILLERY_DRESS_PAGE_NAVIGATION_H_

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// The contents marker; a template that holds it puts the contents into every
// page, as one that holds "[WORDTOC]" does.
constexpr std::string_view kContentsMarker = "[CONTENTS]";
// The site marker: a template that holds it loads the contents from one file
// of the site, searches the site and moves with the keyboard.
constexpr std::string_view kSiteHeadMarker = "[SITEHEAD]";

// What the markers of one page expand to.
struct PageMarkers {
  std::string pageTitle;
  std::string documentTitle;
  std::string previousPage;
  std::string nextPage;
  std::string startPage;
  std::string pageNavigation;
  std::string contents;
  std::string language;
  std::string siteHead;
  std::string siteContents;
};

// True when `text` holds any of the markers.
[[nodiscard]] bool HoldsPageMarkers(std::string_view text);

// Every marker of `text` replaced in one left-to-right pass; what is put in
// is not searched again.
[[nodiscard]] std::string ExpandPageMarkers(std::string_view text,
                                            const PageMarkers& markers);

// The text of an element with its tags dropped and its white space (blanks,
// tabs, line ends) folded into single blanks, trimmed.
[[nodiscard]] std::string PlainText(std::string_view html);

// How a page's character set lays out its characters in bytes, as far as
// the chrome's texts need to know: UTF-8; a double-byte set (Shift_JIS, Big5,
// GBK, GB2312, GB18030), whose second bytes may look like "\" or 0xA0; or
// one byte per character (every other, and none named).
enum class ByteLayout { kSingleByte, kUtf8, kDoubleByte };
[[nodiscard]] ByteLayout ByteLayoutOf(std::string_view charsetTag);

// The number of bytes of the character at `at`: 2 for the first byte of a
// pair in a double-byte set (0x81 to 0xFE) with a byte after it, else 1.
[[nodiscard]] std::size_t CharacterLength(std::string_view text, std::size_t at,
                                          ByteLayout layout);

// The length of the non-breaking space that begins at `at`, 0 for none:
// "&nbsp;", "&#160;" or "&#xa0;" (any case), or its raw bytes, 0xA0 in a
// single-byte set and 0xC2 0xA0 in UTF-8.
[[nodiscard]] std::size_t NonBreakingSpaceAt(std::string_view text,
                                             std::size_t at, ByteLayout layout);

// Where the text resumes after markup at `open` that readers never see: a
// comment (the word processor keeps field codes and data there) or a span
// styled "display:none" or "mso-hide:all" (its contents' hidden page
// numbers), spans inside it included; npos when the markup at `open` is
// none of these. A comment or span cut off by the end runs to the end.
[[nodiscard]] std::size_t EndOfHiddenMarkup(std::string_view html,
                                            std::size_t open);

// A label for the pages' chrome (titles, previous and next links, contents
// entries) from a heading's markup: PlainText without hidden markup
// (EndOfHiddenMarkup), with every run of blanks and non-breaking spaces,
// which the word processor pads numbered headings with, folded into one
// blank too. The page text itself keeps them.
//   CleanLabel("6.&nbsp;&nbsp;&nbsp; <b>Terms</b>", kSingleByte) == "6. Terms"
[[nodiscard]] std::string CleanLabel(std::string_view html, ByteLayout layout);

// The document's title: the text of the first <title> element (in any
// letter case), or `fallback` when there is none or it is empty.
[[nodiscard]] std::string DocumentTitle(std::string_view page,
                                        std::string_view fallback);

// The text of the first heading element (<h1> to <h9>, any letter case) of a
// page slice; "" when it has none.
[[nodiscard]] std::string FirstHeadingText(std::string_view slice);
// The same as a label (CleanLabel).
[[nodiscard]] std::string FirstHeadingLabel(std::string_view slice,
                                            ByteLayout layout);

// The contents, and where a link into each page begins: marks the links
// into one page at a time without searching the contents again.
class ContentsMarker {
 public:
  explicit ContentsMarker(std::string contents);
  // The contents with ` aria-current="page"` put into every "<a" tag whose
  // href names `pageFile` (the part before "#").
  [[nodiscard]] std::string MarkedFor(const std::string& pageFile) const;

 private:
  std::string contents_;
  std::map<std::string, std::vector<std::size_t>> linksInto_;
};

}  // namespace quillery

#endif  // QUILLERY_DRESS_PAGE_NAVIGATION_H_
