// Vector block removal and image narrowing; see graphics_cleanup.h.
//
// Both passes are defined on a text that changes while it is scanned. They
// run in one forward sweep each: the first keeps the not yet scanned rest of
// the text as a source range, plus a small copied stretch where a cut was made
// ahead of the scan; the second only ever rewrites digit runs, which leaves
// every marker where it was, and records the rewrites to apply at the end.
#include "dress/graphics_cleanup.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kVectorStart = "<!--[if gte vml";
constexpr std::string_view kPlainStart = "<![if !vml]>";
constexpr std::string_view kPlainEnd = "<![endif]>";
constexpr std::string_view kImageTag = "img ";
constexpr std::string_view kWidth = "width=";
constexpr std::string_view kHeight = "height=";
// The next vector block is looked for this far past where the last began.
constexpr std::size_t kVectorSkip = 12;
// The "img " scan goes on from the blank of the last "img ".
constexpr std::size_t kImageSkip = 3;
constexpr std::size_t kMaxDigits = 12;

// Searches a text that does not change, for searches whose start only moves
// forward: a hit is reused while the start has not passed it, so the text is
// read about once however often it is asked.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view needle)
      : text_(text), needle_(needle) {}

  std::size_t Find(std::size_t from) {
    if (!asked_ || from < lastFrom_ ||
        (lastHit_ != std::string_view::npos && from > lastHit_)) {
      asked_ = true;
      lastFrom_ = from;
      lastHit_ = text_.find(needle_, from);
    }
    return lastHit_;
  }

 private:
  std::string_view text_;
  std::string_view needle_;
  bool asked_ = false;
  std::size_t lastFrom_ = 0;
  std::size_t lastHit_ = std::string_view::npos;
};

// The page of the vector pass while it changes. Positions count in the
// changed text. Everything before the commit point is final and sits in
// `output_`; after it come `pending_` from `pendingHead_` on, then `source_`
// from `sourcePos_` on. Bytes enter `pending_` only when a cut is made ahead
// of the commit point ("<![endif]>" after a removed block), so each byte is
// copied at most twice. Every search starts at or after the commit point, and
// the searches for each marker start further on each time.
class VectorPassText {
 public:
  enum Marker : std::size_t {
    kVectorStartMarker,
    kPlainStartMarker,
    kPlainEndMarker
  };

  explicit VectorPassText(std::string_view source)
      : source_(source),
        needles_{{{kVectorStart, ForwardFinder(source, kVectorStart)},
                  {kPlainStart, ForwardFinder(source, kPlainStart)},
                  {kPlainEnd, ForwardFinder(source, kPlainEnd)}}} {
    output_.reserve(source.size());
  }

  // The first `marker` at or after `from`, or npos.
  std::size_t Find(Marker marker, std::size_t from) {
    Needle& needle = needles_[marker];
    const std::size_t committed = output_.size();
    assert(from >= committed && "searched before the commit point");
    const std::size_t offset = from - committed;
    const std::size_t pendingSize = PendingSize();
    std::size_t sourceFrom =
        sourcePos_ + (offset - std::min(offset, pendingSize));
    if (offset < pendingSize) {
      const std::size_t start = std::max(pendingHead_ + offset, needle.clean);
      const std::size_t hit = pending_.find(needle.text, start);
      if (hit != std::string::npos) {
        needle.clean = hit;
        return committed + (hit - pendingHead_);
      }
      const std::size_t tail = TailStart(pending_.size(), needle.text.size());
      needle.clean = std::max(start, tail);
      // A marker may begin in the pending bytes and end in the source ones.
      const std::size_t junctionStart = std::max(pendingHead_ + offset, tail);
      std::string junction = pending_.substr(junctionStart);
      junction.append(source_.substr(sourcePos_, needle.text.size() - 1));
      const std::size_t junctionHit = junction.find(needle.text);
      if (junctionHit != std::string::npos) {
        return committed + (junctionStart - pendingHead_) + junctionHit;
      }
      sourceFrom = sourcePos_;
    }
    const std::size_t hit = needle.source.Find(sourceFrom);
    if (hit == std::string_view::npos) return hit;
    return committed + pendingSize + (hit - sourcePos_);
  }

  // Makes the text before `position` final.
  void CommitUpTo(std::size_t position) {
    const std::size_t length = position - output_.size();
    const std::size_t fromPending = std::min(length, PendingSize());
    output_.append(pending_, pendingHead_, fromPending);
    pendingHead_ += fromPending;
    output_.append(source_.substr(sourcePos_, length - fromPending));
    sourcePos_ += length - fromPending;
    TidyPending();
  }

