// Annotation block removal in one pass; see annotations.h.
#include "split/annotations.h"

#include <string_view>

namespace quillery {
namespace {

constexpr std::string_view kAnnotationOpen = "<![if !supportAnnotations]>";
constexpr std::string_view kConditionalEnd = "<![endif]>";

}  // namespace

std::string RemoveAnnotationBlocks(std::string text) {
  std::size_t blockStart = text.find(kAnnotationOpen);
  if (blockStart == std::string::npos) return text;

  std::string kept;
  kept.reserve(text.size());
  std::size_t keptUpTo = 0;
  while (blockStart != std::string::npos) {
    const std::size_t end = text.find(kConditionalEnd, blockStart);
    if (end == std::string::npos) break;
    kept.append(text, keptUpTo, blockStart - keptUpTo);
    keptUpTo = end + kConditionalEnd.size();
    // The next block is looked for from where the removed one began, so only
    // bytes that followed the removed block can start it: the search goes on
    // in the original text after the block, and bytes before the block never
    // join those after it into a marker.
    blockStart = text.find(kAnnotationOpen, keptUpTo);
  }
  kept.append(text, keptUpTo, std::string::npos);
  return kept;
}

}  // namespace quillery
