// Page seams; see head_body_tail.h.
#include "dress/head_body_tail.h"

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kBodyStart = "<body";
constexpr std::string_view kBodyEnd = "</body";
constexpr std::string_view kPartBreak = "\r\n\r\n";
// How far before "/head" the "<" of the end tag may stand: enough for blanks
// written between "<" and "/head" by hand-edited templates.
constexpr std::size_t kHeadCloseWindow = 30;

}  // namespace

PageParts SplitPageParts(const std::string& page) {
  PageParts parts;
  std::size_t bodyStart = 0;
  std::size_t bodyEnd = page.size();

  std::size_t startTag = page.find(kBodyStart);
  std::size_t startTagEnd = startTag == std::string::npos
                                ? std::string::npos
                                : page.find('>', startTag);
  if (startTagEnd != std::string::npos) {
    parts.head = page.substr(0, startTagEnd + 1);
    bodyStart = startTagEnd + 1;
  } else {
    parts.head = "<html><body>";
  }
  parts.head += kPartBreak;

  parts.tail = kPartBreak;
  std::size_t endTag = page.find(kBodyEnd);
  if (endTag != std::string::npos) {
    parts.tail.append(page, endTag, std::string::npos);
    bodyEnd = endTag;
  } else {
    parts.tail += "</body></html>";
  }

  parts.body = Slice(page, bodyStart, bodyEnd);
  return parts;
}

std::size_t FindHeadClose(std::string_view text) {
  const std::string lower = AsciiLower(text);
  const std::size_t headEnd = lower.find("/head");
  if (headEnd == std::string::npos) return std::string::npos;
  const std::size_t lowest =
      headEnd >= kHeadCloseWindow - 1 ? headEnd - (kHeadCloseWindow - 1) : 0;
  for (std::size_t at = headEnd + 1; at-- > lowest;) {
    if (text[at] == '<') return at;
  }
  return std::string::npos;
}

}  // namespace quillery
