// The page splitter; see page_splitter.h.
#include "split/page_splitter.h"

#include <algorithm>
#include <future>
#include <stdexcept>
#include <utility>

#include "split/annotations.h"
#include "split/charset.h"
#include "split/split_points.h"
#include "text/bytes.h"

namespace quillery {

std::string PageFileName(const std::string& baseName, std::size_t page) {
  return baseName + "_p" + std::to_string(page) + ".htm";
}

PageSplit::PageSplit(std::string content, std::string baseName,
                     std::int32_t levelsToBreak)
    : charsetTag_(ExtractCharsetTag(content)),
      content_(RemoveAnnotationBlocks(std::move(content))),
      baseName_(std::move(baseName)) {
  // The anchor marks and the link targets do not depend on where the pages
  // are cut: a thread of their own finds them while this one finds the
  // cuts. What it throws is thrown here, and leaving early waits for it.
  std::future<void> marksAndTargets = std::async(std::launch::async, [this] {
    marks_ = FindAnchorMarks(content_);
    // The link targets come from the whole text, head included.
    anchors_.CollectLinkTargets(content_);
  });
  PageCuts cuts = FindPageCuts(content_, levelsToBreak);
  marksAndTargets.get();
  seams_ = cuts.seams;
  splitPoints_ = std::move(cuts.splitPoints);
  // Every anchor must be placed before any page is re-linked: an anchor on
  // several pages counts for the last of them.
  for (std::size_t page = 0; page < PageCount(); ++page) {
    const Bounds bounds = PageBounds(page);
    anchors_.RecordAnchorPage(content_, marks_, bounds.from, bounds.to,
                              PageFile(page));
  }
}

PageSplit::Bounds PageSplit::PageBounds(std::size_t page) const {
  if (page >= PageCount()) throw std::out_of_range("no such page");
  const std::size_t from =
      page == 0 ? seams_.bodyStart : splitPoints_[page - 1];
  const std::size_t to =
      page < splitPoints_.size() ? splitPoints_[page] : seams_.bodyEnd;
  if (to <= from || from >= content_.size()) {
    const std::size_t at = std::min(from, content_.size());
    return Bounds{at, at};
  }
  return Bounds{from, std::min(to, content_.size())};
}

std::string_view PageSplit::Slice(std::size_t page) const {
  const Bounds bounds = PageBounds(page);
  return std::string_view(content_).substr(bounds.from,
                                           bounds.to - bounds.from);
}

PageSplit SplitIntoPages(std::string content, std::string baseName,
                         std::int32_t levelsToBreak) {
  return PageSplit(std::move(content), std::move(baseName), levelsToBreak);
}

std::vector<TocLink> LocateTocLinks(std::vector<TocLink> tocLinks,
                                    const PageSplit& split) {
  TocLinkResolver resolver(std::move(tocLinks));
  for (std::size_t page = 0; page < split.PageCount(); ++page) {
    const PageSplit::Bounds bounds = split.PageBounds(page);
    resolver.ResolveTocLinks(split.content(), split.marks(), bounds.from,
                             bounds.to, split.PageFile(page));
  }
  return resolver.TakeTocLinks();
}

std::string PointFramesAt(const std::string& framesText,
                          const std::string& source,
                          const std::string& firstPageName) {
  const std::string encoded = ReplaceAll(source, " ", "%20");
  const std::string quotedPage = "\"" + firstPageName + "\"";
  const std::string quotedSource = "\"" + encoded + "\"";
  if (Contains(framesText, quotedSource)) {
    return ReplaceAll(framesText, quotedSource, quotedPage);
  }
  return ReplaceAll(framesText, encoded, quotedPage);
}

}  // namespace quillery
