// Removing Word's vector copy of every picture and narrowing pictures wider
// than a limit. Word writes each picture twice: as vector markup inside
// "<!--[if gte vml ...]>...<![endif]-->" and as a plain image tag inside
// "<![if !vml]>...<![endif]>"; only the plain image tag is kept.
#ifndef QUILLERY_DRESS_GRAPHICS_CLEANUP_H_
#define QUILLERY_DRESS_GRAPHICS_CLEANUP_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// The position just past the run of decimal digits that begins at `start`,
// the run being cut after 12 digits; `start` itself when no digit is there.
[[nodiscard]] std::size_t DigitRunEnd(std::string_view text, std::size_t start);

// Two passes over `page`, all markers case-sensitive.
//
// Vector blocks: from each "<!--[if gte vml" up to the end of the first
// "<![if !vml]>" after it is removed, then the first "<![endif]>" from there
// on. The next block is looked for from 12 bytes past where the removed one
// began, so a block starting closer than that stays. A "<!--[if gte vml" with
// no "<![if !vml]>" after it ends this pass; the rest of the page stays as it
// is.
//
// Image widths: every "img " starts a tag scan up to the next ">". When a
// "width=" stands before that ">" and is followed by digits (at most 12 are
// read) whose value exceeds `maxWidth`, the digits become `maxWidth` in
// decimal (with its sign when negative). With `keepProportions`, the first
// "height=" after "img " and before the ">" then gets its digits scaled by
// maxWidth / width (in double precision, truncated toward zero); a width of 0
// leaves the height alone. A tag with no digits after "width=" (a quoted
// value) counts as not too wide. The next scan starts 3 bytes past "img ", so
// a tag holding "img " twice is looked at twice, seeing the numbers the first
// look wrote.
[[nodiscard]] std::string CleanGraphics(std::string page, std::int32_t maxWidth,
                                        bool keepProportions);

}  // namespace quillery

#endif  // QUILLERY_DRESS_GRAPHICS_CLEANUP_H_
