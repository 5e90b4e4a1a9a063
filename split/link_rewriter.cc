// In-page link collection and rewriting, anchor pages and contents link
// resolution, each in one scan of its text; see link_rewriter.h.
#include "split/link_rewriter.h"

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

}  // namespace

void AnchorPageTable::CollectLinkTargets(const std::string& text) {
  linkTargets_.clear();
  std::size_t linkAt = FindByLastByte(text, kLinkMarker);
  // A text that begins with the marker holds no link: the scan ends there.
  if (linkAt == 0) linkAt = std::string::npos;
  for (; linkAt != std::string::npos;
       linkAt = FindByLastByte(text, kLinkMarker, linkAt + kLinkRescanOffset)) {
    if (!OpensAnchorTagBefore(text, linkAt)) continue;
    const std::size_t targetAt = linkAt + kLinkMarker.size();
    const std::size_t quote = text.find('"', targetAt);
    if (quote == std::string::npos) {
      linkTargets_.emplace_back();
    } else {
      linkTargets_.push_back(text.substr(targetAt, quote - targetAt));
    }
  }
  anchorPages_.assign(linkTargets_.size(), std::string());
  entries_.clear();
  for (std::size_t i = 0; i < linkTargets_.size(); ++i) {
    entries_[linkTargets_[i]].indexes.push_back(i);
  }
}

void AnchorPageTable::RecordAnchorPage(std::string_view pageSlice,
                                       const std::string& pageFile) {
  if (linkTargets_.empty()) return;
  ++recordCalls_;
  // A target holds no double quote, so the slice holds name="X" for exactly
  // the values X that run from a name=" to the next double quote.
  for (std::size_t nameAt = pageSlice.find(kNameOpen);
       nameAt != std::string_view::npos;
       nameAt = pageSlice.find(kNameOpen, nameAt + 1)) {
    const std::size_t valueAt = nameAt + kNameOpen.size();
    const std::size_t quote = pageSlice.find('"', valueAt);
    if (quote == std::string_view::npos) break;
    nameValue_.assign(pageSlice.data() + valueAt, quote - valueAt);
    auto entry = entries_.find(nameValue_);
    if (entry == entries_.end()) continue;
    // An anchor named twice in one slice is noted once.
    if (entry->second.lastRecordCall == recordCalls_) continue;
    entry->second.lastRecordCall = recordCalls_;
    for (std::size_t index : entry->second.indexes) {
      anchorPages_[index] = pageFile;
    }
  }
}

const std::string& AnchorPageTable::PageOfAnchor(
    const std::string& target) const {
  static const std::string kNoPage;
  auto entry = entries_.find(target);
  if (entry == entries_.end()) return kNoPage;
  return anchorPages_[entry->second.indexes.front()];
}

bool AnchorPageTable::HasLinkTargets() const { return !linkTargets_.empty(); }

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
  std::size_t node = 0;
  while (at < slice.size()) {
    const std::size_t child = ChildOf(node, slice[at]);
    if (child == kNoName) return;
    node = child;
    ++at;
    const std::size_t nameId = nodes_[node].nameId;
    if (nameId == kNoName) continue;
    if (at == slice.size() || !IsNameByte(slice[at])) {
      mentioned_.push_back(nameId);
    }
  }
}

void TocLinkResolver::ResolveTocLinks(std::string_view pageSlice,
                                      const std::string& pageFile) {
  if (names_.empty()) return;
  held_.clear();
  mentioned_.clear();
  for (std::size_t nameAt = pageSlice.find(kNameOpen);
       nameAt != std::string_view::npos;
       nameAt = pageSlice.find(kNameOpen, nameAt + 1)) {
    const std::size_t nameId = NameHeldAt(pageSlice, nameAt + kNameOpen.size());
    if (nameId != kNoName) held_.push_back(nameId);
  }
  // Every anchor name begins with "_Toc", so each of its occurrences starts
  // at one of these.
  for (std::size_t tocAt = pageSlice.find(kTocPrefix);
       tocAt != std::string_view::npos;
       tocAt = pageSlice.find(kTocPrefix, tocAt + 1)) {
    NoteMentionsAt(pageSlice, tocAt);
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