  // Removes the bytes from `from` up to `to`; `from` is not before the
  // commit point.
  void Remove(std::size_t from, std::size_t to) {
    assert(from >= output_.size() && to >= from &&
           "removed before the commit point");
    const std::size_t offset = from - output_.size();
    const std::size_t length = to - from;
    const std::size_t pendingSize = PendingSize();
    if (offset == 0 && length <= pendingSize) {
      pendingHead_ += length;
      TidyPending();
      return;
    }
    const std::size_t cut = pendingHead_ + offset;
    if (offset >= pendingSize) {
      const std::size_t kept = offset - pendingSize;
      pending_.append(source_.substr(sourcePos_, kept));
      sourcePos_ += kept + length;
    } else if (offset + length <= pendingSize) {
      // Not reached by the vector pass: a "<![endif]>" cut ahead is the first
      // one, so the pending bytes never hold a whole one. Kept so that any
      // range may be removed.
      pending_.erase(cut, length);
    } else {
      pending_.resize(cut);
      sourcePos_ += offset + length - pendingSize;
    }
    // Bytes just before the cut now meet new neighbours.
    for (Needle& needle : needles_) {
      needle.clean = std::min(needle.clean, TailStart(cut, needle.text.size()));
    }
    TidyPending();
  }

  std::string Finish() && {
    output_.append(pending_, pendingHead_, std::string::npos);
    output_.append(source_.substr(sourcePos_));
    return std::move(output_);
  }

 private:
  struct Needle {
    std::string_view text;
    ForwardFinder source;
    // No occurrence lying wholly inside `pending_` starts before this index
    // (at or after the start of the current search).
    std::size_t clean = 0;
  };

  // The first index from which a needle of `length` would run past `end`.
  static std::size_t TailStart(std::size_t end, std::size_t length) {
    return end >= length - 1 ? end - (length - 1) : 0;
  }

  std::size_t PendingSize() const { return pending_.size() - pendingHead_; }

  // Drops the used front of `pending_` once it is most of it.
  void TidyPending() {
    if (pendingHead_ == 0 || pendingHead_ < pending_.size() / 2) return;
    pending_.erase(0, pendingHead_);
    for (Needle& needle : needles_) {
      needle.clean -= std::min(needle.clean, pendingHead_);
    }
    pendingHead_ = 0;
  }

  std::string_view source_;
  std::size_t sourcePos_ = 0;
  std::string pending_;
  std::size_t pendingHead_ = 0;
  std::string output_;
  std::array<Needle, 3> needles_;
};

std::string RemoveVectorBlocks(std::string page) {
  if (page.find(kVectorStart) == std::string::npos) return page;
  VectorPassText text(page);
  std::size_t searchFrom = 0;
  for (;;) {
    const std::size_t vectorStart =
        text.Find(VectorPassText::kVectorStartMarker, searchFrom);
    if (vectorStart == std::string::npos) break;
    const std::size_t plainStart =
        text.Find(VectorPassText::kPlainStartMarker, vectorStart);
    if (plainStart == std::string::npos) break;
    text.CommitUpTo(vectorStart);
    text.Remove(vectorStart, plainStart + kPlainStart.size());
    const std::size_t plainEnd =
        text.Find(VectorPassText::kPlainEndMarker, vectorStart);
    if (plainEnd != std::string::npos) {
      text.Remove(plainEnd, plainEnd + kPlainEnd.size());
    }
    searchFrom = vectorStart + kVectorSkip;
  }
  return std::move(text).Finish();
}

// A digit run of the page as the width pass has rewritten it: the page bytes
// from `start` up to `end` now read `text`. Runs start right after the "="
// of "width=" or "height=", so no run reaches into the next one.
struct RewrittenNumber {
  std::size_t start;
  std::size_t end;
  std::string text;
};

struct NumberRead {
  std::int64_t value = 0;
  std::size_t digits = 0;
};

// The rewrite of the number at `start`, or nullptr. Rewrites of one attribute
// are made in order of position, so only the last can be there.
RewrittenNumber* RewriteAt(std::vector<RewrittenNumber>& rewrites,
                           std::size_t start) {
  if (rewrites.empty() || rewrites.back().start != start) return nullptr;
  return &rewrites.back();
}

// Reads the number at `start` of the page as rewritten so far: the text of
// `rewrite` (when there is one) runs on into the page bytes after it.
NumberRead ReadNumber(std::string_view page, const RewrittenNumber* rewrite,
                      std::size_t start) {
  std::string joined;
  std::string_view digits =
      page.substr(std::min(start, page.size()), kMaxDigits);
  if (rewrite != nullptr) {
    joined = rewrite->text;
    joined.append(page.substr(rewrite->end, kMaxDigits));
    digits = joined;
  }
  NumberRead read;
  read.digits = DigitRunEnd(digits, 0);
  for (std::size_t at = 0; at < read.digits; ++at) {
    read.value = read.value * 10 + (digits[at] - '0');
  }
  return read;
}

