#include "split/annotations.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quillery {
namespace {

const std::string kOpen = "<![if !supportAnnotations]>";
const std::string kEnd = "<![endif]>";

TEST(RemoveAnnotationBlocks, RemovesEveryBlockWithItsMarkers) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"empty text", "", ""},
      {"no opening marker", "a<b>c" + kEnd, "a<b>c" + kEnd},
      {"block at byte 0 and at the very end", kOpen + "x" + kEnd, ""},
      {"two separate blocks",
       "a" + kOpen + "x" + kEnd + "b" + kOpen + "y" + kEnd + "c", "abc"},
      {"blocks side by side", kOpen + "x" + kEnd + kOpen + "y" + kEnd + "z",
       "z"},
      {"end marker before any block is kept",
       "<![if !vml]>v" + kEnd + "a" + kOpen + "x" + kEnd,
       "<![if !vml]>v" + kEnd + "a"},
      {"inner conditional comment ends the block",
       "a" + kOpen + "x<![if !vml]>y" + kEnd + "z" + kEnd + "b",
       "az" + kEnd + "b"},
      {"other letter case is no marker", "<![if !SupportAnnotations]>x" + kEnd,
       "<![if !SupportAnnotations]>x" + kEnd},
      {"other spacing is no marker", "<![if  !supportAnnotations]>x" + kEnd,
       "<![if  !supportAnnotations]>x" + kEnd},
      {"opening marker without end stays with the rest",
       "a" + kOpen + "x<![endif>", "a" + kOpen + "x<![endif>"},
      {"unclosed block after a removed one",
       "a" + kOpen + "x" + kEnd + "b" + kOpen + "c", "ab" + kOpen + "c"},
      {"marker cut off by the end", "a<![if !supportAnnot",
       "a<![if !supportAnnot"},
      {"marker joined across a removed block stays",
       "<![if !supp" + kOpen + "x" + kEnd + "ortAnnotations]>y" + kEnd,
       "<![if !supportAnnotations]>y" + kEnd},
      {"bytes above 127, zero byte and CRLF kept",
       std::string("\xE4\r\n\0", 4) + kOpen + "\xFF" + kEnd + "\r\n",
       std::string("\xE4\r\n\0\r\n", 6)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RemoveAnnotationBlocks(row.text), row.expected);
  }
}

// The plain reading: delete each block in place and search again from where
// it began, in the shortened text.
std::string RemoveAnnotationBlocksModel(std::string text) {
  std::size_t p = text.find(kOpen);
  while (p != std::string::npos) {
    const std::size_t e = text.find(kEnd, p);
    if (e == std::string::npos) break;
    text.erase(p, e + kEnd.size() - p);
    p = text.find(kOpen, p);
  }
  return text;
}

TEST(RemoveAnnotationBlocks, RemovesWithinTheTextItWasGiven) {
  // A large page is never held twice: the blocks go within its own bytes.
  std::string text = std::string(4096, 'a') + std::string(kOpen) + "note" +
                     std::string(kEnd) + "b";
  const char* bytes = text.data();
  const std::string removed = RemoveAnnotationBlocks(std::move(text));
  EXPECT_EQ(removed, std::string(4096, 'a') + "b");
  EXPECT_EQ(removed.data(), bytes);
}

TEST(RemoveAnnotationBlocks, MatchesErasingInPlaceOnGeneratedTexts) {
  const std::vector<std::string> pieces = {
      kOpen, kOpen,     kEnd, kEnd, "<![if !supp", "ortAnnotations]>",
      "<![", "endif]>", "x",  "<",  "\r\n",        "<![if !vml]>"};
  std::mt19937 random(20240607);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const std::size_t count = random() % 12;
    for (std::size_t i = 0; i < count; ++i)
      text += pieces[random() % pieces.size()];
    SCOPED_TRACE(text);
    ASSERT_EQ(RemoveAnnotationBlocks(text), RemoveAnnotationBlocksModel(text));
  }
}

// A large text is looked through in two halves side by side: a first
// block anywhere, across the middle too, is found as in one pass, and a
// text without one is given back as it was.
TEST(RemoveAnnotationBlocks, FindsTheFirstBlockOfALargeTextAnywhere) {
  const std::size_t size = (std::size_t{16} << 20) + 5;
  const std::string block = std::string(kOpen) + "note" + std::string(kEnd);
  const std::string plain(size, 'a');
  EXPECT_EQ(RemoveAnnotationBlocks(plain), plain);
  const std::size_t half = (size + block.size()) / 2;
  for (const std::size_t at :
       {std::size_t{0}, half - kOpen.size(), half - kOpen.size() + 1, half - 1,
        half, half + 1, size - 1}) {
    SCOPED_TRACE(at);
    std::string text = plain;
    text.insert(at, block);
    // A second block later in the text goes too.
    text += block + "z";
    ASSERT_EQ(RemoveAnnotationBlocks(text), RemoveAnnotationBlocksModel(text));
    EXPECT_EQ(RemoveAnnotationBlocks(text).size(), size + 1);
  }
}

}  // namespace
}  // namespace quillery
