// The finished bytes of every page of a split document: its slice dressed by
// FillTemplate, put into the content page's own head and tail when there is
// no template, and its in-page links pointing at the pages that hold their
// anchors. Pages are made one at a time, on demand, so that a large document
// never has all its pages in memory.
#ifndef QUILLERY_DRESS_PAGE_MAKER_H_
#define QUILLERY_DRESS_PAGE_MAKER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "dress/page_navigation.h"
#include "dress/site_files.h"
#include "dress/template_fill.h"
#include "split/page_splitter.h"

namespace quillery {

// What the navigation markers of every page share.
struct SiteNavigation {
  std::string documentTitle;
  std::string startPage;  // the main file's name, as pages link to it
  // The contents frame page from the pages' folder, for readers of a page
  // that loads the contents with a script when scripts do not run.
  std::string contentsPage;
};

class PageMaker {
 public:
  // `texts.templateText` is the template as prepared for the conversion
  // (PutWordNamespaces), "" for none; the pages get it with the content's
  // charset tag inserted. `contentsText` goes in place of "[WORDTOC]" ("" for
  // none). The content's head gives up its Word style block to the
  // stylesheet file, named after the pages' base name.
  // The navigation markers (page_navigation.h) in the template, header or
  // footer are expanded for each page; without them the pages are made as
  // if they did not exist.
  PageMaker(PageSplit split, DressingTexts texts, DressingOptions options,
            std::string contentsText, SiteNavigation navigation = {});

  [[nodiscard]] const PageSplit& split() const { return split_; }

  // The stylesheet file's name and text; the text is "" when the content's
  // head holds no Word style block (then no file is written, and no page
  // links to the name).
  [[nodiscard]] const std::string& stylesheetFile() const {
    return stylesheetFile_;
  }
  [[nodiscard]] const std::string& stylesheet() const { return stylesheet_; }

  // The whole file of page `page`:
  // - with a template, FillTemplate of its slice with the stylesheet link
  //   block put before the head end tag (InsertStylesheetLink), the link
  //   left out when there is no stylesheet;
  // - without one, the content's head part (the style block replaced by a
  //   link to the stylesheet file), FillTemplate of its slice, and the
  //   content's tail part;
  // then with every in-page link re-pointed (RewritePageLinks), in the head
  // and tail parts, template, header and footer as well.
  [[nodiscard]] std::string MakePage(std::size_t page) const;

  // What the navigation markers of page `page` expand to, whether or not the
  // dressing texts use them; the contents only when they do use
  // "[CONTENTS]", as each page's copy costs the whole contents. Like
  // MakePage, throws std::out_of_range unless `page` is below the split's
  // PageCount().
  [[nodiscard]] PageMarkers MarkersFor(std::size_t page) const;

  // The files the pages share (MakeSiteFiles), when the template holds the
  // site marker; none otherwise. The contents are `contentsText`, and the
  // search index holds every page's SearchText under its label.
  [[nodiscard]] std::vector<SiteFile> SiteFiles() const;

 private:
  // The label of the page's first heading (FirstHeadingLabel), or of its
  // contents entry, or "Page N" when it has neither: kept when the markers
  // are used, else found now.
  [[nodiscard]] std::string HeadingOf(std::size_t page) const;
  // Gives a page whose first heading has no text the label of the first
  // contents entry that leads into it, when there is one.
  void LabelPagesWithoutHeadingFromContents();
  [[nodiscard]] std::string LabelOf(std::size_t page) const;
  PageSplit split_;
  DressingTexts texts_;
  DressingOptions options_;
  std::string contentsText_;
  std::string headPart_;
  std::string tailPart_;
  std::string stylesheetFile_;
  std::string stylesheet_;
  SiteNavigation navigation_;
  bool usesMarkers_ = false;
  bool usesContents_ = false;
  bool usesSite_ = false;
  ByteLayout layout_ = ByteLayout::kSingleByte;
  SiteFileNames siteNames_;
  std::string language_;
  std::vector<std::string> headings_;  // the first heading of each page
  ContentsMarker contents_;
};

}  // namespace quillery

#endif  // QUILLERY_DRESS_PAGE_MAKER_H_
