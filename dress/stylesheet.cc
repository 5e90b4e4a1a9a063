// Stylesheet extraction; see stylesheet.h.
#include "dress/stylesheet.h"

#include <cstddef>
#include <utility>

#include "dress/head_body_tail.h"

namespace quillery {
namespace {

constexpr std::string_view kFontDefinitions = "/* Font Definitions */";
constexpr std::string_view kStyleEnd = "</style>";
constexpr std::string_view kStylesheetPrefix = "<!--\r\n\r\n";
// Word writes "<style>", a line break, "<!--", a line break and a blank
// before its font definitions; a tag that starts further back than this
// window is not taken for theirs, and stays in the page.
constexpr std::size_t kStyleTagWindow = 18;
constexpr std::string_view kStyleTagStart = "<styl";

std::string LinkText(std::string_view stylesheetName) {
  std::string link = "\r\n<link rel=\"StyleSheet\" href=\"";
  link += stylesheetName;
  link += "\">\r\n";
  return link;
}

// The lowest position of the window before `fontDefinitions` at which the
// style tag begins, or `fontDefinitions` itself when it begins at none.
std::size_t StyleTagStart(std::string_view page, std::size_t fontDefinitions) {
  const std::size_t lowest = fontDefinitions >= kStyleTagWindow - 1
                                 ? fontDefinitions - (kStyleTagWindow - 1)
                                 : 0;
  for (std::size_t at = lowest; at <= fontDefinitions; ++at) {
    if (page.compare(at, kStyleTagStart.size(), kStyleTagStart) == 0) return at;
  }
  return fontDefinitions;
}

}  // namespace

StylesheetCut ExtractStylesheet(std::string page,
                                std::string_view stylesheetName) {
  if (page.find("<style>") == std::string::npos ||
      page.find(kStyleEnd) == std::string::npos) {
    return StylesheetCut{std::move(page), std::string()};
  }
  const std::size_t fontDefinitions = page.find(kFontDefinitions);
  if (fontDefinitions == std::string::npos) {
    return StylesheetCut{std::move(page), std::string()};
  }
  const std::size_t styleEnd = page.find(kStyleEnd, fontDefinitions);
  if (styleEnd == std::string::npos) {
    return StylesheetCut{std::move(page), std::string()};
  }

  std::string stylesheet(kStylesheetPrefix);
  stylesheet.append(page, fontDefinitions, styleEnd - fontDefinitions);

  const std::size_t blockStart = StyleTagStart(page, fontDefinitions);
  const std::string link = LinkText(stylesheetName);
  std::string changed;
  changed.reserve(page.size() - (styleEnd + kStyleEnd.size() - blockStart) +
                  link.size());
  changed.append(page, 0, blockStart);
  changed += link;
  changed.append(page, styleEnd + kStyleEnd.size(), std::string::npos);
  return StylesheetCut{std::move(changed), std::move(stylesheet)};
}

std::string StylesheetLinkBlock(std::string_view stylesheetName) {
  std::string block = LinkText(stylesheetName);
  block += kVmlBehaviourStyle;
  return block;
}

std::string InsertStylesheetLink(std::string page,
                                 std::string_view stylesheetName,
                                 VmlRules vmlRules) {
  const std::size_t headClose = FindHeadClose(page);
  if (headClose == std::string::npos) return page;
  if (vmlRules == VmlRules::kLeaveOut) {
    if (!stylesheetName.empty()) {
      page.insert(headClose, LinkText(stylesheetName));
    }
  } else if (stylesheetName.empty()) {
    page.insert(headClose, kVmlBehaviourStyle);
  } else {
    page.insert(headClose, StylesheetLinkBlock(stylesheetName));
  }
  return page;
}

}  // namespace quillery
