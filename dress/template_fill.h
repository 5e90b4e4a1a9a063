// The page template and the texts that dress every page: loading the header,
// footer and template files once per conversion, preparing the template's
// html start tag, and turning a page slice into the finished page.
//
// Calling order: LoadDressingTexts, PutWordNamespaces on the template text,
// then FillTemplate once per page.
#ifndef QUILLERY_DRESS_TEMPLATE_FILL_H_
#define QUILLERY_DRESS_TEMPLATE_FILL_H_

#include <string>
#include <string_view>

#include "app/settings.h"

namespace quillery {

// Template markers, matched exactly and case-sensitively.
// Replaced by the dressed page text.
constexpr std::string_view kQuilleryMarker = "[QUILLERY]";
// Replaced by the contents text, when the caller has one.
constexpr std::string_view kWordTocMarker = "[WORDTOC]";

// The whole file as bytes, without line-end translation; "" when it cannot
// be opened. Throws FileError when it opens but cannot be read, or holds a
// zero byte (a UTF-16 or binary file would otherwise be cut short).
[[nodiscard]] std::string ReadWholeFile(const std::string& internalPath);

// The body content of an HTML file: from after the ">" of the body start tag
// up to the "<" of the body end tag. "body" is matched in any case; blanks and
// tabs may stand between "<" and "body" or "/body". The text comes back whole
// when the first "body" is not the start tag's (as in a class name such as
// MsoBodyText, or "</body" before the start tag), or a tag is missing.
[[nodiscard]] std::string KeepBodyContent(const std::string& html);

// The three dressing texts of one conversion.
struct DressingTexts {
  std::string headerText;
  std::string footerText;
  std::string templateText;
};

// Fills `texts` from the files the settings name, each path as typed (made
// absolute here): the header file's body content when HEADERFILE is set and
// headerPlacements holds kHeaderTextCode, the footer file's likewise with
// kFooterTextCode, the whole template file when HTMLTEMPLATEFILE is set and
// USINGTEMPLATE is not 0. A text that is not loaded keeps what it held; a
// file that cannot be opened gives "". Throws FileError as ReadWholeFile.
void LoadDressingTexts(const ConversionSettings& settings,
                       DressingTexts& texts);

// The html start tag Word writes, declaring the namespaces of its vector
// graphics and Office markup, followed by a line break.
constexpr std::string_view kWordNamespaceTag =
    "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
    "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
    "xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
    "xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n";
static_assert(kWordNamespaceTag.size() == 189);

// Replaces the first "<html>" of the template (in any case) by
// kWordNamespaceTag, in place. A template without one, such as one whose html
// tag has attributes, gets the tag put in front. An empty template stays empty.
void PutWordNamespaces(std::string& templateText);

// The finished page for the page slice `page`:
//  1. the slice through CleanGraphics(MAXWIDTH, RP) when USEMAXWIDTH is not 0;
//  2. the header above and the footer below it, without break lines
//     (AddHeader, AddFooter with the settings' placement lists);
//  3. with an empty template, that text is the result; otherwise the template
//     with every "[QUILLERY]" replaced by it, or the text itself when the
//     template has no "[QUILLERY]";
//  4. when `contentsText` is given and not empty, and the template (filled,
//     when step 3 filled it) holds "[WORDTOC]", every "[WORDTOC]" in the
//     result is replaced by it, in a second pass over the whole result.
// Each pass replaces left to right and does not search what it put in.
// `contentsText` nullptr: no contents text; the markers stay.
[[nodiscard]] std::string FillTemplate(std::string page,
                                       const std::string& templateText,
                                       const std::string& headerText,
                                       const std::string& footerText,
                                       const std::string* contentsText,
                                       const ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_DRESS_TEMPLATE_FILL_H_
