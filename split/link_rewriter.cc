// In-page link collection and rewriting, anchor pages and contents link
// resolution, each in one scan of its text; see link_rewriter.h.
#include "split/link_rewriter.h"

#include <algorithm>
#include <utility>

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kLinkMarker = "href=\"#";
// Collection and rewriting both resume the scan at the double quote of the
// marker just found, whether or not it was a link.
constexpr std::size_t kLinkRescanOffset = 5;
// Word writes in-page links as "<a href=..." with at most a few attributes
// before the href; the "<a" is looked for this many bytes back.
constexpr std::size_t kAnchorTagReach = 49;
constexpr std::string_view kAnchorTagOpen = "<a";
constexpr std::string_view kNameOpen = "name=\"";
constexpr std::string_view kTocPrefix = "_Toc";

// True when "<a" starts at one of the positions linkAt-1 down to
// linkAt-kAnchorTagReach of `text`, but not at position 0. Only the bytes
// before linkAt are read, so `text` may be a text still being built.
bool OpensAnchorTagBefore(std::string_view text, std::size_t linkAt) {
  const std::size_t windowStart =
      linkAt > kAnchorTagReach ? linkAt - kAnchorTagReach : 1;
  if (linkAt <= windowStart) return false;
  return Contains(text.substr(windowStart, linkAt - windowStart),
                  kAnchorTagOpen);
}

bool IsNameByte(char c) { return IsAsciiAlnum(c) || c == '_'; }

// The marks in `marks` of a marker `markerSize` bytes long that lie wholly
// between `from` and `to`.
std::pair<std::vector<std::size_t>::const_iterator,
          std::vector<std::size_t>::const_iterator>
MarksWithin(const std::vector<std::size_t>& marks, std::size_t markerSize,
            std::size_t from, std::size_t to) {
  const auto first = std::lower_bound(marks.begin(), marks.end(), from);
  auto last = first;
  while (last != marks.end() && *last + markerSize <= to) ++last;
  return {first, last};
}

}  // namespace

AnchorMarks FindAnchorMarks(std::string_view text) {
  // Both are looked for by a byte that few others in a page equal: the
  // double quote of name=" and the "_" of "_Toc".
  AnchorMarks marks;
  for (std::size_t at = FindByLastByte(text, kNameOpen);
       at != std::string_view::npos;
       at = FindByLastByte(text, kNameOpen, at + 1)) {
    marks.nameOpens.push_back(at);
  }
  for (std::size_t at = text.find(kTocPrefix); at != std::string_view::npos;
       at = text.find(kTocPrefix, at + 1)) {
    marks.tocNames.push_back(at);
  }
  return marks;
}

void AnchorPageTable::CollectLinkTargets(std::string_view text) {
  targets_ = KeySet();
  linkTargetIds_.clear();
  pageFiles_.clear();
  std::size_t linkAt = FindByLastByte(text, kLinkMarker);
  // A text that begins with the marker holds no link: the scan ends there.
  if (linkAt == 0) linkAt = std::string::npos;
  for (; linkAt != std::string::npos;
       linkAt = FindByLastByte(text, kLinkMarker, linkAt + kLinkRescanOffset)) {
    if (!OpensAnchorTagBefore(text, linkAt)) continue;
    const std::size_t targetAt = linkAt + kLinkMarker.size();
    const std::size_t quote = text.find('"', targetAt);
    if (quote == std::string::npos) {
      nameValue_.clear();
    } else {
      nameValue_.assign(text.substr(targetAt, quote - targetAt));
    }
    linkTargetIds_.push_back(targets_.Insert(nameValue_).first);
  }
  targetPages_.assign(targets_.size(), kNoPage);
}

void AnchorPageTable::RecordAnchorPage(std::string_view pageSlice,
                                       const std::string& pageFile) {
  RecordAnchorPage(pageSlice, FindAnchorMarks(pageSlice), 0, pageSlice.size(),
                   pageFile);
}

