// The split-point search shared by the page splitter and the contents link
// pre-location; see split_points.h.
#include "split/split_points.h"

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kHeadingOpen = "<h";
constexpr std::string_view kBodyStart = "<body";
constexpr std::string_view kBodyEnd = "</body";

bool IsSplitPointAt(std::string_view text, std::size_t tagAt,
                    std::int32_t levelsToBreak) {
  const std::size_t levelAt = tagAt + kHeadingOpen.size();
  return levelAt < text.size() && text[tagAt + 1] == 'h' &&
         IsAsciiDigit(text[levelAt]) && text[levelAt] - '0' <= levelsToBreak;
}

// The two bytes after the "<" settle most tags before the whole marker is
// compared.
bool StartsAt(std::string_view text, std::size_t at, std::string_view marker) {
  return at + 2 < text.size() && text[at + 1] == marker[1] &&
         text[at + 2] == marker[2] && text.substr(at, marker.size()) == marker;
}

}  // namespace

std::size_t FindNextSplitPoint(std::string_view text, std::size_t from,
                               std::int32_t levelsToBreak) {
  // Level digits run from 0 up, so below 0 nothing can qualify.
  if (levelsToBreak < 0) return std::string_view::npos;
  for (std::size_t tagAt = text.find(kHeadingOpen, from);
       tagAt != std::string_view::npos;
       tagAt = text.find(kHeadingOpen, tagAt + 1)) {
    const std::size_t levelAt = tagAt + kHeadingOpen.size();
    if (levelAt >= text.size() || !IsAsciiDigit(text[levelAt])) continue;
    if (text[levelAt] - '0' <= levelsToBreak) return tagAt;
  }
  return std::string_view::npos;
}

PageCuts FindPageCuts(std::string_view text, std::int32_t levelsToBreak) {
  PageCuts cuts;
  cuts.seams.bodyEnd = text.size();
  std::size_t bodyTagAt = std::string_view::npos;
  // Heading, body and body end tags all open with a "<", and none of them
  // can stand where another does.
  for (std::size_t tagAt = text.find('<'); tagAt != std::string_view::npos;
       tagAt = text.find('<', tagAt + 1)) {
    if (IsSplitPointAt(text, tagAt, levelsToBreak)) {
      cuts.splitPoints.push_back(tagAt);
    } else if (bodyTagAt == std::string_view::npos &&
               StartsAt(text, tagAt, kBodyStart)) {
      bodyTagAt = tagAt;
    } else if (!cuts.seams.hasBodyEnd && StartsAt(text, tagAt, kBodyEnd)) {
      cuts.seams.hasBodyEnd = true;
      cuts.seams.bodyEnd = tagAt;
    }
  }
  if (bodyTagAt != std::string_view::npos) {
    const std::size_t bodyTagEnd = text.find('>', bodyTagAt);
    if (bodyTagEnd != std::string_view::npos) {
      cuts.seams.hasBodyTag = true;
      cuts.seams.bodyStart = bodyTagEnd + 1;
    }
  }
  return cuts;
}

}  // namespace quillery
