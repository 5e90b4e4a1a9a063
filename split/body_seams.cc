// Body seams; see body_seams.h.
#include "split/body_seams.h"

namespace quillery {
namespace {

constexpr std::string_view kBodyStart = "<body";
constexpr std::string_view kBodyEnd = "</body";

}  // namespace

BodySeams FindBodySeams(std::string_view page) {
  BodySeams seams;
  seams.bodyEnd = page.size();
  std::size_t startTag = page.find(kBodyStart);
  std::size_t startTagEnd = startTag == std::string_view::npos
                                ? std::string_view::npos
                                : page.find('>', startTag);
  if (startTagEnd != std::string_view::npos) {
    seams.hasBodyTag = true;
    seams.bodyStart = startTagEnd + 1;
  }
  std::size_t endTag = page.find(kBodyEnd);
  if (endTag != std::string_view::npos) {
    seams.hasBodyEnd = true;
    seams.bodyEnd = endTag;
  }
  return seams;
}

}  // namespace quillery
