// Page making; see page_maker.h.
#include "dress/page_maker.h"

#include <algorithm>
#include <future>
#include <map>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "dress/head_body_tail.h"
#include "dress/stylesheet.h"
#include "split/charset.h"
#include "text/bytes.h"

namespace quillery {

PageMaker::PageMaker(PageSplit split, DressingTexts texts,
                     DressingOptions options, std::string contentsText,
                     SiteNavigation navigation)
    : split_(std::move(split)),
      texts_(std::move(texts)),
      options_(std::move(options)),
      contentsText_(std::move(contentsText)),
      stylesheetFile_(split_.baseName() + ".css"),
      navigation_(std::move(navigation)),
      usesMarkers_(HoldsPageMarkers(texts_.templateText) ||
                   HoldsPageMarkers(texts_.headerText) ||
                   HoldsPageMarkers(texts_.footerText)),
      usesContents_(Contains(texts_.templateText, kContentsMarker) ||
                    Contains(texts_.headerText, kContentsMarker) ||
                    Contains(texts_.footerText, kContentsMarker)),
      usesSite_(Contains(texts_.templateText, kSiteHeadMarker)),
      layout_(ByteLayoutOf(split_.charsetTag())),
      siteNames_(split_.baseName()),
      contents_(usesContents_ ? contentsText_ : std::string()) {
  if (usesMarkers_) {
    headings_.reserve(split_.PageCount());
    for (std::size_t page = 0; page < split_.PageCount(); ++page) {
      headings_.push_back(FirstHeadingLabel(split_.Slice(page), layout_));
    }
    LabelPagesWithoutHeadingFromContents();
    language_ = DocumentLanguage(split_.content());
    navigation_.documentTitle = CleanLabel(navigation_.documentTitle, layout_);
  }
  // Templated pages lose the content's head, and with it the declaration of
  // its character set: the template carries it instead.
  texts_.templateText =
      InsertCharsetTag(std::move(texts_.templateText), split_.charsetTag());
  StylesheetCut cut = ExtractStylesheet(
      HeadPart(split_.content(), split_.seams()), stylesheetFile_);
  headPart_ = std::move(cut.page);
  stylesheet_ = std::move(cut.stylesheet);
  tailPart_ = TailPart(split_.content(), split_.seams());
}

void PageMaker::LabelPagesWithoutHeadingFromContents() {
  // A document cut at the paragraphs its own contents lead to has pages
  // that begin without a heading: their contents entry names them.
  std::map<std::string, std::string> firstLabel;
  for (ContentsEntry& entry :
       ContentsEntries(contentsText_, split_.baseName(), layout_)) {
    firstLabel.emplace(entry.href.substr(0, entry.href.find('#')),
                       std::move(entry.label));
  }
  for (std::size_t page = 0; page < headings_.size(); ++page) {
    if (!headings_[page].empty()) continue;
    auto label = firstLabel.find(split_.PageFile(page));
    if (label != firstLabel.end()) headings_[page] = label->second;
  }
}

std::string PageMaker::HeadingOf(std::size_t page) const {
  return page < headings_.size()
             ? headings_[page]
             : FirstHeadingLabel(split_.Slice(page), layout_);
}

std::string PageMaker::LabelOf(std::size_t page) const {
  std::string heading = HeadingOf(page);
  return heading.empty() ? "Page " + std::to_string(page) : heading;
}

PageMarkers PageMaker::MarkersFor(std::size_t page) const {
  PageMarkers markers;
  const std::string& title = navigation_.documentTitle;
  const std::string heading = LabelOf(page);
  markers.documentTitle = title;
  markers.pageTitle = title.empty() ? heading : heading + " &ndash; " + title;
  std::string previousFile;
  std::string nextFile;
  if (page > 0) {
    previousFile = split_.PageFile(page - 1);
    markers.previousPage = "<a class=\"q-prev\" href=\"" + previousFile +
                           "\" rel=\"prev\">&larr; " + LabelOf(page - 1) +
                           "</a>";
  }
  if (page + 1 < split_.PageCount()) {
    nextFile = split_.PageFile(page + 1);
    markers.nextPage = "<a class=\"q-next\" href=\"" + nextFile +
                       "\" rel=\"next\">" + LabelOf(page + 1) + " &rarr;</a>";
  }
  // The start page may be the frames page: it opens in the whole window,
  // not inside the frame that shows this page.
  if (!navigation_.startPage.empty()) {
    markers.startPage = "<a class=\"q-start\" href=\"" + navigation_.startPage +
                        "\" rel=\"start\" target=\"_top\">Start</a>";
  }
  markers.pageNavigation = "<nav class=\"q-pages\" aria-label=\"Pages\">" +
                           markers.previousPage + " " + markers.startPage +
                           " " + markers.nextPage + "</nav>";
  if (usesContents_)
    markers.contents = contents_.MarkedFor(split_.PageFile(page));
  markers.language = language_;
  if (usesSite_) {
    markers.siteHead =
        SiteHead(siteNames_, split_.PageFile(page), previousFile, nextFile);
    markers.siteContents = SiteContentsLink(navigation_.contentsPage);
  }
  return markers;
}

std::vector<SiteFile> PageMaker::SiteFiles() const {
  if (!usesSite_) return {};
  SiteSources sources;
  sources.baseName = split_.baseName();
  sources.layout = layout_;
  sources.contentsList =
      ContentsList(ContentsEntries(contentsText_, split_.baseName(), layout_));
  sources.styles = texts_.siteStyles;
  sources.script = texts_.siteScript;
  // The pages are indexed a block at a time: the search texts of a block's
  // later half are made on a thread of their own while this one makes and
  // indexes its first half, and they go into the index in page order. Only
  // one block's texts wait at a time, so the index is the one large thing
  // held. What the thread throws is thrown here, and leaving early waits
  // for it; where no thread can start, this one makes them all.
  constexpr std::size_t kIndexBlock = 1024;
  const std::size_t pageCount = split_.PageCount();
  SearchIndexScript index;
  for (std::size_t start = 0; start < pageCount; start += kIndexBlock) {
    const std::size_t end = std::min(start + kIndexBlock, pageCount);
    const std::size_t laterHalf = start + (end - start) / 2;
    const auto makeLaterTexts = [this, laterHalf, end] {
      std::vector<std::string> texts;
      texts.reserve(end - laterHalf);
      for (std::size_t page = laterHalf; page < end; ++page) {
        texts.push_back(SearchText(split_.Slice(page), layout_));
      }
      return texts;
    };
    std::future<std::vector<std::string>> laterTexts;
    try {
      laterTexts = std::async(std::launch::async, makeLaterTexts);
    } catch (const std::system_error&) {
      // Made below, after the first half.
    }
    for (std::size_t page = start; page < laterHalf; ++page) {
      index.Add(IndexedPage{split_.PageFile(page), LabelOf(page),
                            SearchText(split_.Slice(page), layout_)});
    }
    std::vector<std::string> texts =
        laterTexts.valid() ? laterTexts.get() : makeLaterTexts();
    for (std::size_t page = laterHalf; page < end; ++page) {
      index.Add(IndexedPage{split_.PageFile(page), LabelOf(page),
                            std::move(texts[page - laterHalf])});
    }
  }
  return MakeSiteFiles(sources, index.Finish());
}

std::string PageMaker::MakePage(std::size_t page) const {
  std::string file;
  if (texts_.templateText.empty() && !usesMarkers_ &&
      !options_.limitImageWidth && texts_.headerText.empty() &&
      texts_.footerText.empty()) {
    // Nothing dresses the page: its part of the document goes between the
    // head and the tail as it stands, copied once.
    const std::string_view slice = split_.Slice(page);
    file.reserve(headPart_.size() + slice.size() + tailPart_.size());
    file.append(headPart_).append(slice).append(tailPart_);
    return RewritePageLinks(std::move(file), split_.PageFile(page),
                            split_.anchors());
  }
  std::string dressed;
  if (usesMarkers_) {
    const PageMarkers markers = MarkersFor(page);
    const DressingTexts texts{ExpandPageMarkers(texts_.headerText, markers),
                              ExpandPageMarkers(texts_.footerText, markers),
                              ExpandPageMarkers(texts_.templateText, markers)};
    dressed = FillTemplate(std::string(split_.Slice(page)), texts,
                           contentsText_, options_);
  } else {
    dressed = FillTemplate(std::string(split_.Slice(page)), texts_,
                           contentsText_, options_);
  }
  if (!texts_.templateText.empty()) {
    const std::string_view linked =
        stylesheet_.empty() ? std::string_view() : stylesheetFile_;
    file = InsertStylesheetLink(
        std::move(dressed), linked,
        usesSite_ ? VmlRules::kLeaveOut : VmlRules::kInclude);
  } else {
    file.reserve(headPart_.size() + dressed.size() + tailPart_.size());
    file.append(headPart_).append(dressed).append(tailPart_);
  }
  return RewritePageLinks(std::move(file), split_.PageFile(page),
                          split_.anchors());
}

}  // namespace quillery
