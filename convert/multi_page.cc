// The multi-page conversion; see multi_page.h.
#include "convert/multi_page.h"

#include <future>
#include <memory>
#include <optional>
#include <utility>

#include "convert/writing_threads.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/page_maker.h"
#include "dress/page_navigation.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"
#include "split/charset.h"
#include "split/page_names.h"
#include "split/page_splitter.h"
#include "split/toc_links.h"
#include "text/bytes.h"
#include "text/site_path.h"

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

// A path from the pages' folder as a link writes it: "%", blanks and "#"
// as references, so that a file name holding them still leads to its file.
std::string LinkText(const std::string& path) {
  std::string link;
  link.reserve(path.size());
  for (const char c : path) {
    if (c == '%') {
      link += "%25";
    } else if (c == ' ') {
      link += "%20";
    } else if (c == '#') {
      link += "%23";
    } else {
      link += c;
    }
  }
  return link;
}

// The contents frame text with the header and footer put around its body,
// and the parts it was cut into.
struct DressedContents {
  PageParts parts;
  std::string dressedBody;
  std::string tocFrameText;
};

DressedContents DressContents(const std::string& tocFrameText,
                              const DressingTexts& dressing,
                              const DressingOptions& options,
                              const PageMarkers& outside) {
  DressedContents dressed;
  dressed.parts = SplitPageParts(tocFrameText);
  dressed.dressedBody = AddHeaderAndFooter(
      dressed.parts.body, ExpandPageMarkers(dressing.headerText, outside),
      ExpandPageMarkers(dressing.footerText, outside), options.headerPlacements,
      options.footerPlacements);
  dressed.tocFrameText =
      dressed.parts.head + dressed.dressedBody + dressed.parts.tail;
  return dressed;
}

// The contents links with the pages that hold their targets, and the
// contents as they end up: in every page (naming no frame, as no page
// stands in the frameset), or in the contents frame page, read from its own
// folder. With `framePageToo` (the pages load the contents from a file of
// the site) the contents frame page points into the pages as well: nothing
// of the site then leads to the whole document any more. It is then the
// contents that readers without scripts follow from every page, and with
// pages the main file is no frames page any more: its links name no frame.
struct LocatedContents {
  std::vector<TocLink> tocLinks;
  std::string contentsBody;  // for the pages
  std::string tocFrameText;
};

// The contents frame page with its links pointing into the pages of
// `split` (none when there is no split), read from its own folder, and those
// links. With `framePageToo` and pages it names no frame (LocatedContents).
struct LocatedFramePage {
  std::vector<TocLink> tocLinks;
  std::string text;
};

std::vector<TocLink> Locate(std::vector<TocLink> links, const PageSplit* split,
                            LocatingThreads threads = LocatingThreads::kTwo) {
  return split ? LocateTocLinks(std::move(links), *split, threads) : links;
}

LocatedFramePage LocateFramePage(
    std::string tocFrameText, const PageSplit* split, bool framePageToo,
    const std::string& tocSource,
    LocatingThreads threads = LocatingThreads::kTwo) {
  LocatedFramePage located;
  located.tocLinks = Locate(CollectTocLinks(tocFrameText), split, threads);
  located.text = ApplyTocLinksFrom(tocFrameText, located.tocLinks,
                                   SitePath(tocSource).Folder().text());
  if (framePageToo && split && split->PageCount() > 0) {
    located.text = RemoveFrameTargets(std::move(located.text));
  }
  return located;
}

LocatedContents LocateContents(const DressedContents& dressed,
                               const PageSplit* split, bool pagesCarryContents,
                               bool framePageToo,
                               const std::string& tocSource) {
  LocatedContents located;
  located.contentsBody = dressed.parts.body;
  located.tocFrameText = dressed.tocFrameText;
  if (pagesCarryContents) {
    located.tocLinks = Locate(CollectTocLinks(located.contentsBody), split);
    located.contentsBody = RemoveFrameTargets(
        ApplyTocLinks(located.contentsBody, located.tocLinks));
  }
  if (!pagesCarryContents || framePageToo) {
    LocatedFramePage frame = LocateFramePage(std::move(located.tocFrameText),
                                             split, framePageToo, tocSource);
    located.tocFrameText = std::move(frame.text);
    if (!pagesCarryContents) located.tocLinks = std::move(frame.tocLinks);
  }
  return located;
}

// The files of the split: the stylesheet file (when there are rules), the
// pages, and the frames page pointed at page 0 (when a page was cut).
struct SplitFiles {
  std::optional<FileBytes> stylesheet;
  // The files every page of the shipped template loads (the contents, the
  // search index, its script and styles).
  std::vector<FileBytes> siteFiles;
  // The split's pages, also when it cut none (then nothing of it is
  // planned, but its contents links are located against it).
  std::shared_ptr<const PageMaker> maker;
  std::optional<FileBytes> framesPage;  // when a page was cut
  std::string stylesheetName;  // "" when no stylesheet is written
  std::string firstPage;       // the path of page 0, "" when none
  std::string charsetTag;
};

