// The page splitter: cuts the content page of a frames page into numbered
// pages at its headings, notes which page holds each in-page link's anchor
// and each contents link's bookmark, and points the frames page at the first
// page. It plans the split only; the pages are dressed and written by others.
//
// With LEVELSTOBREAK 1 and a content page Report.htm holding a preface and
// three <h1 headings, the pages are Report_p0.htm (the preface) to
// Report_p3.htm, each but the first beginning with its heading.
#ifndef QUILLERY_SPLIT_PAGE_SPLITTER_H_
#define QUILLERY_SPLIT_PAGE_SPLITTER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "split/body_seams.h"
#include "split/link_rewriter.h"
#include "text/shared_text.h"

namespace quillery {

// The file name of page `page` of a document whose base name is `baseName`:
// baseName + "_p" + page + ".htm".
[[nodiscard]] std::string PageFileName(const std::string& baseName,
                                       std::size_t page);

// A content page cut into pages. Page 0 runs from the body start to the
// first split point, page k from split point k-1 to split point k, and the
// last page from the last split point to the body end; a page whose end lies
// before its start is empty. Without a split point there are no pages.
class PageSplit {
 public:
  // Takes the charset tag of the content text as read, then removes its
  // annotation blocks and finds the split points of `levelsToBreak` in what
  // is left (FindNextSplitPoint, searched from the start of the text, head
  // included).
  PageSplit(SharedText content, std::string baseName,
            std::int32_t levelsToBreak);

  [[nodiscard]] std::size_t PageCount() const {
    return splitPoints_.empty() ? 0 : splitPoints_.size() + 1;
  }
  // The bytes of page `page` of the content, before any dressing. Throws
  // std::out_of_range unless `page` is below PageCount().
  [[nodiscard]] std::string_view Slice(std::size_t page) const;
  // Where Slice(page) lies in content(): from `from` up to `to`, an empty
  // slice as from == to. Throws std::out_of_range as Slice does.
  struct Bounds {
    std::size_t from = 0;
    std::size_t to = 0;
  };
  [[nodiscard]] Bounds PageBounds(std::size_t page) const;
  [[nodiscard]] std::string PageFile(std::size_t page) const {
    return PageFileName(baseName_, page);
  }

  // The tag declaring the content's character set (ExtractCharsetTag), "" for
  // none.
  [[nodiscard]] const std::string& charsetTag() const { return charsetTag_; }
  // The content text without its annotation blocks, and its body seams.
  [[nodiscard]] std::string_view content() const { return content_.view(); }
  [[nodiscard]] const BodySeams& seams() const { return seams_; }
  // False once the content's bytes, or those it was made from, changed
  // since they were read (SharedText::Unchanged).
  [[nodiscard]] bool ContentUnchanged() const { return content_.Unchanged(); }
  [[nodiscard]] const std::string& baseName() const { return baseName_; }
  // Where the content names anchors and mentions contents bookmarks.
  [[nodiscard]] const AnchorMarks& marks() const { return marks_; }
  // The in-page link targets of the whole content and, for each, the last
  // page whose slice holds its anchor.
  [[nodiscard]] const AnchorPageTable& anchors() const { return anchors_; }

 private:
  std::string charsetTag_;
  SharedText content_;
  std::string baseName_;
  BodySeams seams_;
  std::vector<std::size_t> splitPoints_;
  AnchorMarks marks_;
  AnchorPageTable anchors_;
};

// The split of a content text, as read, into pages named after `baseName`.
[[nodiscard]] PageSplit SplitIntoPages(SharedText content, std::string baseName,
                                       std::int32_t levelsToBreak);
[[nodiscard]] inline PageSplit SplitIntoPages(std::string content,
                                              std::string baseName,
                                              std::int32_t levelsToBreak) {
  return SplitIntoPages(SharedText(std::move(content)), std::move(baseName),
                        levelsToBreak);
}

// How many threads locate the contents links: two halves of the pages side
// by side, or one thread for a caller that runs beside other work already
// (and so would only hold both halves' records at once for nothing).
enum class LocatingThreads { kTwo, kOne };

// Gives every contents link the page that holds its bookmark, offering the
// slices of `split` in page order (TocLinkResolver); the first page that
// holds a bookmark wins. Without pages the records come back as they went in.
[[nodiscard]] std::vector<TocLink> LocateTocLinks(
    std::vector<TocLink> tocLinks, const PageSplit& split,
    LocatingThreads threads = LocatingThreads::kTwo);

// The frames text with its Frame1 source `source` (as found, "%20" decoded)
// pointing at `firstPageName`: every quoted occurrence of the source written
// with "%20" for its blanks becomes the quoted page name; only when there is
// none does every bare occurrence become it. The page name is not encoded.
[[nodiscard]] std::string PointFramesAt(const std::string& framesText,
                                        const std::string& source,
                                        const std::string& firstPageName);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_PAGE_SPLITTER_H_
