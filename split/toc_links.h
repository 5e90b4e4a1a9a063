// The links of a contents text: bullet images in front of them, and the
// collection and re-targeting of links to Word's "_Toc" bookmarks.
//
// Word writes one contents paragraph per heading, such as
//   <p class=MsoToc1><span class=MsoHyperlink><a href="doc.htm#_Toc101">
// where the digit after "MsoToc" is the heading level.
#ifndef QUILLERY_SPLIT_TOC_LINKS_H_
#define QUILLERY_SPLIT_TOC_LINKS_H_

#include <string>
#include <string_view>
#include <vector>

#include "split/link_rewriter.h"

namespace quillery {

constexpr std::string_view kTocParagraphMarker = "<p class=MsoToc";
constexpr std::string_view kMainImage = "<img src=\"main10001.gif\">";
constexpr std::string_view kBulletImage = "<img src=\"bullet10001.gif\">";

// Puts an image in front of every "href=" that has a "<" among the 9 bytes
// before it: at the earliest "<" of the run of tags before the link, each "<"
// at most 9 bytes before the next (so "<b><a href=" gets it before "<b>").
// The k-th image is the main image when the paragraph marker last taken has
// the digit 1 after it, the bullet image otherwise; a marker is taken at the
// start and after every image, searching on from the last one taken (and from
// the start of the text again once none is left). Returns the new text.
[[nodiscard]] std::string AddTocBullets(const std::string& text);

// One record per "_Toc" in the text, in text order: `anchorName` runs from
// "_Toc" to the next double quote, `oldTarget` from just after the double
// quote before it (or from "_Toc" when there is none) to that same quote;
// both are empty when no double quote follows.
[[nodiscard]] std::vector<TocLink> CollectTocLinks(const std::string& text);

// Returns the text with its links re-targeted, in one left-to-right pass: at
// each position, among the records whose non-empty `oldTarget` stands there,
// the longest is replaced by its `newTarget` (on equal targets the first
// record in list order decides) and the scan goes on after it. A record whose
// `newTarget` is empty keeps its `oldTarget` in place, so a link whose anchor
// was found on no page still points at the untouched content page. Replaced
// text is never searched again.
[[nodiscard]] std::string ApplyTocLinks(const std::string& text,
                                        const std::vector<TocLink>& tocLinks);

// Returns `text` (the contents frame page) with the page part of every new
// target, the part before its first "#", written relative to the folder of
// the contents frame page: `tocFolder` is that folder from the main file's
// folder, "/" or "\" separated ("" or "." for the main folder itself, where
// the targets come out as they are). A record without a new target keeps its
// old one.
[[nodiscard]] std::string ApplyTocLinksFrom(
    const std::string& text, const std::vector<TocLink>& tocLinks,
    const std::string& tocFolder);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_TOC_LINKS_H_
