// The multi-page conversion; see multi_page.h.
#include "convert/multi_page.h"

#include <optional>
#include <utility>

#include "convert/site_paths.h"
#include "convert/toc_links.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/page_maker.h"
#include "dress/page_navigation.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"
#include "split/charset.h"
#include "split/page_splitter.h"
#include "split/paths.h"
#include "text/bytes.h"

namespace quillery {
namespace {

DressingOptions DressingOptionsOf(const ConversionRequest& request) {
  DressingOptions options;
  options.headerPlacements = request.headerPlacements;
  options.footerPlacements = request.footerPlacements;
  options.limitImageWidth = request.USEMAXWIDTH != 0;
  options.maxWidth = request.MAXWIDTH;
  options.keepProportions = request.RP != 0;
  return options;
}

// The main file as a contents page made from the template: the dressed
// contents in place of "[QUILLERY]", with its links pointing into the pages
// and naming no frame, as the page stands outside the frameset. Linked to
// `stylesheetName` unless that is "" (no stylesheet was written). Nothing
// when the template has no "[QUILLERY]" (the main file then stays).
std::optional<std::string> ContentsMainPage(
    const std::string& templateText, const std::string& dressedBody,
    const std::string& contentsBody, const std::vector<TocLink>& tocLinks,
    const std::string& stylesheetName, const std::string& charsetTag) {
  std::string page = InsertStylesheetLink(templateText, stylesheetName);
  if (!Contains(page, kQuilleryMarker)) return std::nullopt;
  page = ReplaceAll(page, kQuilleryMarker,
                    RemoveFrameTargets(ApplyTocLinks(dressedBody, tocLinks)));
  if (Contains(templateText, kWordTocMarker) && !contentsBody.empty()) {
    page = ReplaceAll(page, kWordTocMarker, contentsBody);
  }
  return InsertCharsetTag(std::move(page), charsetTag);
}

}  // namespace

PagedContents ConvertToPages(SiteInputs site, std::string tocFrameText,
                             const ConversionRequest& request,
                             ConversionPlan& plan) {
  DressingTexts dressing = std::move(site.dressing);
  dressing.templateText = PutWordNamespaces(std::move(dressing.templateText));
  const DressingOptions options = DressingOptionsOf(request);

  // Outside the pages, the navigation markers of the header and footer
  // show the document's title and nothing else.
  const SiteNavigation navigation{
      DocumentTitle(site.contentSource ? site.contentText : site.framesText,
                    StripHtmExtension(FileNameOf(
                        site.contentSource ? DirectoryOf(site.mainFilePath) +
                                                 "\\" + *site.contentSource
                                           : site.mainFilePath))),
      FileNameOf(site.mainFilePath)};
  PageMarkers outside;
  outside.pageTitle = outside.documentTitle = navigation.documentTitle;

  const PageParts parts = SplitPageParts(tocFrameText);
  const std::string dressedBody = AddHeaderAndFooter(
      parts.body, ExpandPageMarkers(dressing.headerText, outside),
      ExpandPageMarkers(dressing.footerText, outside), options.headerPlacements,
      options.footerPlacements);
  tocFrameText = parts.head + dressedBody + parts.tail;

  // The whole split is planned before any page is made, so the contents
  // links know their pages before the first page that carries them.
  std::optional<PageSplit> split;
  const std::string mainFolder = DirectoryOf(site.mainFilePath);
  if (site.contentSource) {
    const std::string& source = *site.contentSource;
    split = SplitIntoPages(
        std::move(site.contentText),
        StripHtmExtension(FileNameOf(mainFolder + "\\" + source)),
        request.LEVELSTOBREAK);
  }
  auto locate = [&split](std::vector<TocLink> links) {
    return split ? LocateTocLinks(std::move(links), *split) : links;
  };

  // A template with "[WORDTOC]" or "[CONTENTS]" puts the contents into
  // every page, and one with "[SITEHEAD]" into a file every page loads,
  // where they name no frame: no page stands in the frameset.
  const bool pagesCarryContents =
      Contains(dressing.templateText, kWordTocMarker) ||
      Contains(dressing.templateText, kContentsMarker) ||
      Contains(dressing.templateText, kSiteHeadMarker);
  std::string contentsBody = parts.body;
  std::vector<TocLink> tocLinks;
  if (pagesCarryContents) {
    tocLinks = locate(CollectTocLinks(contentsBody));
    contentsBody = RemoveFrameTargets(ApplyTocLinks(contentsBody, tocLinks));
  } else {
    tocLinks = locate(CollectTocLinks(tocFrameText));
    // Read from the contents frame page's own folder.
    tocFrameText = ApplyTocLinksFrom(tocFrameText, tocLinks,
                                     FolderOfPath(*site.tocSource));
  }

  std::string charsetTag;
  std::string firstPage;
  std::string stylesheetName;  // stays "" unless the stylesheet is written
  if (split) {
    charsetTag = split->charsetTag();
    PageMaker maker(std::move(*split), dressing, options,
                    pagesCarryContents ? contentsBody : std::string(),
                    navigation);
    if (!maker.stylesheet().empty()) {
      plan.AddBytes(mainFolder + "\\" + maker.stylesheetFile(),
                    maker.stylesheet());
      stylesheetName = maker.stylesheetFile();
    }
    for (SiteFile& file : maker.SiteFiles()) {
      plan.AddBytes(mainFolder + "\\" + file.name, std::move(file.bytes));
    }
    const std::size_t pages = maker.split().PageCount();
    if (pages > 0) {
      const std::string firstPageName = maker.split().PageFile(0);
      firstPage = mainFolder + "\\" + firstPageName;
      plan.AddPages(std::move(maker), mainFolder);
      plan.AddBytes(
          site.mainFilePath,
          PointFramesAt(site.framesText, *site.contentSource, firstPageName));
    }
  }

  bool mainFileShowsContents = false;
  bool mainFileIsPage0 = false;
  if (!dressing.templateText.empty() && request.USINGTEMPLATE != 0) {
    if (request.TEMPLATETOCFORMAT == 0) {
      // The contents main page is the contents: its template's markers
      // show the document's title and the contents, and nothing else.
      PageMarkers contentsPageMarkers = outside;
      contentsPageMarkers.contents =
          pagesCarryContents
              ? contentsBody
              : RemoveFrameTargets(ApplyTocLinks(parts.body, tocLinks));
      std::optional<std::string> contentsPage = ContentsMainPage(
          ExpandPageMarkers(dressing.templateText, contentsPageMarkers),
          dressedBody, contentsBody, tocLinks, stylesheetName, charsetTag);
      if (contentsPage) plan.AddBytes(site.mainFilePath, *contentsPage);
      mainFileShowsContents = contentsPage.has_value();
    } else if (request.TEMPLATETOCFORMAT == 1 && !firstPage.empty()) {
      plan.AddCopy(site.mainFilePath, firstPage);
      mainFileIsPage0 = true;
    }
  }
  // Pages that carry the contents make page 0 the best main file; this wins
  // over a contents page planned above.
  if (pagesCarryContents && !firstPage.empty()) {
    plan.AddCopy(site.mainFilePath, firstPage);
    mainFileIsPage0 = true;
  }
  // The bulleted contents in the pages or the main file need the bullet
  // images beside them too.
  if (!firstPage.empty() && (pagesCarryContents || mainFileShowsContents)) {
    for (const FileBytes& image : site.pageBulletImages) {
      if (!plan.Plans(image.path)) plan.AddBytes(image.path, image.bytes);
    }
  }
  return PagedContents{std::move(tocFrameText),
                       !mainFileShowsContents && !mainFileIsPage0};
}

}  // namespace quillery
