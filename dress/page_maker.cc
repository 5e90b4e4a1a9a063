// Page making; see page_maker.h.
#include "dress/page_maker.h"

#include <utility>

#include "dress/head_body_tail.h"
#include "dress/stylesheet.h"
#include "split/charset.h"

namespace quillery {

PageMaker::PageMaker(PageSplit split, DressingTexts texts,
                     DressingOptions options, std::string contentsText)
    : split_(std::move(split)),
      texts_(std::move(texts)),
      options_(std::move(options)),
      contentsText_(std::move(contentsText)),
      stylesheetFile_(split_.baseName() + ".css") {
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

std::string PageMaker::MakePage(std::size_t page) const {
  std::string dressed = FillTemplate(std::string(split_.Slice(page)), texts_,
                                     contentsText_, options_);
  std::string file;
  if (!texts_.templateText.empty()) {
    file = InsertStylesheetLink(std::move(dressed), stylesheetFile_);
  } else {
    file.reserve(headPart_.size() + dressed.size() + tailPart_.size());
    file.append(headPart_).append(dressed).append(tailPart_);
  }
  return RewritePageLinks(std::move(file), split_.PageFile(page),
                          split_.anchors());
}

}  // namespace quillery
