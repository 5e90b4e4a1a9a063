// Annotation block removal in one pass; see annotations.h.
#include "split/annotations.h"

#include <algorithm>
#include <cstddef>
#include <future>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace quillery {
namespace {

constexpr std::string_view kAnnotationOpen = "<![if !supportAnnotations]>";
constexpr std::string_view kConditionalEnd = "<![endif]>";

// The first opening marker at or after `from`. It is looked for by the "!"
// that follows its "<": a page has a "<" in every tag, but few "!".
std::size_t FindAnnotationOpen(std::string_view text, std::size_t from) {
  const std::string_view afterLess = kAnnotationOpen.substr(1);
  for (std::size_t at = text.find(afterLess, from + 1);
       at != std::string_view::npos; at = text.find(afterLess, at + 1)) {
    if (text[at - 1] == '<') return at - 1;
  }
  return std::string_view::npos;
}

// Below this size the first marker is looked for on one thread.
constexpr std::size_t kLargeText = 16 * 1024 * 1024;

// The first opening marker of the text. Most documents have none, so a
// large one is looked through in two halves side by side: the earlier half
// for a marker that starts in it (and may end in the later half), the later
// half for one that starts there, taken only when the earlier has none.
std::size_t FindFirstAnnotationOpen(std::string_view text) {
  if (text.size() < kLargeText) return FindAnnotationOpen(text, 0);
  const std::size_t half = text.size() / 2;
  const auto inLaterHalf = [&text, half] {
    return FindAnnotationOpen(text, half);
  };
  std::future<std::size_t> later;
  try {
    later = std::async(std::launch::async, inLaterHalf);
  } catch (const std::system_error&) {
    // No thread: the later half is looked through below, if need be.
  }
  const std::size_t earlier =
      FindAnnotationOpen(text.substr(0, half + kAnnotationOpen.size() - 1), 0);
  if (later.valid()) {
    const std::size_t inLater = later.get();
    return earlier != std::string_view::npos ? earlier : inLater;
  }
  return earlier != std::string_view::npos ? earlier : inLaterHalf();
}

// Calls `keep(from, to)` for each run of bytes of `text` outside its
// annotation blocks, in text order, the first block opening at `blockStart`.
// Each run is kept before the next block is looked for, and only bytes
// after the last run kept are read after it.
template <typename Keep>
void ForEachKeptRun(std::string_view text, std::size_t blockStart,
                    const Keep& keep) {
  std::size_t keptUpTo = 0;
  while (blockStart != std::string_view::npos) {
    const std::size_t end = text.find(kConditionalEnd, blockStart);
    if (end == std::string_view::npos) break;
    keep(keptUpTo, blockStart);
    keptUpTo = end + kConditionalEnd.size();
    // The next block is looked for from where the removed one ended, in the
    // original text: bytes before the block never join those after it into
    // a marker.
    blockStart = FindAnnotationOpen(text, keptUpTo);
  }
  keep(keptUpTo, text.size());
}

}  // namespace

std::string RemoveAnnotationBlocks(std::string text) {
  std::size_t blockStart = FindFirstAnnotationOpen(text);
  if (blockStart == std::string::npos) return text;

  // The kept bytes move forward over the removed blocks within the same
  // text, so that a large page is never held twice. Nothing after the last
  // run kept is moved over yet: the searches read the original bytes.
  std::size_t kept = 0;
  ForEachKeptRun(text, blockStart,
                 [&text, &kept](std::size_t from, std::size_t to) {
                   std::copy(text.begin() + static_cast<std::ptrdiff_t>(from),
                             text.begin() + static_cast<std::ptrdiff_t>(to),
                             text.begin() + static_cast<std::ptrdiff_t>(kept));
                   kept += to - from;
                 });
  text.resize(kept);
  return text;
}

SharedText RemoveAnnotationBlocks(SharedText text) {
  const std::string_view bytes = text.view();
  std::size_t blockStart = FindFirstAnnotationOpen(bytes);
  if (blockStart == std::string_view::npos) return text;
  // A text no one else holds loses its blocks where it lies.
  if (std::optional<std::string> held = text.TakeHeld()) {
    return SharedText(RemoveAnnotationBlocks(std::move(*held)));
  }

  // The kept bytes are copied into a text of their own. The searches only
  // read onwards from the last removed block, so the bytes before it are
  // let go as the copy passes them, a piece at a time: the page is not held
  // twice over.
  constexpr std::size_t kPiece = 1024 * 1024;
  std::string kept;
  kept.reserve(bytes.size());
  ForEachKeptRun(bytes, blockStart, [&](std::size_t from, std::size_t to) {
    while (from < to) {
      const std::size_t piece = std::min(kPiece, to - from);
      kept.append(bytes.substr(from, piece));
      from += piece;
      text.LetGoBefore(from);
    }
  });
  text.LetGoBefore(bytes.size());
  return SharedText(std::move(kept), text);
}

}  // namespace quillery
