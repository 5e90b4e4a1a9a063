// The source of a named frame in a frames page, as Word writes it:
//   <frame name=TOC src="doc_files/toc.htm">  or  <frame name=Frame1
//   src=doc.htm scrolling=auto>
#ifndef QUILLERY_SPLIT_FRAME_SOURCE_H_
#define QUILLERY_SPLIT_FRAME_SOURCE_H_

#include <optional>
#include <string>
#include <string_view>

namespace quillery {

// The source of the first "<frame name=" + frameName + " src=" tag, with every
// "%20" turned into a blank. The quoted form is tried first: its value runs
// to the next double quote searched from one byte past its start (so src=""
// takes the text up to the quote after the empty value). Only when that gives
// nothing is the unquoted form tried, whose value ends at the next blank
// searched the same way. Empty when neither gives a value.
[[nodiscard]] std::optional<std::string> FindFrameSource(
    std::string_view framesText, std::string_view frameName);

// True when a frame source would lead out of the frames page's folder: an
// absolute path ("/x", "\x", "C:x") or one with a ".." component, taking both
// "/" and "\" as separators.
[[nodiscard]] bool LeavesItsFolder(std::string_view source);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_FRAME_SOURCE_H_
