// The page template and the texts that dress every page: the body content of
// the header and footer files, the template's html start tag, and turning a
// page slice into the finished page.
//
// Calling order: PutWordNamespaces on the template text once per conversion,
// then FillTemplate once per page.
#ifndef QUILLERY_DRESS_TEMPLATE_FILL_H_
#define QUILLERY_DRESS_TEMPLATE_FILL_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// Template markers, matched exactly and case-sensitively.
// Replaced by the dressed page text.
constexpr std::string_view kQuilleryMarker = "[QUILLERY]";
// Replaced by the contents text, when the caller has one.
constexpr std::string_view kWordTocMarker = "[WORDTOC]";

// The body content of an HTML file: from after the ">" of the body start tag
// up to the "<" of the body end tag. "body" is matched in any case; blanks and
// tabs may stand between "<" and "body" or "/body". The text comes back whole
// when the first "body" is not the start tag's (as in a class name such as
// MsoBodyText, or "</body" before the start tag), or a tag is missing.
[[nodiscard]] std::string KeepBodyContent(const std::string& html);

// The three dressing texts of one conversion: the header and footer files'
// body content and the whole template, each "" when not used; and, for a
// template with the site marker (kSiteHeadMarker), the program's site
// stylesheet and script (site_files.h), read only then.
struct DressingTexts {
  std::string headerText;
  std::string footerText;
  std::string templateText;
  std::string siteStyles = std::string();
  std::string siteScript = std::string();
};

// How every page is dressed besides the texts.
struct DressingOptions {
  // One entry per header or footer wish (codes of header_footer.h).
  std::vector<std::int32_t> headerPlacements;
  std::vector<std::int32_t> footerPlacements;
  // Narrow pictures wider than `maxWidth` and drop their vector copies.
  bool limitImageWidth = false;
  std::int32_t maxWidth = 420;
  // Scale a narrowed picture's height by the same factor.
  bool keepProportions = true;
};

// The html start tag Word writes, declaring the namespaces of its vector
// graphics and Office markup, followed by a line break.
constexpr std::string_view kWordNamespaceTag =
    "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
    "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
    "xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
    "xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n";
static_assert(kWordNamespaceTag.size() == 189);

// The html start tag of a template that gives its pages the document's
// language ("[LANG]", page_navigation.h).
constexpr std::string_view kLanguageHtmlTag = "<html lang=\"[LANG]\">";

// Returns the template with its first "<html>" (in any case) replaced by
// kWordNamespaceTag. A template without one whose first html tag is
// kLanguageHtmlTag gets the namespaces added to that tag, its lang attribute
// first; any other, such as one whose html tag has other attributes, gets
// the tag put in front. An empty template stays empty.
[[nodiscard]] std::string PutWordNamespaces(std::string templateText);

// Returns `text` with every ` target="Frame1"` removed, then every
// ` target=Frame1`: exact bytes, case included, each form in one
// left-to-right pass that does not search again where it cut. A text that
// stands in a page of its own, not in the frameset, must not send its clicks
// to a frame that is not there: the browser would open a new tab of that
// name and drive it from then on. A text without "Frame1" comes back as it
// was, uncopied.
[[nodiscard]] std::string RemoveFrameTargets(std::string text);

// The finished page for the page slice `page`:
//  1. the slice through CleanGraphics when `limitImageWidth` is set;
//  2. the header above and the footer below it, without break lines
//     (AddHeader, AddFooter with the placement lists);
//  3. with an empty template, that text is the result; otherwise the template
//     with every "[QUILLERY]" replaced by it with its frame targets removed
//     (RemoveFrameTargets: the page no longer stands in the frameset), or
//     the text itself, targets kept, when the template has no "[QUILLERY]";
//  4. when `contentsText` is not empty and the template (filled, when step 3
//     filled it) holds "[WORDTOC]", every "[WORDTOC]" in the result is
//     replaced by it, in a second pass over the whole result.
// Each pass replaces left to right and does not search what it put in. An
// empty `contentsText` leaves the "[WORDTOC]" markers in place.
[[nodiscard]] std::string FillTemplate(std::string page,
                                       const DressingTexts& texts,
                                       std::string_view contentsText,
                                       const DressingOptions& options);

}  // namespace quillery

#endif  // QUILLERY_DRESS_TEMPLATE_FILL_H_