void AnchorPageTable::RecordAnchorPage(std::string_view text,
                                       const AnchorMarks& marks,
                                       std::size_t from, std::size_t to,
                                       const std::string& pageFile) {
  if (targets_.empty()) return;
  // Only what lies before the slice's end is read.
  const std::string_view upToEnd = text.substr(0, to);
  std::size_t pageId = kNoPage;
  const auto [first, last] =
      MarksWithin(marks.nameOpens, kNameOpen.size(), from, to);
  // A target holds no double quote, so the slice holds name="X" for exactly
  // the values X that run from a name=" to the next double quote.
  for (auto nameAt = first; nameAt != last; ++nameAt) {
    const std::size_t valueAt = *nameAt + kNameOpen.size();
    const std::size_t quote = upToEnd.find('"', valueAt);
    if (quote == std::string_view::npos) break;
    nameValue_.assign(upToEnd.data() + valueAt, quote - valueAt);
    const std::size_t id = targets_.Find(nameValue_);
    if (id == KeySet::kAbsent) continue;
    if (pageId == kNoPage) {
      pageId = pageFiles_.size();
      pageFiles_.push_back(pageFile);
    }
    targetPages_[id] = pageId;
  }
}

const std::string& AnchorPageTable::PageOfTarget(std::size_t id) const {
  static const std::string kNoPageFile;
  const std::size_t page = id == KeySet::kAbsent ? kNoPage : targetPages_[id];
  return page == kNoPage ? kNoPageFile : pageFiles_[page];
}

const std::string& AnchorPageTable::PageOfAnchor(
    const std::string& target) const {
  return PageOfTarget(targets_.Find(target));
}

bool AnchorPageTable::HasLinkTargets() const {
  return !linkTargetIds_.empty();
}

std::vector<std::string> AnchorPageTable::linkTargets() const {
  std::vector<std::string> targets;
  targets.reserve(linkTargetIds_.size());
  for (const std::size_t id : linkTargetIds_) {
    targets.emplace_back(targets_.At(id));
  }
  return targets;
}

std::vector<std::string> AnchorPageTable::anchorPages() const {
  std::vector<std::string> pages;
  pages.reserve(linkTargetIds_.size());
  for (const std::size_t id : linkTargetIds_) {
    pages.push_back(PageOfTarget(id));
  }
  return pages;
}

std::string RewritePageLinks(std::string page, const std::string& pageFile,
                             const AnchorPageTable& table) {
  if (!table.HasLinkTargets()) return page;
  std::size_t linkAt = FindByLastByte(page, kLinkMarker);
  if (linkAt == 0 || linkAt == std::string::npos) return page;

  // `changed` is the page as rewritten so far: the input up to `copied`, with
  // the links before it re-pointed. Look-backs read it, so they see the page
  // names already inserted.
  std::string changed;
  changed.reserve(page.size() + page.size() / 8);
  std::size_t copied = 0;
  bool repointed = false;
  std::string target;
  for (; linkAt != std::string::npos;
       linkAt = FindByLastByte(page, kLinkMarker, linkAt + kLinkRescanOffset)) {
    if (linkAt >= copied) {
      changed.append(page, copied, linkAt - copied);
      copied = linkAt;
    }
    // Resuming 5 bytes into a re-pointed link can meet a marker made of the
    // last five bytes of its target and the two after it (target "ahref="
    // followed by "\"#b"); that marker starts in bytes already in `changed`.
    const std::size_t changedLinkAt = changed.size() - (copied - linkAt);
    if (!OpensAnchorTagBefore(changed, changedLinkAt)) continue;
    const std::size_t targetAt = linkAt + kLinkMarker.size();
    const std::size_t quote = page.find('"', targetAt);
    if (quote == std::string::npos) continue;
    target.assign(page, targetAt, quote - targetAt);
    const std::string& anchorPage = table.PageOfAnchor(target);
    if (anchorPage.empty() || anchorPage == pageFile) continue;

    const std::size_t hashAt = targetAt - 1;
    changed.append(page, copied, hashAt - copied);
    changed += anchorPage;
    changed += '#';
    changed += target;
    copied = quote;
    repointed = true;
  }
  if (!repointed) return page;
  changed.append(page, copied, std::string::npos);
  return changed;
}

TocLinkResolver::TocLinkResolver(std::vector<TocLink> tocLinks)
    : tocLinks_(std::move(tocLinks)), nodes_(1) {
  for (std::size_t record = 0; record < tocLinks_.size(); ++record) {
    const TocLink& link = tocLinks_[record];
    const std::string& name = link.anchorName;
    if (name.compare(0, kTocPrefix.size(), kTocPrefix) != 0) continue;
    if (name.find('"') != std::string::npos) continue;
    AnchorName& anchor = names_[AddName(name)];
    if (link.newTarget.empty()) {
      anchor.unresolved.push_back(record);
      anchor.replaceable.push_back(record);
    } else if (link.fromMention) {
      anchor.replaceable.push_back(record);
    }
  }
  for (const char byte : kTocPrefix) {
    if (names_.empty()) break;
    tocNode_ = ChildOf(tocNode_, byte);
  }
}

