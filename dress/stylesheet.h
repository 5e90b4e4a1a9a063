// Moving Word's style block out of a page: the rules go to one stylesheet file
// that every page of the document shares, and the page gets a link to it.
#ifndef QUILLERY_DRESS_STYLESHEET_H_
#define QUILLERY_DRESS_STYLESHEET_H_

#include <string>
#include <string_view>

namespace quillery {

// A page with its style block cut out, and the stylesheet file's text.
struct StylesheetCut {
  std::string page;
  std::string stylesheet;
};

// Cuts the style block that holds the first "/* Font Definitions */" (the
// comment with which Word opens its rules) out of `page`. The stylesheet is
// the file's whole text: "<!--\r\n\r\n" followed by the page from
// "/* Font Definitions */" up to the "</style>" after it.
//
// The block removed runs from its "<styl" tag, when that begins at most 17
// bytes before the font definitions (else from the font definitions
// themselves), through that "</style>". In its place stands
// "\r\n<link rel=\"StyleSheet\" href=\"" + stylesheetName + "\">\r\n".
//
// When the page holds no "<style>", no "</style>", no "/* Font Definitions */",
// or no "</style>" after the font definitions, the page comes back as it was
// and the stylesheet is "". Any other style block stays in the page.
[[nodiscard]] StylesheetCut ExtractStylesheet(std::string page,
                                              std::string_view stylesheetName);

// The rules that let a browser draw the vector-graphics markup of Word pages
// made from a template: six lines joined by "\r\n", no line break after the
// last.
constexpr std::string_view kVmlBehaviourStyle =
    "<style>\r\n"
    "v\\:* {behavior:url(#default#VML);}\r\n"
    "o\\:* {behavior:url(#default#VML);}\r\n"
    "w\\:* {behavior:url(#default#VML);}\r\n"
    ".shape {behavior:url(#default#VML);}\r\n"
    "</style>";
static_assert(kVmlBehaviourStyle.size() == 163);

// What goes before the head end tag of a page made from a template: the link
// to the named stylesheet, then kVmlBehaviourStyle.
// "\r\n<link rel=\"StyleSheet\" href=\"" + stylesheetName + "\">\r\n" +
// kVmlBehaviourStyle.
[[nodiscard]] std::string StylesheetLinkBlock(std::string_view stylesheetName);

// Whether a page made from a template gets kVmlBehaviourStyle. Only one
// browser, long out of use, ever read those rules; the pages of a site
// template (one with the site marker) leave them out, as every byte of a
// page is repeated in each of the site's pages.
enum class VmlRules { kInclude, kLeaveOut };

// Returns `page` with StylesheetLinkBlock(stylesheetName) inserted just
// before its head end tag (FindHeadClose); a page without one comes back
// unchanged. An empty name, for a document whose stylesheet file was not
// written, inserts kVmlBehaviourStyle alone: a link to a missing file would
// only fail in the browser. With VmlRules::kLeaveOut, only the link goes in.
[[nodiscard]] std::string InsertStylesheetLink(
    std::string page, std::string_view stylesheetName,
    VmlRules vmlRules = VmlRules::kInclude);

}  // namespace quillery

#endif  // QUILLERY_DRESS_STYLESHEET_H_
