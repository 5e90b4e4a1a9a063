// Page making; see page_maker.h.
#include "dress/page_maker.h"

#include <string_view>
#include <utility>

#include "dress/head_body_tail.h"
#include "dress/stylesheet.h"
#include "split/charset.h"

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
      contents_(usesMarkers_ ? contentsText_ : std::string()) {
  if (usesMarkers_) {
    headings_.reserve(split_.PageCount());
    for (std::size_t page = 0; page < split_.PageCount(); ++page) {
      headings_.push_back(FirstHeadingText(split_.Slice(page)));
    }
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

std::string PageMaker::HeadingOf(std::size_t page) const {
  return page < headings_.size() ? headings_[page]
                                 : FirstHeadingText(split_.Slice(page));
}

PageMarkers PageMaker::MarkersFor(std::size_t page) const {
  PageMarkers markers;
  const std::string& title = navigation_.documentTitle;
  const std::string heading = HeadingOf(page);
  markers.documentTitle = title;
  markers.pageTitle = heading.empty() || title.empty()
                          ? (heading.empty() ? title : heading)
                          : heading + " &ndash; " + title;
  auto label = [this](std::size_t other, const char* otherwise) {
    std::string text = HeadingOf(other);
    return text.empty() ? std::string(otherwise) : text;
  };
  if (page > 0) {
    markers.previousPage =
        "<a class=\"q-prev\" href=\"" + split_.PageFile(page - 1) +
        "\" rel=\"prev\">&larr; " + label(page - 1, "Previous") + "</a>";
  }
  if (page + 1 < split_.PageCount()) {
    markers.nextPage = "<a class=\"q-next\" href=\"" +
                       split_.PageFile(page + 1) + "\" rel=\"next\">" +
                       label(page + 1, "Next") + " &rarr;</a>";
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
  markers.contents = contents_.MarkedFor(split_.PageFile(page));
  return markers;
}

std::string PageMaker::MakePage(std::size_t page) const {
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
  std::string file;
  if (!texts_.templateText.empty()) {
    const std::string_view linked =
        stylesheet_.empty() ? std::string_view() : stylesheetFile_;
    file = InsertStylesheetLink(std::move(dressed), linked);
  } else {
    file.reserve(headPart_.size() + dressed.size() + tailPart_.size());
    file.append(headPart_).append(dressed).append(tailPart_);
  }
  return RewritePageLinks(std::move(file), split_.PageFile(page),
                          split_.anchors());
}

}  // namespace quillery
