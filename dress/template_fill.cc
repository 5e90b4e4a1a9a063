// Dressing texts and the page template; see template_fill.h.
#include "dress/template_fill.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "dress/graphics_cleanup.h"
#include "dress/header_footer.h"
#include "platform/file_io.h"
#include "text/bytes.h"

namespace quillery {
namespace {

bool HasCode(const std::vector<std::int32_t>& placements, std::int32_t code) {
  return std::find(placements.begin(), placements.end(), code) !=
         placements.end();
}

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

std::string ReadWholeFile(const std::string& internalPath) {
  return ReadOptionalFile(internalPath);
}

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

void LoadDressingTexts(const ConversionSettings& settings,
                       DressingTexts& texts) {
  if (!settings.HEADERFILE.empty() &&
      HasCode(settings.headerPlacements, kHeaderTextCode)) {
    texts.headerText =
        KeepBodyContent(ReadWholeFile(InternalPath(settings.HEADERFILE)));
  }
  if (!settings.FOOTERFILE.empty() &&
      HasCode(settings.footerPlacements, kFooterTextCode)) {
    texts.footerText =
        KeepBodyContent(ReadWholeFile(InternalPath(settings.FOOTERFILE)));
  }
  if (!settings.HTMLTEMPLATEFILE.empty() && settings.USINGTEMPLATE != 0) {
    texts.templateText = ReadWholeFile(InternalPath(settings.HTMLTEMPLATEFILE));
  }
}

void PutWordNamespaces(std::string& templateText) {
  if (templateText.empty()) return;
  constexpr std::string_view kHtmlTag = "<html>";
  const std::size_t htmlTag = AsciiLower(templateText).find(kHtmlTag);
  if (htmlTag == std::string::npos) {
    templateText.insert(0, kWordNamespaceTag);
  } else {
    templateText.replace(htmlTag, kHtmlTag.size(), kWordNamespaceTag);
  }
}

std::string FillTemplate(std::string page, const std::string& templateText,
                         const std::string& headerText,
                         const std::string& footerText,
                         const std::string* contentsText,
                         const ConversionSettings& settings) {
  // Pictures of the header and footer are never narrowed: they join after.
  if (settings.USEMAXWIDTH != 0) {
    page = CleanGraphics(std::move(page), settings.MAXWIDTH, settings.RP);
  }
  page = AddHeader(std::move(page), headerText, /*breakLines=*/0,
                   settings.headerPlacements);
  page = AddFooter(std::move(page), footerText, /*breakLines=*/0,
                   settings.footerPlacements);
  if (templateText.empty()) return page;

  const bool filled = Contains(templateText, kQuilleryMarker);
  std::string result = filled ? ReplaceAll(templateText, kQuilleryMarker, page)
                              : std::move(page);
  const std::string& looked = filled ? result : templateText;
  if (contentsText != nullptr && !contentsText->empty() &&
      Contains(looked, kWordTocMarker)) {
    result = ReplaceAll(result, kWordTocMarker, *contentsText);
  }
  return result;
}

}  // namespace quillery
