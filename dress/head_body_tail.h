// The seams of an HTML page: where its body starts and ends, and where its
// head closes. Markers for the body are case-sensitive ("<BODY" is no body
// start tag); the head end is found in any case.
#ifndef QUILLERY_DRESS_HEAD_BODY_TAIL_H_
#define QUILLERY_DRESS_HEAD_BODY_TAIL_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "split/body_seams.h"

namespace quillery {

// A page cut into three, each part owning its bytes.
struct PageParts {
  // The page through the ">" that ends the first "<body" tag, then
  // "\r\n\r\n"; "<html><body>\r\n\r\n" when there is no such tag.
  std::string head;
  // The page after that ">" (from byte 0 without one) up to the first
  // "</body" (the end without one); empty when "</body" comes first.
  std::string body;
  // "\r\n\r\n", then the page from the first "</body" on;
  // "\r\n\r\n</body></html>" when the page has no "</body".
  std::string tail;
};

// The head and tail parts of `page` as PageParts describes them, for the body
// seams FindBodySeams gives.
[[nodiscard]] std::string HeadPart(std::string_view page,
                                   const BodySeams& seams);
[[nodiscard]] std::string TailPart(std::string_view page,
                                   const BodySeams& seams);

// Cuts `page` into head, body and tail. With both tags present and the start
// tag first, head + body + tail is the page with the two "\r\n\r\n" added.
[[nodiscard]] PageParts SplitPageParts(const std::string& page);

// The position of the "<" that opens the head end tag: the first "/head" in
// any case, and the nearest "<" at most 29 bytes before it ("< /head>" is
// found too). std::string::npos when there is no "/head" or no "<" that close.
// A "/head" that begins a longer word ("/headings/") is taken all the same.
[[nodiscard]] std::size_t FindHeadClose(std::string_view text);

}  // namespace quillery

#endif  // QUILLERY_DRESS_HEAD_BODY_TAIL_H_
