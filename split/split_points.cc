// The split-point search shared by the page splitter and the contents link
// pre-location; see split_points.h.
#include "split/split_points.h"

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kHeadingOpen = "<h";

}  // namespace

std::size_t FindNextSplitPoint(std::string_view text, std::size_t from,
                               std::int32_t levelsToBreak) {
  // Level digits run from 0 up, so below 0 nothing can qualify.
  if (levelsToBreak < 0) return std::string_view::npos;
  for (std::size_t tagAt = text.find(kHeadingOpen, from);
       tagAt != std::string_view::npos;
       tagAt = text.find(kHeadingOpen, tagAt + 1)) {
    const std::size_t levelAt = tagAt + kHeadingOpen.size();
    if (levelAt >= text.size() || !IsAsciiDigit(text[levelAt])) continue;
    if (text[levelAt] - '0' <= levelsToBreak) return tagAt;
  }
  return std::string_view::npos;
}

}  // namespace quillery
