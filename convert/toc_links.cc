// Bullets and contents links; see toc_links.h.
#include "convert/toc_links.h"

#include <algorithm>
#include <cstdint>
#include <deque>

namespace quillery {
namespace {

constexpr std::string_view kLinkAttribute = "href=";
constexpr std::string_view kTocBookmark = "_Toc";
// A "<" belongs to the run of tags before a link when it stands at most this
// many bytes before the link (or before the next "<" of the run).
constexpr std::size_t kTagRunReach = 9;
// The level digit follows the paragraph marker directly.
constexpr std::size_t kLevelDigitOffset = kTocParagraphMarker.size();

// Where the images go, in original text positions, and where the paragraph
// markers stand in the text as it grows. Images only ever go in at the same
// or later positions, so both are sorted.
class BulletPlan {
 public:
  explicit BulletPlan(const std::string& text) : text_(text) {
    for (std::size_t p = text.find(kTocParagraphMarker); p != std::string::npos;
         p = text.find(kTocParagraphMarker, p + kTocParagraphMarker.size())) {
      markers_.push_back(p);
    }
    insertedBefore_.push_back(0);
    TakeMarker(0);
  }

  // The last image's position: the run of tags before a later link cannot
  // reach past it, because an image has no "<" near its end.
  std::size_t Barrier() const {
    return positions_.empty() ? 0 : positions_.back();
  }

  // Puts the image that the current marker asks for at `at` and takes the
  // next marker.
  void Insert(std::size_t at) {
    std::string_view image = level1_ ? kMainImage : kBulletImage;
    positions_.push_back(at);
    images_.push_back(image);
    insertedBefore_.push_back(insertedBefore_.back() + image.size());
    TakeMarker(nextMarkerFrom_);
  }

  std::string Apply() const {
    std::string result;
    result.reserve(text_.size() + insertedBefore_.back());
    std::size_t done = 0;
    for (std::size_t i = 0; i < positions_.size(); ++i) {
      result.append(text_, done, positions_[i] - done);
      result.append(images_[i]);
      done = positions_[i];
    }
    result.append(text_, done, std::string::npos);
    return result;
  }

 private:
  // Where an original position stands in the text with the images so far.
  std::size_t GrownPosition(std::size_t original) const {
    std::size_t before = static_cast<std::size_t>(
        std::upper_bound(positions_.begin(), positions_.end(), original) -
        positions_.begin());
    return original + insertedBefore_[before];
  }

  // Takes the first marker at or after `from` in the grown text. The search
  // position is kept in grown-text terms on purpose: an image put in before
  // the last marker taken moves that marker past it, so it is taken again.
  void TakeMarker(std::size_t from) {
    level1_ = false;
    auto found = std::partition_point(
        markers_.begin(), markers_.end(),
        [&](std::size_t marker) { return GrownPosition(marker) < from; });
    if (found == markers_.end()) {
      nextMarkerFrom_ = 0;  // none left: start again from the top
      return;
    }
    std::size_t digit = *found + kLevelDigitOffset;
    level1_ = digit < text_.size() && text_[digit] == '1';
    nextMarkerFrom_ = GrownPosition(*found) + 1;
  }

  const std::string& text_;
  std::vector<std::size_t> markers_;
  std::vector<std::size_t> positions_;
  std::vector<std::string_view> images_;
  std::vector<std::size_t> insertedBefore_;  // image bytes before image i
  bool level1_ = false;
  std::size_t nextMarkerFrom_ = 0;
};

// Finds, for every position of a text, the longest of a set of patterns that
// starts there. Patterns are matched on the reversed text with a trie of the
// reversed patterns and failure links, so the whole text is read once.
class LongestMatchFinder {
 public:
  static constexpr std::int32_t kNone = -1;

  // `patterns[i]` is pattern i; an empty or repeated pattern is skipped (the
  // first of equal patterns keeps its number).
  explicit LongestMatchFinder(const std::vector<std::string_view>& patterns) {
    nodes_.emplace_back();
    for (std::size_t i = 0; i < patterns.size(); ++i) {
      if (!patterns[i].empty()) Add(patterns[i], static_cast<std::int32_t>(i));
    }
    LinkFailures();
  }

  // Element i is the number of the longest pattern starting at position i,
  // or kNone.
  std::vector<std::int32_t> MatchesAt(std::string_view text) const {
    std::vector<std::int32_t> matches(text.size(), kNone);
    std::int32_t state = 0;
    for (std::size_t i = text.size(); i-- > 0;) {
      unsigned char byte = static_cast<unsigned char>(text[i]);
      for (;;) {
        std::int32_t next = Child(state, byte);
        if (next != kNone) {
          state = next;
          break;
        }
        if (state == 0) break;
        state = nodes_[Index(state)].failure;
      }
      matches[i] = nodes_[Index(state)].longest;
    }
    return matches;
  }

 private:
  struct Node {
    std::int32_t firstChild = kNone;
    std::int32_t nextSibling = kNone;
    std::int32_t failure = 0;
    std::int32_t pattern = kNone;  // the pattern that ends here
    std::int32_t longest = kNone;  // the longest pattern ending here
    unsigned char byte = 0;
  };

  static std::size_t Index(std::int32_t node) {
    return static_cast<std::size_t>(node);
  }