SplitFiles PlanSplitFiles(PageSplit split, const SiteInputs& site,
                          const DressingTexts& dressing,
                          const DressingOptions& options,
                          const std::string& pageContents,
                          const SiteNavigation& navigation) {
  const SitePath mainFolder = SitePath(site.mainFilePath).Folder();
  SplitFiles files;
  files.charsetTag = split.charsetTag();
  files.maker = std::make_shared<const PageMaker>(
      std::move(split), dressing, options, pageContents, navigation);
  const PageMaker& maker = *files.maker;
  if (!maker.stylesheet().empty()) {
    files.stylesheetName = maker.stylesheetFile();
    files.stylesheet = FileBytes{mainFolder.Join(files.stylesheetName).text(),
                                 maker.stylesheet()};
  }
  for (SiteFile& file : maker.SiteFiles()) {
    files.siteFiles.push_back(
        FileBytes{mainFolder.Join(file.name).text(), std::move(file.bytes)});
  }
  if (maker.split().PageCount() > 0) {
    const std::string firstPageName = maker.split().PageFile(0);
    files.firstPage = mainFolder.Join(firstPageName).text();
    files.framesPage = FileBytes{
        site.mainFilePath,
        PointFramesAt(site.framesText, *site.contentSource, firstPageName)};
  }
  return files;
}

// True when the main file becomes the template filled with the contents
// (TEMPLATETOCFORMAT 0): the contents links are then located before the
// plan is made, as that page needs them.
bool MakesContentsMainPage(const DressingTexts& dressing,
                           const ConversionRequest& request) {
  return !dressing.templateText.empty() && request.USINGTEMPLATE != 0 &&
         request.TEMPLATETOCFORMAT == 0;
}

// What the template makes of the main file: with TEMPLATETOCFORMAT 0 a
// contents page (when the template holds "[QUILLERY]"), with 1 a copy of
// page 0 (when there is one).
struct TemplateMainFile {
  std::optional<std::string> contentsPage;
  bool copyOfFirstPage = false;
};

TemplateMainFile PlanTemplateMainFile(const DressingTexts& dressing,
                                      const ConversionRequest& request,
                                      const PageMarkers& outside,
                                      const DressedContents& dressed,
                                      const LocatedContents& located,
                                      bool pagesCarryContents,
                                      const SplitFiles& split) {
  TemplateMainFile main;
  if (dressing.templateText.empty() || request.USINGTEMPLATE == 0) return main;
  if (MakesContentsMainPage(dressing, request)) {
    // The contents main page is the contents: its template's markers show
    // the document's title and the contents, and nothing else.
    PageMarkers contentsPageMarkers = outside;
    contentsPageMarkers.contents =
        pagesCarryContents ? located.contentsBody
                           : RemoveFrameTargets(ApplyTocLinks(
                                 dressed.parts.body, located.tocLinks));
    main.contentsPage = ContentsMainPage(
        ExpandPageMarkers(dressing.templateText, contentsPageMarkers),
        dressed.dressedBody, located.contentsBody, located.tocLinks,
        split.stylesheetName, split.charsetTag);
  } else if (request.TEMPLATETOCFORMAT == 1 && !split.firstPage.empty()) {
    main.copyOfFirstPage = true;
  }
  return main;
}

// The plan of the split's files and of what becomes of the main file, in
// the order they are defined, and whether the main file still shows the
// contents frame page.
PagedContents AssemblePlan(SplitFiles files,
                           const TemplateMainFile& templateMain,
                           bool pagesCarryContents, const SiteInputs& site) {
  PagedContents paged;
  ConversionPlan& plan = paged.plan;
  if (files.stylesheet) {
    plan.AddBytes(files.stylesheet->path, std::move(files.stylesheet->bytes));
  }
  for (FileBytes& file : files.siteFiles) {
    plan.AddBytes(std::move(file.path), std::move(file.bytes));
  }
  if (files.framesPage) {
    plan.AddPages(std::move(files.maker),
                  SitePath(site.mainFilePath).Folder().text());
    plan.AddBytes(files.framesPage->path, std::move(files.framesPage->bytes));
  }
  if (templateMain.contentsPage) {
    plan.AddBytes(site.mainFilePath, *templateMain.contentsPage);
  }
  if (templateMain.copyOfFirstPage) {
    plan.AddCopy(site.mainFilePath, files.firstPage);
  }
  // Pages that carry the contents make page 0 the best main file; this wins
  // over a contents page planned above.
  const bool pagesMakeMainFile = pagesCarryContents && !files.firstPage.empty();
  if (pagesMakeMainFile) plan.AddCopy(site.mainFilePath, files.firstPage);
  // The bulleted contents in the pages or the main file need the bullet
  // images beside them too.
  const bool mainFileShowsContents = templateMain.contentsPage.has_value();
  if (!files.firstPage.empty() &&
      (pagesCarryContents || mainFileShowsContents)) {
    for (const FileBytes& image : site.pageBulletImages) {
      if (!plan.Plans(image.path)) plan.AddBytes(image.path, image.bytes);
    }
  }
  paged.mainFileShowsTocFrame = !mainFileShowsContents &&
                                !templateMain.copyOfFirstPage &&
                                !pagesMakeMainFile;
  return paged;
}

}  // namespace

