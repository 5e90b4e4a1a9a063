// Bullets and contents links; see toc_links.h.
#include "split/toc_links.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/bytes.h"
#include "text/site_path.h"

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
  // The markers asked about mostly lie after every image so far.
  std::size_t GrownPosition(std::size_t original) const {
    std::size_t before = positions_.size();
    if (before > 0 && positions_.back() > original) {
      before = static_cast<std::size_t>(
          std::upper_bound(positions_.begin(), positions_.end(), original) -
          positions_.begin());
    }
    return original + insertedBefore_[before];
  }

  // The first marker whose grown position is at least `from`. Mostly that
  // is the one after the marker taken last, which is checked first.
  std::size_t FirstMarkerFrom(std::size_t from) const {
    auto reaches = [&](std::size_t k) {
      return GrownPosition(markers_[k]) >= from;
    };
    std::size_t guess = nextMarkerFrom_ == 0 ? 0 : markerTaken_ + 1;
    if (guess < markers_.size() && reaches(guess) &&
        (guess == 0 || !reaches(guess - 1))) {
      return guess;
    }
    return static_cast<std::size_t>(
        std::partition_point(
            markers_.begin(), markers_.end(),
            [&](std::size_t marker) { return GrownPosition(marker) < from; }) -
        markers_.begin());
  }

  // Takes the first marker at or after `from` in the grown text. The search
  // position is kept in grown-text terms on purpose: an image put in before
  // the last marker taken moves that marker past it, so it is taken again.
  void TakeMarker(std::size_t from) {
    level1_ = false;
    std::size_t found = FirstMarkerFrom(from);
    if (found == markers_.size()) {
      nextMarkerFrom_ = 0;  // none left: start again from the top
      return;
    }
    markerTaken_ = found;
    std::size_t digit = markers_[found] + kLevelDigitOffset;
    level1_ = digit < text_.size() && text_[digit] == '1';
    nextMarkerFrom_ = GrownPosition(markers_[found]) + 1;
  }

  const std::string& text_;
  std::vector<std::size_t> markers_;
  std::vector<std::size_t> positions_;
  std::vector<std::string_view> images_;
  std::vector<std::size_t> insertedBefore_;  // image bytes before image i
  bool level1_ = false;
  std::size_t markerTaken_ = 0;
  std::size_t nextMarkerFrom_ = 0;
};

// Finds every occurrence of a set of patterns in one pass over a text, with
// a trie of the patterns and failure links. The trie is numbered breadth
// first: the children of a node stand side by side, and a node's failure
// target, being shallower, comes before it.
class PatternMatcher {
 public:
  static constexpr std::int32_t kNone = -1;

  struct Match {
    std::size_t start;
    std::size_t length;
    std::int32_t pattern;
  };

  // `patterns[i]` is pattern i; an empty pattern is skipped, and of equal
  // patterns the first keeps its number.
  explicit PatternMatcher(const std::vector<std::string_view>& patterns) {
    BuildTrie(patterns);
    LinkFailures();
  }

