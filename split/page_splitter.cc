// The page splitter; see page_splitter.h.
#include "split/page_splitter.h"

#include <algorithm>
#include <functional>
#include <future>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "split/annotations.h"
#include "split/charset.h"
#include "split/split_points.h"
#include "text/bytes.h"

namespace quillery {

std::string PageFileName(const std::string& baseName, std::size_t page) {
  return baseName + "_p" + std::to_string(page) + ".htm";
}

PageSplit::PageSplit(SharedText content, std::string baseName,
                     std::int32_t levelsToBreak)
    : charsetTag_(ExtractCharsetTag(content.view())),
      content_(RemoveAnnotationBlocks(std::move(content))),
      baseName_(std::move(baseName)) {
  // The anchor marks and the link targets do not depend on where the pages
  // are cut: a thread of their own finds them while this one finds the
  // cuts, or this one first where no thread can start. What it throws is
  // thrown here, and leaving early waits for it.
  const auto findMarksAndTargets = [this] {
    marks_ = FindAnchorMarks(content_.view());
    // The link targets come from the whole text, head included.
    anchors_.CollectLinkTargets(content_.view());
  };
  std::future<void> marksAndTargets;
  try {
    marksAndTargets = std::async(std::launch::async, findMarksAndTargets);
  } catch (const std::system_error&) {
    findMarksAndTargets();
  }
  PageCuts cuts = FindPageCuts(content_.view(), levelsToBreak);
  if (marksAndTargets.valid()) marksAndTargets.get();
  seams_ = cuts.seams;
  splitPoints_ = std::move(cuts.splitPoints);
  // Every anchor must be placed before any page is re-linked: an anchor on
  // several pages counts for the last of them.
  for (std::size_t page = 0; page < PageCount(); ++page) {
    const Bounds bounds = PageBounds(page);
    anchors_.RecordAnchorPage(content_.view(), marks_, bounds.from, bounds.to,
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
  return content_.view().substr(bounds.from, bounds.to - bounds.from);
}

PageSplit SplitIntoPages(SharedText content, std::string baseName,
                         std::int32_t levelsToBreak) {
  return PageSplit(std::move(content), std::move(baseName), levelsToBreak);
}

namespace {

// The records resolved against the pages from `from` up to `to` alone.
std::vector<TocLink> ResolveAgainstPages(std::vector<TocLink> tocLinks,
                                         const PageSplit& split,
                                         std::size_t from, std::size_t to) {
  TocLinkResolver resolver(std::move(tocLinks));
  for (std::size_t page = from; page < to; ++page) {
    const PageSplit::Bounds bounds = split.PageBounds(page);
    resolver.ResolveTocLinks(split.content(), split.marks(), bounds.from,
                             bounds.to, split.PageFile(page));
  }
  return resolver.TakeTocLinks();
}

bool Changed(const TocLink& resolved, const TocLink& given) {
  return resolved.newTarget != given.newTarget ||
         resolved.fromMention != given.fromMention;
}

// Below this many pages the contents links are located on one thread.
constexpr std::size_t kPagesForTwoHalves = 64;

}  // namespace

std::vector<TocLink> LocateTocLinks(std::vector<TocLink> tocLinks,
                                    const PageSplit& split,
                                    LocatingThreads threads) {
  const std::size_t pageCount = split.PageCount();
  if (threads == LocatingThreads::kOne || pageCount < kPagesForTwoHalves ||
      tocLinks.empty()) {
    return ResolveAgainstPages(std::move(tocLinks), split, 0, pageCount);
  }
  // The earlier and the later half of the pages are offered to two
  // resolvers side by side, each from the records as given. Offered all
  // pages in order, a record ends with the first page that holds its
  // bookmark, else with the first that mentions it, else as given. So each
  // record takes what the earlier half gave it from a holding page, else
  // what the later half gave it from one, else the earlier half's mention,
  // else the later half's.
  const std::size_t half = pageCount / 2;
  std::future<std::vector<TocLink>> laterHalf;
  try {
    laterHalf = std::async(std::launch::async, ResolveAgainstPages, tocLinks,
                           std::cref(split), half, pageCount);
  } catch (const std::system_error&) {
    return ResolveAgainstPages(std::move(tocLinks), split, 0, pageCount);
  }
  std::vector<TocLink> earlier =
      ResolveAgainstPages(tocLinks, split, 0, half);
  std::vector<TocLink> later = laterHalf.get();
  for (std::size_t i = 0; i < tocLinks.size(); ++i) {
    const bool earlierChanged = Changed(earlier[i], tocLinks[i]);
    const bool laterChanged = Changed(later[i], tocLinks[i]);
    if (earlierChanged && !earlier[i].fromMention) {
      tocLinks[i] = std::move(earlier[i]);
    } else if (laterChanged && !later[i].fromMention) {
      tocLinks[i] = std::move(later[i]);
    } else if (earlierChanged) {
      tocLinks[i] = std::move(earlier[i]);
    } else if (laterChanged) {
      tocLinks[i] = std::move(later[i]);
    }
  }
  return tocLinks;
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
