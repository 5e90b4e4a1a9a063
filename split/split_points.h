// Where the content page is cut into pages: before every heading tag whose
// level is at most the number of levels to break at.
#ifndef QUILLERY_SPLIT_SPLIT_POINTS_H_
#define QUILLERY_SPLIT_SPLIT_POINTS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "split/body_seams.h"

namespace quillery {

// The position of the first "<h" at or after `from` (lower-case h only) whose
// next byte is an ASCII digit no greater than `levelsToBreak`; npos when there
// is none, and when `from` lies past the end. Nothing else is examined: "<hr"
// and "<head" are passed over because their third byte is no digit, "<h0"
// counts as level 0, "<H1" is no split point, and a "<h" that ends the text
// has no digit.
//
//   FindNextSplitPoint("<p>a<h2>b", 0, 2) == 4
[[nodiscard]] std::size_t FindNextSplitPoint(std::string_view text,
                                             std::size_t from,
                                             std::int32_t levelsToBreak);

// Where a whole content text is cut: every split point of `levelsToBreak`
// in text order (each position FindNextSplitPoint finds, searching from 0 and
// then from one byte past the point before), and the body seams
// (FindBodySeams). Both come from one pass over the text's "<" bytes, as a
// large page is read once for all of them.
struct PageCuts {
  std::vector<std::size_t> splitPoints;
  BodySeams seams;
};
[[nodiscard]] PageCuts FindPageCuts(std::string_view text,
                                    std::int32_t levelsToBreak);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_SPLIT_POINTS_H_