  std::int32_t Child(std::int32_t node, unsigned char byte) const {
    for (std::int32_t child = nodes_[Index(node)].firstChild; child != kNone;
         child = nodes_[Index(child)].nextSibling) {
      if (nodes_[Index(child)].byte == byte) return child;
    }
    return kNone;
  }

  void Add(std::string_view pattern, std::int32_t number) {
    std::int32_t node = 0;
    for (std::size_t i = pattern.size(); i-- > 0;) {
      unsigned char byte = static_cast<unsigned char>(pattern[i]);
      std::int32_t child = Child(node, byte);
      if (child == kNone) {
        child = static_cast<std::int32_t>(nodes_.size());
        Node added;
        added.byte = byte;
        added.nextSibling = nodes_[Index(node)].firstChild;
        nodes_.push_back(added);
        nodes_[Index(node)].firstChild = child;
      }
      node = child;
    }
    if (nodes_[Index(node)].pattern == kNone) {
      nodes_[Index(node)].pattern = number;
    }
  }

  // Breadth first, so a node's failure target (which is shallower) is done.
  void LinkFailures() {
    std::deque<std::int32_t> queue;
    for (std::int32_t child = nodes_[0].firstChild; child != kNone;
         child = nodes_[Index(child)].nextSibling) {
      Node& node = nodes_[Index(child)];
      node.failure = 0;
      node.longest = node.pattern;
      queue.push_back(child);
    }
    while (!queue.empty()) {
      std::int32_t parent = queue.front();
      queue.pop_front();
      for (std::int32_t child = nodes_[Index(parent)].firstChild;
           child != kNone; child = nodes_[Index(child)].nextSibling) {
        unsigned char byte = nodes_[Index(child)].byte;
        std::int32_t failure = nodes_[Index(parent)].failure;
        std::int32_t target = Child(failure, byte);
        while (target == kNone && failure != 0) {
          failure = nodes_[Index(failure)].failure;
          target = Child(failure, byte);
        }
        Node& node = nodes_[Index(child)];
        node.failure = target == kNone ? 0 : target;
        node.longest = node.pattern != kNone
                           ? node.pattern
                           : nodes_[Index(node.failure)].longest;
        queue.push_back(child);
      }
    }
  }

  std::vector<Node> nodes_;
};

}  // namespace

void AddTocBullets(std::string& text) {
  BulletPlan plan(text);
  // The run of tags before a link starts at the earliest "<" reachable from
  // the last "<" before it in steps of at most kTagRunReach bytes; it is
  // carried along as the text is read, so no run is walked twice.
  std::size_t lastTagOpen = std::string::npos;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      bool joinsRun =
          lastTagOpen != std::string::npos && i - lastTagOpen <= kTagRunReach;
      if (!joinsRun) runStart = i;
      lastTagOpen = i;
      continue;
    }
    if (text.compare(i, kLinkAttribute.size(), kLinkAttribute) != 0) continue;
    if (lastTagOpen == std::string::npos || i - lastTagOpen > kTagRunReach) {
      continue;  // no tag right before this "href=": no image
    }
    plan.Insert(std::max(runStart, plan.Barrier()));
  }
  text = plan.Apply();
}

void CollectTocLinks(const std::string& text, std::vector<TocLink>& tocLinks) {
  tocLinks.clear();
  std::size_t quoteBefore = std::string::npos;
  std::size_t quoteScanEnd = 0;  // quotes before this position are known
  std::size_t quoteAfter = std::string::npos;
  bool quoteAfterKnown = false;
  for (std::size_t p = text.find(kTocBookmark); p != std::string::npos;
       p = text.find(kTocBookmark, p + 1)) {
    for (std::size_t q = text.find('"', quoteScanEnd); q < p;
         q = text.find('"', q + 1)) {
      quoteBefore = q;
    }
    quoteScanEnd = p;
    if (!quoteAfterKnown ||
        (quoteAfter != std::string::npos && quoteAfter < p)) {
      quoteAfter = text.find('"', p);
      quoteAfterKnown = true;
    }
    TocLink link;
    if (quoteAfter != std::string::npos) {
      std::size_t begin =
          quoteBefore == std::string::npos ? p : quoteBefore + 1;
      link.anchorName = text.substr(p, quoteAfter - p);
      link.oldTarget = text.substr(begin, quoteAfter - begin);
    }
    tocLinks.push_back(std::move(link));
  }
}

void ApplyTocLinks(std::string& text, const std::vector<TocLink>& tocLinks) {
  std::vector<std::string_view> oldTargets;
  oldTargets.reserve(tocLinks.size());
  bool anyTarget = false;
  for (const TocLink& link : tocLinks) {
    oldTargets.push_back(link.oldTarget);
    anyTarget = anyTarget || !link.oldTarget.empty();
  }
  if (!anyTarget) return;

  const std::vector<std::int32_t> matches =
      LongestMatchFinder(oldTargets).MatchesAt(text);
  std::string result;
  result.reserve(text.size());
  std::size_t copiedTo = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (matches[i] == LongestMatchFinder::kNone) {
      ++i;
      continue;
    }
    const TocLink& link = tocLinks[static_cast<std::size_t>(matches[i])];
    result.append(text, copiedTo, i - copiedTo);
    result.append(link.newTarget.empty() ? link.oldTarget : link.newTarget);
    i += link.oldTarget.size();
    copiedTo = i;
  }
  result.append(text, copiedTo, std::string::npos);
  text = std::move(result);
}

}  // namespace quillery
