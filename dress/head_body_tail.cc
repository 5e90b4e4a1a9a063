// Page seams; see head_body_tail.h.
#include "dress/head_body_tail.h"

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kPartBreak = "\r\n\r\n";
// How far before "/head" the "<" of the end tag may stand: enough for blanks
// written between "<" and "/head" by hand-edited templates.
constexpr std::size_t kHeadCloseWindow = 30;

}  // namespace

std::string HeadPart(std::string_view page, const BodySeams& seams) {
  std::string head(seams.hasBodyTag ? page.substr(0, seams.bodyStart)
                                    : std::string_view("<html><body>"));
  head += kPartBreak;
  return head;
}

std::string TailPart(std::string_view page, const BodySeams& seams) {
  std::string tail(kPartBreak);
  if (seams.hasBodyEnd) {
    tail += page.substr(seams.bodyEnd);
  } else {
    tail += "</body></html>";
  }
  return tail;
}

PageParts SplitPageParts(const std::string& page) {
  const BodySeams seams = FindBodySeams(page);
  PageParts parts;
  parts.head = HeadPart(page, seams);
  parts.body = Slice(page, seams.bodyStart, seams.bodyEnd);
  parts.tail = TailPart(page, seams);
  return parts;
}

std::size_t FindHeadClose(std::string_view text) {
  const std::size_t headEnd = FindAnyCase(text, "/head");
  if (headEnd == std::string::npos) return std::string::npos;
  const std::size_t lowest =
      headEnd >= kHeadCloseWindow - 1 ? headEnd - (kHeadCloseWindow - 1) : 0;
  for (std::size_t at = headEnd + 1; at-- > lowest;) {
    if (text[at] == '<') return at;
  }
  return std::string::npos;
}

}  // namespace quillery
