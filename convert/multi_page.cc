// The multi-page conversion; see multi_page.h.
#include "convert/multi_page.h"

#include "convert/toc_links.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"
#include "dress/toc_prelocate.h"
#include "platform/file_io.h"
#include "split/charset.h"
#include "split/page_splitter.h"
#include "split/paths.h"
#include "text/bytes.h"

namespace quillery {
namespace {

// What the split leaves for the main file.
struct SplitOutcome {
  std::string firstPage;  // path of page 0, "" when nothing was split
  std::string charsetTag;
  std::string stylesheetName;
};

// The main file as a contents page made from the template: the dressed
// contents in place of "[QUILLERY]", with its links pointing into the pages.
// A template without "[QUILLERY]" leaves the main file as it is.
void WriteContentsMainPage(const std::string& mainFilePath,
                           const std::string& templateText,
                           const std::string& dressedBody,
                           const std::string& contentsBody,
                           const SplitOutcome& split,
                           const ConversionSettings& settings) {
  std::string page = templateText;
  InsertStylesheetLink(
      page, split.stylesheetName.empty()
                ? StripHtmExtension(FileNameOf(mainFilePath)) + ".css"
                : split.stylesheetName);
  std::string body = dressedBody;
  ApplyTocLinks(body, settings.tocLinks);
  if (!Contains(page, kQuilleryMarker)) return;
  page = ReplaceAll(page, kQuilleryMarker, body);
  if (Contains(templateText, kWordTocMarker) && !contentsBody.empty()) {
    page = ReplaceAll(page, kWordTocMarker, contentsBody);
  }
  if (!split.charsetTag.empty()) InsertCharsetTag(page, split.charsetTag);
  WriteFileAtomically(mainFilePath, page);
}

}  // namespace

void ConvertToPages(const std::string& mainFilePath,
                    const std::string& framesText, std::string& tocFrameText,
                    ConversionSettings& settings) {
  DressingTexts dressing;
  LoadDressingTexts(settings, dressing);
  PutWordNamespaces(dressing.templateText);

  const PageParts parts = SplitPageParts(tocFrameText);
  const std::string dressedBody = AddHeaderAndFooter(
      parts.body, dressing.headerText, dressing.footerText, settings);
  tocFrameText = parts.head + dressedBody + parts.tail;

  // A template with "[WORDTOC]" puts the contents into every page, so their
  // links must point into the pages before the first one is written.
  const bool pagesCarryContents =
      Contains(dressing.templateText, kWordTocMarker);
  std::string contentsBody = parts.body;
  SplitOutcome split;
  if (pagesCarryContents) {
    CollectTocLinks(contentsBody, settings.tocLinks);
    LocateTocLinks(mainFilePath, framesText, settings);
    ApplyTocLinks(contentsBody, settings.tocLinks);
    split.firstPage =
        SplitIntoPages(mainFilePath, framesText, dressing, &contentsBody,
                       split.charsetTag, split.stylesheetName, settings);
  } else {
    CollectTocLinks(tocFrameText, settings.tocLinks);
    split.firstPage =
        SplitIntoPages(mainFilePath, framesText, dressing, nullptr,
                       split.charsetTag, split.stylesheetName, settings);
    ApplyTocLinks(tocFrameText, settings.tocLinks);
  }

  if (!dressing.templateText.empty() && settings.USINGTEMPLATE != 0) {
    if (settings.TEMPLATETOCFORMAT == 0) {
      WriteContentsMainPage(mainFilePath, dressing.templateText, dressedBody,
                            contentsBody, split, settings);
    } else if (settings.TEMPLATETOCFORMAT == 1 && !split.firstPage.empty()) {
      CopyFileAtomically(split.firstPage, mainFilePath);
    }
  }
  // Pages that carry the contents make page 0 the best main file; this wins
  // over a contents page written above.
  if (pagesCarryContents && !split.firstPage.empty()) {
    CopyFileAtomically(split.firstPage, mainFilePath);
  }
}

}  // namespace quillery
