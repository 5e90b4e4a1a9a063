// Where the body of an HTML page starts and ends. The markers are
// case-sensitive: "<BODY" is no body start tag.
#ifndef QUILLERY_SPLIT_BODY_SEAMS_H_
#define QUILLERY_SPLIT_BODY_SEAMS_H_

#include <cstddef>
#include <string_view>

namespace quillery {

// Just after the ">" that closes the first "<body" tag (0 without one), and at
// the first "</body" (the end of the page without one). The body is empty
// when "</body" comes first.
struct BodySeams {
  std::size_t bodyStart = 0;
  std::size_t bodyEnd = 0;
  bool hasBodyTag = false;
  bool hasBodyEnd = false;
};
[[nodiscard]] BodySeams FindBodySeams(std::string_view page);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_BODY_SEAMS_H_
