#include "split/annotations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/shared_text.h"

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

// Bytes kept elsewhere, as a mapped file's are: it notes how far it was let
// go of, and can be told that its bytes changed.
class KeptBytes : public TextKeeper {
 public:
  explicit KeptBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Unchanged() const override { return unchanged; }
  void LetGoBefore(std::size_t end) const override {
    letGoUpTo = std::max(letGoUpTo, end);
  }
  [[nodiscard]] std::string_view bytes() const { return bytes_; }
  bool unchanged = true;
  mutable std::size_t letGoUpTo = 0;

 private:
  const std::string bytes_;
};

SharedText Kept(const std::shared_ptr<KeptBytes>& keeper) {
  return SharedText(keeper, keeper->bytes());
}

// A shared text loses its blocks as a plain one does: within its own bytes
// where it alone holds them, into bytes of its own where they are kept
// elsewhere. Those are let go of once copied, and the result still tells
// whether the bytes it was made from changed.
TEST(RemoveAnnotationBlocks, TakesASharedTextHeldOrKept) {
  const std::string text = std::string(4096, 'a') + std::string(kOpen) +
                           "note" + std::string(kEnd) + "b";
  const std::string removed = std::string(4096, 'a') + "b";

  SharedText held(text);
  const char* bytes = held.view().data();
  const SharedText fromHeld = RemoveAnnotationBlocks(std::move(held));
  EXPECT_EQ(fromHeld.view(), removed);
  EXPECT_EQ(fromHeld.view().data(), bytes);

  const SharedText shared(text);
  EXPECT_EQ(RemoveAnnotationBlocks(shared).view(), removed);
  EXPECT_EQ(shared.view(), text);

  const auto keeper = std::make_shared<KeptBytes>(text);
  const SharedText fromKept = RemoveAnnotationBlocks(Kept(keeper));
  EXPECT_EQ(fromKept.view(), removed);
  EXPECT_EQ(keeper->letGoUpTo, text.size());
  EXPECT_TRUE(fromKept.Unchanged());
  keeper->unchanged = false;
  EXPECT_FALSE(fromKept.Unchanged());

  // Without a block, the very bytes come back.
  const auto plain = std::make_shared<KeptBytes>("plain");
  const SharedText same = RemoveAnnotationBlocks(Kept(plain));
  EXPECT_EQ(same.view().data(), plain->bytes().data());
  EXPECT_EQ(plain->letGoUpTo, 0u);
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
    const std::string expected = RemoveAnnotationBlocksModel(text);
    ASSERT_EQ(RemoveAnnotationBlocks(text), expected);
    ASSERT_EQ(
        RemoveAnnotationBlocks(Kept(std::make_shared<KeptBytes>(text))).view(),
        expected);
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
