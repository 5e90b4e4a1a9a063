// Annotation block removal in one pass; see annotations.h.
#include "split/annotations.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace quillery {
namespace {

constexpr std::string_view kAnnotationOpen = "<![if !supportAnnotations]>";
constexpr std::string_view kConditionalEnd = "<![endif]>";

// The first opening marker at or after `from`. It is looked for by the "!"
// that follows its "<": a page has a "<" in every tag, but few "!".
std::size_t FindAnnotationOpen(const std::string& text, std::size_t from) {
  const std::string_view afterLess = kAnnotationOpen.substr(1);
  for (std::size_t at = text.find(afterLess, from + 1); at != std::string::npos;
       at = text.find(afterLess, at + 1)) {
    if (text[at - 1] == '<') return at - 1;
  }
  return std::string::npos;
}

}  // namespace

std::string RemoveAnnotationBlocks(std::string text) {
  std::size_t blockStart = FindAnnotationOpen(text, 0);
  if (blockStart == std::string::npos) return text;

  // The kept bytes move forward over the removed blocks within the same
  // text, so that a large page is never held twice. Nothing at or after
  // `keptUpTo` is moved over yet: the searches read the original bytes.
  std::size_t kept = 0;
  std::size_t keptUpTo = 0;
  auto keep = [&text, &kept](std::size_t from, std::size_t to) {
    std::copy(text.begin() + static_cast<std::ptrdiff_t>(from),
              text.begin() + static_cast<std::ptrdiff_t>(to),
              text.begin() + static_cast<std::ptrdiff_t>(kept));
    kept += to - from;
  };
  while (blockStart != std::string::npos) {
    const std::size_t end = text.find(kConditionalEnd, blockStart);
    if (end == std::string::npos) break;
    keep(keptUpTo, blockStart);
    keptUpTo = end + kConditionalEnd.size();
    // The next block is looked for from where the removed one ended, in the
    // original text: bytes before the block never join those after it into
    // a marker.
    blockStart = FindAnnotationOpen(text, keptUpTo);
  }
  keep(keptUpTo, text.size());
  text.resize(kept);
  return text;
}

}  // namespace quillery
