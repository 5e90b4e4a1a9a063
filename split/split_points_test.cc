#include "split/split_points.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quillery {
namespace {

// Every split point, found as the page splitter walks them.
std::vector<std::size_t> AllSplitPoints(std::string_view text,
                                        std::int32_t levelsToBreak) {
  std::vector<std::size_t> points;
  for (std::size_t p = FindNextSplitPoint(text, 0, levelsToBreak);
       p != std::string_view::npos;
       p = FindNextSplitPoint(text, p + 1, levelsToBreak)) {
    points.push_back(p);
  }
  return points;
}

TEST(FindNextSplitPoint, FindsHeadingsUpToTheLevel) {
  using Points = std::vector<std::size_t>;
  struct Row {
    const char* name;
    std::string text;
    std::int32_t levelsToBreak;
    Points expected;
  };
  const Row rows[] = {
      {"h1 h2 h3 h2 at level 2: the h3 stays inside its page",
       "p<h1>a</h1><h2>b</h2><h3>c</h3><h2>d</h2>", 2, Points{1, 11, 31}},
      {"body begins with its first heading", "<h1>a<h2>b", 2, Points{0, 5}},
      {"empty text", "", 9, Points{}},
      {"upper-case <H2 is no split point", "<H2>a<h2>", 2, Points{5}},
      {"<hr and <head are passed over", "<head><hr><h1>", 1, Points{10}},
      {"<h0 is level 0", "a<h0>b<h1>", 0, Points{1}},
      {"level 0 leaves <h1", "<h1>", 0, Points{}},
      {"<h9 at level 9", "<h9>", 9, Points{0}},
      {"<h at the end of the text has no digit", "x<h", 9, Points{}},
      {"digit as the last byte", "x<h1", 1, Points{1}},
      {"<h right before another", "<h<h2", 2, Points{2}},
      {"bytes above 127 around it", "\xE4<h1\xFF", 1, Points{1}},
      {"negative level finds nothing", "<h0><h1>", -1, Points{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AllSplitPoints(row.text, row.levelsToBreak), row.expected);
  }
}

TEST(FindNextSplitPoint, StartsAtFrom) {
  const std::string text = "<h1>a<h1>b";
  EXPECT_EQ(FindNextSplitPoint(text, 0, 1), 0u);
  EXPECT_EQ(FindNextSplitPoint(text, 1, 1), 5u);
  EXPECT_EQ(FindNextSplitPoint(text, 5, 1), 5u);
  EXPECT_EQ(FindNextSplitPoint(text, 6, 1), std::string_view::npos);
  EXPECT_EQ(FindNextSplitPoint(text, text.size(), 1), std::string_view::npos);
  EXPECT_EQ(FindNextSplitPoint(text, text.size() + 7, 1),
            std::string_view::npos);
}

TEST(FindPageCuts, MatchesTheSplitPointWalkAndTheBodySeams) {
  // Pieces that make and break every tag the pass looks for: split points
  // at and above the level, body tags cut short or side by side, a body end
  // before the body, and a "<" at the very end.
  const std::vector<std::string> pieces = {
      "<h1>", "<h2", "<h", "<h9", "<H1>", "<hr>", "<head>", "<body", "<body>",
      "<body lang=x>", "</body>", "</body", "</bod", "<bo", ">", "<", "dy",
      "h1", "x", "\xE4", "\r\n", std::string(1, '\0')};
  std::mt19937 random(5);
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (std::size_t i = random() % 16; i > 0; --i) {
      text += pieces[random() % pieces.size()];
    }
    const std::int32_t levels = static_cast<std::int32_t>(random() % 11) - 1;
    SCOPED_TRACE(text);
    SCOPED_TRACE(levels);
    const PageCuts cuts = FindPageCuts(text, levels);
    const BodySeams seams = FindBodySeams(text);
    ASSERT_EQ(cuts.splitPoints, AllSplitPoints(text, levels));
    ASSERT_EQ(cuts.seams.bodyStart, seams.bodyStart);
    ASSERT_EQ(cuts.seams.bodyEnd, seams.bodyEnd);
    ASSERT_EQ(cuts.seams.hasBodyTag, seams.hasBodyTag);
    ASSERT_EQ(cuts.seams.hasBodyEnd, seams.hasBodyEnd);
  }
}

}  // namespace
}  // namespace quillery