  // Every occurrence, in the order of the positions where they end.
  std::vector<Match> FindAll(std::string_view text) const {
    std::vector<Match> matches;
    std::size_t state = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      unsigned char byte = static_cast<unsigned char>(text[i]);
      if (state == 0 && rootChildren_[byte] == kNone) continue;
      state = Next(state, byte);
      for (std::int32_t node = output_[state]; node != kNone;
           node = output_[failure_[Index(node)]]) {
        std::size_t length = depth_[Index(node)];
        matches.push_back({i + 1 - length, length, pattern_[Index(node)]});
      }
    }
    return matches;
  }

 private:
  static std::size_t Index(std::int32_t node) {
    return static_cast<std::size_t>(node);
  }

  // The state after `byte`: the child of the deepest node on the failure
  // chain that has one, or the root.
  std::size_t Next(std::size_t state, unsigned char byte) const {
    for (;;) {
      std::int32_t child = Child(state, byte);
      if (child != kNone) return Index(child);
      if (state == 0) return 0;
      state = failure_[state];
    }
  }

  std::int32_t Child(std::size_t node, unsigned char byte) const {
    if (node == 0) return rootChildren_[byte];
    const std::size_t end = firstChild_[node] + childCount_[node];
    for (std::size_t child = firstChild_[node]; child < end; ++child) {
      if (bytes_[child] == byte) return static_cast<std::int32_t>(child);
    }
    return kNone;
  }

  // Builds the trie with sibling lists, then renumbers it breadth first into
  // the flat arrays.
  void BuildTrie(const std::vector<std::string_view>& patterns) {
    std::vector<std::int32_t> firstChild(1, kNone);
    std::vector<std::int32_t> nextSibling(1, kNone);
    std::vector<unsigned char> bytes(1, 0);
    std::vector<std::int32_t> pattern(1, kNone);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
      std::size_t node = 0;
      for (char c : patterns[i]) {
        unsigned char byte = static_cast<unsigned char>(c);
        std::int32_t child = firstChild[node];
        while (child != kNone && bytes[Index(child)] != byte) {
          child = nextSibling[Index(child)];
        }
        if (child == kNone) {
          child = static_cast<std::int32_t>(bytes.size());
          bytes.push_back(byte);
          pattern.push_back(kNone);
          firstChild.push_back(kNone);
          nextSibling.push_back(firstChild[node]);
          firstChild[node] = child;
        }
        node = Index(child);
      }
      if (node != 0 && pattern[node] == kNone) {
        pattern[node] = static_cast<std::int32_t>(i);
      }
    }

    const std::size_t count = bytes.size();
    bytes_.assign(count, 0);
    firstChild_.assign(count, 0);
    childCount_.assign(count, 0);
    depth_.assign(count, 0);
    pattern_.assign(count, kNone);
    std::vector<std::size_t> order = {0};  // old number of each new number
    for (std::size_t number = 0; number < order.size(); ++number) {
      const std::size_t old = order[number];
      pattern_[number] = pattern[old];
      firstChild_[number] = order.size();
      for (std::int32_t child = firstChild[old]; child != kNone;
           child = nextSibling[Index(child)]) {
        bytes_[order.size()] = bytes[Index(child)];
        depth_[order.size()] = depth_[number] + 1;
        order.push_back(Index(child));
        ++childCount_[number];
      }
    }
    rootChildren_.fill(kNone);
    for (std::size_t child = firstChild_[0];
         child < firstChild_[0] + childCount_[0]; ++child) {
      rootChildren_[bytes_[child]] = static_cast<std::int32_t>(child);
    }
  }

  void LinkFailures() {
    const std::size_t count = bytes_.size();
    failure_.assign(count, 0);
    output_.assign(count, kNone);
    for (std::size_t parent = 0; parent < count; ++parent) {
      const std::size_t end = firstChild_[parent] + childCount_[parent];
      for (std::size_t child = firstChild_[parent]; child < end; ++child) {
        failure_[child] =
            parent == 0 ? 0 : Next(failure_[parent], bytes_[child]);
        output_[child] = pattern_[child] != kNone
                             ? static_cast<std::int32_t>(child)
                             : output_[failure_[child]];
      }
    }
  }

  std::vector<unsigned char> bytes_;  // the byte leading to each node
  std::vector<std::size_t> firstChild_;
  std::vector<std::size_t> childCount_;
  std::vector<std::size_t> depth_;
  std::vector<std::int32_t> pattern_;  // the pattern that ends at the node
  std::vector<std::size_t> failure_;
  // The deepest node on the failure chain (the node itself included) at
  // which a pattern ends.
  std::vector<std::int32_t> output_;
  // Most bytes of a text leave the search at the root: look those up at once.
  std::array<std::int32_t, 256> rootChildren_;
};

}  // namespace

std::string AddTocBullets(const std::string& text) {
  BulletPlan plan(text);
  // The run of tags before a link starts at the earliest "<" reachable from
  // the last "<" before it in steps of at most kTagRunReach bytes; it is
  // carried along as the text is read, so no run is walked twice.
  std::size_t lastTagOpen = std::string::npos;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char byte = text[i];
    if (byte != '<' && byte != 'h') continue;
    if (byte == '<') {
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
  return plan.Apply();
}

std::vector<TocLink> CollectTocLinks(const std::string& text) {
  std::vector<TocLink> tocLinks;
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
  return tocLinks;
}

std::string ApplyTocLinks(const std::string& text,
                          const std::vector<TocLink>& tocLinks) {
  std::vector<std::string_view> oldTargets;
  oldTargets.reserve(tocLinks.size());
  bool anyTarget = false;
  for (const TocLink& link : tocLinks) {
    oldTargets.push_back(link.oldTarget);
    anyTarget = anyTarget || !link.oldTarget.empty();
  }
  if (!anyTarget) return text;

  // At each position the longest target counts; on equal length the
  // targets are the same text, and the first record's number stands for it.
  std::vector<PatternMatcher::Match> matches =
      PatternMatcher(oldTargets).FindAll(text);
  std::sort(matches.begin(), matches.end(),
            [](const PatternMatcher::Match& a, const PatternMatcher::Match& b) {
              return a.start != b.start ? a.start < b.start
                                        : a.length > b.length;
            });
  std::string result;
  result.reserve(text.size());
  std::size_t copiedTo = 0;
  for (const PatternMatcher::Match& match : matches) {
    if (match.start < copiedTo) continue;  // inside a replaced target
    const TocLink& link = tocLinks[static_cast<std::size_t>(match.pattern)];
    result.append(text, copiedTo, match.start - copiedTo);
    result.append(link.newTarget.empty() ? link.oldTarget : link.newTarget);
    copiedTo = match.start + match.length;
  }
  result.append(text, copiedTo, std::string::npos);
  return result;
}

std::string ApplyTocLinksFrom(const std::string& text,
                              const std::vector<TocLink>& tocLinks,
                              const std::string& tocFolder) {
  const SitePath folder(tocFolder);
  if (folder.FoldedComponents().empty()) return ApplyTocLinks(text, tocLinks);
  std::vector<TocLink> fromFolder = tocLinks;
  for (TocLink& link : fromFolder) {
    if (link.newTarget.empty()) continue;
    const std::size_t hash = link.newTarget.find('#');
    const std::string page = link.newTarget.substr(0, hash);
    link.newTarget = SitePath(page).RelativeFrom(folder) +
                     (hash == std::string::npos ? std::string()
                                                : link.newTarget.substr(hash));
  }
  return ApplyTocLinks(text, fromFolder);
}

}  // namespace quillery
