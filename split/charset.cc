// Character set tag extraction and insertion; see charset.h.
#include "split/charset.h"

#include <string_view>

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kCharsetAttribute = "charset=";
constexpr std::string_view kUpperCharsetAttribute = "CHARSET=";
constexpr std::string_view kUpperHeadClose = "</HEAD>";

}  // namespace

std::string ExtractCharsetTag(std::string_view text) {
  const std::size_t charsetAt = text.find(kCharsetAttribute);
  if (charsetAt == std::string::npos) return std::string();
  const std::size_t tagEnd = text.find('>', charsetAt);
  if (tagEnd == std::string::npos) return std::string();
  // The walk back for the tag's "<" stops at byte 1: a "<" at byte 0 is not
  // taken. Word's pages open with "<html", never with the tag itself.
  const std::size_t tagStart = text.rfind('<', charsetAt);
  if (tagStart == std::string::npos || tagStart == 0) return std::string();
  return Slice(text, tagStart, tagEnd + 1);
}

std::string InsertCharsetTag(std::string text, const std::string& tag) {
  if (tag.empty()) return text;
  const std::string upper = AsciiUpper(text);
  if (Contains(upper, kUpperCharsetAttribute)) return text;
  const std::size_t headClose = upper.find(kUpperHeadClose);
  if (headClose == std::string::npos) return text;
  text.insert(headClose, tag);
  return text;
}

}  // namespace quillery
