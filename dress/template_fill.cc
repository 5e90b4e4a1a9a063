// Dressing texts and the page template; see template_fill.h.
#include "dress/template_fill.h"

#include <cstddef>
#include <utility>

#include "dress/graphics_cleanup.h"
#include "dress/header_footer.h"
#include "text/bytes.h"

namespace quillery {
namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// The position of the "<" that opens the tag whose name starts at `name`,
// when only blanks and tabs stand between them; npos otherwise.
std::size_t TagOpenBefore(std::string_view text, std::size_t name) {
  std::size_t at = name;
  while (at > 0 && IsBlankOrTab(text[at - 1])) --at;
  if (at == 0 || text[at - 1] != '<') return std::string::npos;
  return at - 1;
}

}  // namespace

std::string KeepBodyContent(const std::string& html) {
  const std::string lower = AsciiLower(html);
  const std::size_t bodyName = lower.find("body");
  if (bodyName == std::string::npos || bodyName == 0) return html;
  if (TagOpenBefore(html, bodyName) == std::string::npos) return html;
  const std::size_t startTagEnd = lower.find('>', bodyName);
  if (startTagEnd == std::string::npos) return html;

  const std::size_t endName = lower.find("/body");
  if (endName == std::string::npos || endName == 0) return html;
  const std::size_t endTag = TagOpenBefore(html, endName);
  if (endTag == std::string::npos) return html;
  return Slice(html, startTagEnd + 1, endTag);
}

std::string PutWordNamespaces(std::string templateText) {
  if (templateText.empty()) return templateText;
  constexpr std::string_view kHtmlTag = "<html>";
  const std::string lower = AsciiLower(templateText);
  const std::size_t htmlTag = lower.find(kHtmlTag);
  const std::size_t languageTag = lower.find("<html");
  if (htmlTag == std::string::npos && languageTag != std::string::npos &&
      templateText.compare(languageTag, kLanguageHtmlTag.size(),
                           kLanguageHtmlTag) == 0) {
    // "<html" + " lang=..." + the namespace tag's attributes.
    templateText.replace(
        languageTag, kLanguageHtmlTag.size(),
        std::string(kLanguageHtmlTag.substr(0, kLanguageHtmlTag.size() - 1))
            .append(kWordNamespaceTag.substr(5)));
  } else if (htmlTag == std::string::npos) {
    templateText.insert(0, kWordNamespaceTag);
  } else {
    templateText.replace(htmlTag, kHtmlTag.size(), kWordNamespaceTag);
  }
  return templateText;
}

std::string RemoveFrameTargets(std::string text) {
  // Pages seldom name the frame at all; the name's rarer first byte makes
  // this check much cheaper than the passes that search for the blank.
  if (text.find("Frame1") == std::string::npos) return text;
  return ReplaceAll(ReplaceAll(text, " target=\"Frame1\"", ""),
                    " target=Frame1", "");
}

std::string FillTemplate(std::string page, const DressingTexts& texts,
                         std::string_view contentsText,
                         const DressingOptions& options) {
  // Pictures of the header and footer are never narrowed: they join after.
  if (options.limitImageWidth) {
    page = CleanGraphics(std::move(page), options.maxWidth,
                         options.keepProportions);
  }
  page = AddHeader(std::move(page), texts.headerText, /*breakLines=*/0,
                   options.headerPlacements);
  page = AddFooter(std::move(page), texts.footerText, /*breakLines=*/0,
                   options.footerPlacements);
  const std::string& templateText = texts.templateText;
  if (templateText.empty()) return page;

  const bool filled = Contains(templateText, kQuilleryMarker);
  std::string result = filled ? ReplaceAll(templateText, kQuilleryMarker,
                                           RemoveFrameTargets(std::move(page)))
                              : std::move(page);
  const std::string& looked = filled ? result : templateText;
  if (!contentsText.empty() && Contains(looked, kWordTocMarker)) {
    result = ReplaceAll(result, kWordTocMarker, contentsText);
  }
  return result;
}

}  // namespace quillery
