// Removal of the blocks Word writes for browsers without annotation support:
// everything from "<![if !supportAnnotations]>" to the next "<![endif]>".
#ifndef QUILLERY_SPLIT_ANNOTATIONS_H_
#define QUILLERY_SPLIT_ANNOTATIONS_H_

#include <string>

#include "text/shared_text.h"

namespace quillery {

// Returns `text` without its annotation blocks. A block opens with the exact
// bytes "<![if !supportAnnotations]>" (other spacing or letter case is no
// marker) and ends with the first "<![endif]>" after that, both markers
// included, whatever lies between: when another conditional comment opens
// inside a block, its "<![endif]>" ends the block and the rest of the outer
// one stays. Text between blocks stays, and a "<![endif]>" before any opening
// marker is not touched. An opening marker with no "<![endif]>" after it
// stays, with everything after it. Bytes that form an opening marker only
// once the block between them is gone ("<![if !supp" + block +
// "ortAnnotations]>") are not taken for one: the search goes on after the
// removed block.
//
//   RemoveAnnotationBlocks("a<![if !supportAnnotations]>b<![endif]>c") == "ac"
[[nodiscard]] std::string RemoveAnnotationBlocks(std::string text);
// The same for a shared text: the very text when it holds no block, and
// otherwise the bytes kept, in memory of their own.
[[nodiscard]] SharedText RemoveAnnotationBlocks(SharedText text);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_ANNOTATIONS_H_