// Replaces the first `digits` bytes of the number at `start`, which `rewrite`
// may already have rewritten, by `text`.
void RewriteNumber(std::vector<RewrittenNumber>& rewrites,
                   RewrittenNumber* rewrite, std::size_t start,
                   std::size_t digits, std::string text) {
  if (rewrite == nullptr) {
    rewrites.push_back({start, start + digits, std::move(text)});
  } else if (digits <= rewrite->text.size()) {
    rewrite->text = std::move(text) + rewrite->text.substr(digits);
  } else {
    rewrite->end += digits - rewrite->text.size();
    rewrite->text = std::move(text);
  }
}

// height * (maxWidth / width) in double precision, truncated toward zero,
// in decimal. A negative limit gives a negative height, whose size may pass
// any integer type; the double is written out whole instead.
std::string ScaledHeight(std::int64_t height, std::int32_t maxWidth,
                         std::int64_t width) {
  const double ratio =
      static_cast<double>(maxWidth) / static_cast<double>(width);
  const double scaled = std::trunc(static_cast<double>(height) * ratio);
  if (scaled == 0) return "0";
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", scaled);
  return text;
}

// The page with the rewrites of both kinds put in, in one pass.
std::string ApplyRewrites(std::string_view page,
                          const std::vector<RewrittenNumber>& widths,
                          const std::vector<RewrittenNumber>& heights) {
  std::size_t added = 0;
  for (const RewrittenNumber& rewrite : widths) added += rewrite.text.size();
  for (const RewrittenNumber& rewrite : heights) added += rewrite.text.size();
  std::string result;
  result.reserve(page.size() + added);
  std::size_t done = 0;
  auto width = widths.begin();
  auto height = heights.begin();
  while (width != widths.end() || height != heights.end()) {
    const bool widthFirst =
        height == heights.end() ||
        (width != widths.end() && width->start < height->start);
    const RewrittenNumber& next = widthFirst ? *width++ : *height++;
    result.append(page.substr(done, next.start - done));
    result += next.text;
    done = next.end;
  }
  result.append(page.substr(done));
  return result;
}

// The width pass. Digits, "-" and the markers share no byte, so rewriting a
// number neither makes nor breaks an "img ", ">", "width=" or "height=": all
// positions are taken in the page as it came, and the rewrites kept aside.
std::string NarrowWideImages(std::string page, std::int32_t maxWidth,
                             bool keepProportions) {
  ForwardFinder tagEnds(page, ">");
  ForwardFinder widthNames(page, kWidth);
  ForwardFinder heightNames(page, kHeight);
  std::vector<RewrittenNumber> widths;
  std::vector<RewrittenNumber> heights;
  const std::string maxWidthText = std::to_string(maxWidth);

  for (std::size_t image = page.find(kImageTag); image != std::string::npos;
       image = page.find(kImageTag, image + kImageSkip)) {
    const std::size_t tagEnd = tagEnds.Find(image);
    const std::size_t widthName = widthNames.Find(image);
    if (tagEnd == std::string::npos || widthName == std::string::npos ||
        widthName > tagEnd) {
      continue;
    }
    const std::size_t widthStart = widthName + kWidth.size();
    RewrittenNumber* widthRewrite = RewriteAt(widths, widthStart);
    const NumberRead width = ReadNumber(page, widthRewrite, widthStart);
    if (width.digits == 0 || width.value <= maxWidth) continue;
    RewriteNumber(widths, widthRewrite, widthStart, width.digits, maxWidthText);

    if (!keepProportions || width.value == 0) continue;
    const std::size_t heightName = heightNames.Find(image);
    if (heightName == std::string::npos || heightName > tagEnd) continue;
    const std::size_t heightStart = heightName + kHeight.size();
    RewrittenNumber* heightRewrite = RewriteAt(heights, heightStart);
    const NumberRead height = ReadNumber(page, heightRewrite, heightStart);
    if (height.digits == 0) continue;
    RewriteNumber(heights, heightRewrite, heightStart, height.digits,
                  ScaledHeight(height.value, maxWidth, width.value));
  }
  if (widths.empty()) return page;
  return ApplyRewrites(page, widths, heights);
}

}  // namespace

std::size_t DigitRunEnd(std::string_view text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && end - start < kMaxDigits &&
         IsAsciiDigit(text[end])) {
    ++end;
  }
  return end;
}

std::string CleanGraphics(std::string page, std::int32_t maxWidth,
                          bool keepProportions) {
  page = RemoveVectorBlocks(std::move(page));
  return NarrowWideImages(std::move(page), maxWidth, keepProportions);
}

}  // namespace quillery
