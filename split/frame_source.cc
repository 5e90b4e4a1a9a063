// Frame sources of a frames page; see frame_source.h.
#include "split/frame_source.h"

#include "text/bytes.h"

namespace quillery {
namespace {

std::optional<std::string> ValueAfter(std::string_view text,
                                      std::string_view opening, char endMark) {
  // Looked for by its last byte, "=" or a double quote, of which a page
  // holds far fewer than of the "<" it begins with: a document that is no
  // frames page at all is read through to its end.
  std::size_t start = FindByLastByte(text, opening);
  if (start == std::string_view::npos) return std::nullopt;
  std::size_t value = start + opening.size();
  std::size_t end = text.find(endMark, value + 1);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(text.substr(value, end - value));
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::optional<std::string> FindFrameSource(std::string_view framesText,
                                           std::string_view frameName) {
  const std::string opening = "<frame name=" + std::string(frameName) + " src=";
  std::optional<std::string> value =
      ValueAfter(framesText, opening + "\"", '"');
  if (!value) value = ValueAfter(framesText, opening, ' ');
  if (!value) return std::nullopt;
  return ReplaceAll(*value, "%20", " ");
}

bool LeavesItsFolder(std::string_view source) {
  if (!source.empty() && (source[0] == '/' || source[0] == '\\')) return true;
  if (source.size() >= 2 && IsAsciiLetter(source[0]) && source[1] == ':') {
    return true;
  }
  std::size_t begin = 0;
  while (begin <= source.size()) {
    std::size_t end = source.find_first_of("/\\", begin);
    if (end == std::string_view::npos) end = source.size();
    if (source.substr(begin, end - begin) == "..") return true;
    begin = end + 1;
  }
  return false;
}

}  // namespace quillery