PagedContents ConvertToPages(SiteInputs site, std::string tocFrameText,
                             const ConversionRequest& request) {
  DressingTexts dressing = std::move(site.dressing);
  // A site template's pages are read by today's browsers, which draw
  // nothing by the word processor's namespaces: they stay out of every page.
  if (!Contains(dressing.templateText, kSiteHeadMarker)) {
    dressing.templateText =
        PutWordNamespaces(std::move(dressing.templateText));
  }
  const DressingOptions options = DressingOptionsOf(request);

  // Outside the pages, the navigation markers of the header and footer
  // show the document's title and nothing else.
  const SiteNavigation navigation{
      DocumentTitle(
          site.contentSource ? site.contentText.view()
                             : std::string_view(site.framesText),
          StripHtmExtension(PageNameOf(
              site.contentSource ? *site.contentSource : site.mainFilePath))),
      SitePath(site.mainFilePath).Name(),
      LinkText(SitePath(site.tocFramePath)
                   .RelativeFrom(SitePath(site.mainFilePath).Folder()))};
  PageMarkers outside;
  outside.pageTitle = outside.documentTitle = navigation.documentTitle;

  // The whole split is planned before any page is made, so the contents
  // links know their pages before the first page that carries them.
  std::optional<PageSplit> split;
  if (site.contentSource) {
    split = SplitIntoPages(std::move(site.contentText),
                           StripHtmExtension(PageNameOf(*site.contentSource)),
                           request.LEVELSTOBREAK);
  }
  // A template with "[WORDTOC]" or "[CONTENTS]" puts the contents into
  // every page, and one with "[SITEHEAD]" into a file every page loads.
  const bool pagesCarryContents =
      Contains(dressing.templateText, kWordTocMarker) ||
      Contains(dressing.templateText, kContentsMarker) ||
      Contains(dressing.templateText, kSiteHeadMarker);
  // Where neither the pages nor the main file need the contents links,
  // only the contents frame page does: its links are located beside the
  // writing of the pages, against the split the pages are made from.
  const bool locatedBeside =
      !pagesCarryContents && !MakesContentsMainPage(dressing, request);
  DressedContents dressed;
  LocatedContents located;
  if (!locatedBeside) {
    if (request.TOCBULLETS != 0) tocFrameText = AddTocBullets(tocFrameText);
    dressed = DressContents(tocFrameText, dressing, options, outside);
    located = LocateContents(
        dressed, split ? &*split : nullptr, pagesCarryContents,
        Contains(dressing.templateText, kSiteHeadMarker), *site.tocSource);
  }

  SplitFiles files;
  if (split) {
    files = PlanSplitFiles(
        std::move(*split), site, dressing, options,
        pagesCarryContents ? located.contentsBody : std::string(), navigation);
  }
  std::shared_future<std::string> locatedFramePage;
  if (locatedBeside) {
    // Its bullets and its header and footer are put in there too, and its
    // links are located on that one thread: by then the writing keeps every
    // processor busy.
    auto framePage = [maker = files.maker, text = std::move(tocFrameText),
                      bullets = request.TOCBULLETS != 0, dressing, options,
                      outside, tocSource = *site.tocSource]() mutable {
      if (bullets) text = AddTocBullets(text);
      return LocateFramePage(
                 DressContents(text, dressing, options, outside).tocFrameText,
                 maker ? &maker->split() : nullptr,
                 /*framePageToo=*/false, tocSource, LocatingThreads::kOne)
          .text;
    };
    locatedFramePage = MakeBeside(std::move(framePage));
  } else {
    locatedFramePage = MadeNow(std::move(located.tocFrameText));
  }
  const TemplateMainFile templateMain = PlanTemplateMainFile(
      dressing, request, outside, dressed, located, pagesCarryContents, files);

  PagedContents paged =
      AssemblePlan(std::move(files), templateMain, pagesCarryContents, site);
  paged.tocFrameText = std::move(locatedFramePage);
  return paged;
}

}  // namespace quillery