std::size_t TocLinkResolver::AddName(const std::string& name) {
  std::size_t node = 0;
  for (char byte : name) {
    std::size_t child = ChildOf(node, byte);
    if (child == kNoName) {
      child = nodes_.size();
      nodes_[node].children.emplace_back(byte, child);
      nodes_.emplace_back();
    }
    node = child;
  }
  if (nodes_[node].nameId == kNoName) {
    nodes_[node].nameId = names_.size();
    names_.push_back(AnchorName{name, {}, {}});
  }
  return nodes_[node].nameId;
}

std::size_t TocLinkResolver::ChildOf(std::size_t node, char byte) const {
  for (const auto& [childByte, child] : nodes_[node].children) {
    if (childByte == byte) return child;
  }
  return kNoName;
}

std::size_t TocLinkResolver::NameHeldAt(std::string_view slice,
                                        std::size_t valueAt) const {
  std::size_t node = 0;
  std::size_t at = valueAt;
  for (; at < slice.size(); ++at) {
    const std::size_t child = ChildOf(node, slice[at]);
    if (child == kNoName) break;
    node = child;
  }
  // Names hold no double quote, so the walk stops at the closing one.
  if (at >= slice.size() || slice[at] != '"') return kNoName;
  return nodes_[node].nameId;
}

void TocLinkResolver::NoteMentionsAt(std::string_view slice, std::size_t at) {
  // Every name begins with the "_Toc" that stands at `at`: the walk starts
  // at its node.
  std::size_t node = tocNode_;
  at += kTocPrefix.size();
  for (;;) {
    const std::size_t nameId = nodes_[node].nameId;
    const bool atEnd = at == slice.size();
    if (nameId != kNoName && (atEnd || !IsNameByte(slice[at]))) {
      mentioned_.push_back(nameId);
    }
    if (atEnd) return;
    node = ChildOf(node, slice[at]);
    if (node == kNoName) return;
    ++at;
  }
}

void TocLinkResolver::ResolveTocLinks(std::string_view pageSlice,
                                      const std::string& pageFile) {
  ResolveTocLinks(pageSlice, FindAnchorMarks(pageSlice), 0, pageSlice.size(),
                  pageFile);
}

void TocLinkResolver::ResolveTocLinks(std::string_view text,
                                      const AnchorMarks& marks,
                                      std::size_t from, std::size_t to,
                                      const std::string& pageFile) {
  if (names_.empty()) return;
  held_.clear();
  mentioned_.clear();
  // A name or a mention that runs on to the slice's end ends there.
  const std::string_view upToEnd = text.substr(0, to);
  const auto [firstName, lastName] =
      MarksWithin(marks.nameOpens, kNameOpen.size(), from, to);
  for (auto nameAt = firstName; nameAt != lastName; ++nameAt) {
    const std::size_t nameId = NameHeldAt(upToEnd, *nameAt + kNameOpen.size());
    if (nameId != kNoName) held_.push_back(nameId);
  }
  // Every anchor name begins with "_Toc", so each of its occurrences starts
  // at one of these.
  const auto [firstToc, lastToc] =
      MarksWithin(marks.tocNames, kTocPrefix.size(), from, to);
  for (auto tocAt = firstToc; tocAt != lastToc; ++tocAt) {
    NoteMentionsAt(upToEnd, *tocAt);
  }
  // Holding slices first: a name both held and mentioned here is held.
  for (std::size_t nameId : held_) Resolve(nameId, pageFile, /*held=*/true);
  for (std::size_t nameId : mentioned_) {
    Resolve(nameId, pageFile, /*held=*/false);
  }
}

void TocLinkResolver::Resolve(std::size_t nameId, const std::string& pageFile,
                              bool held) {
  AnchorName& anchor = names_[nameId];
  const std::vector<std::size_t>& records =
      held ? anchor.replaceable : anchor.unresolved;
  if (records.empty()) return;
  const std::string newTarget = pageFile + "#" + anchor.name;
  for (std::size_t record : records) {
    tocLinks_[record].newTarget = newTarget;
    tocLinks_[record].fromMention = !held;
  }
  // A holding page is final; a mention leaves the records replaceable by a
  // later holding page.
  anchor.unresolved.clear();
  if (held) anchor.replaceable.clear();
}

}  // namespace quillery
