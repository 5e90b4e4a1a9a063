#include "dress/graphics_cleanup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace quillery {
namespace {

constexpr std::size_t kNone = std::string::npos;
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// The model: both passes read step by step, erasing and inserting in the
// changing text, searching it afresh each time.
std::string ModelNumberText(double value) {
  if (value == 0) return "0";
  if (std::fabs(value) < 9.2e18) {
    return std::to_string(static_cast<long long>(value));
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

void ModelRemoveVectorBlocks(std::string& text) {
  std::size_t vectorStart = text.find("<!--[if gte vml");
  while (vectorStart != kNone) {
    const std::size_t plainStart = text.find("<![if !vml]>", vectorStart);
    if (plainStart == kNone) return;
    text.erase(vectorStart, plainStart + 12 - vectorStart);
    const std::size_t plainEnd = text.find("<![endif]>", vectorStart);
    if (plainEnd != kNone) text.erase(plainEnd, 10);
    vectorStart = text.find("<!--[if gte vml", vectorStart + 12);
  }
}

// Reads the digits from `start` up to DigitRunEnd; false when there are none.
bool ModelReadNumber(const std::string& text, std::size_t start,
                     std::size_t& end, std::int64_t& value) {
  end = DigitRunEnd(text, start);
  if (end == start) return false;
  value = std::stoll(text.substr(start, end - start));
  return true;
}

void ModelNarrowImage(std::string& text, std::size_t image,
                      std::int32_t maxWidth, bool keepProportions) {
  const std::size_t tagEnd = text.find('>', image);
  const std::size_t width = text.find("width=", image);
  if (width == kNone || tagEnd == kNone || width > tagEnd) return;
  std::size_t widthEnd = 0;
  std::int64_t widthValue = 0;
  if (!ModelReadNumber(text, width + 6, widthEnd, widthValue)) return;
  if (widthValue <= maxWidth) return;
  text.replace(width + 6, widthEnd - (width + 6), std::to_string(maxWidth));
  if (!keepProportions || widthValue == 0) return;
  const std::size_t tagEnd2 = text.find('>', image);
  const std::size_t height = text.find("height=", image);
  if (height == kNone || tagEnd2 == kNone || height > tagEnd2) return;
  std::size_t heightEnd = 0;
  std::int64_t heightValue = 0;
  if (!ModelReadNumber(text, height + 7, heightEnd, heightValue)) return;
  const double ratio =
      static_cast<double>(maxWidth) / static_cast<double>(widthValue);
  const double scaled = std::trunc(static_cast<double>(heightValue) * ratio);
  text.replace(height + 7, heightEnd - (height + 7), ModelNumberText(scaled));
}

std::string ModelCleanGraphics(std::string text, std::int32_t maxWidth,
                               bool keepProportions) {
  ModelRemoveVectorBlocks(text);
  for (std::size_t image = text.find("img "); image != kNone;
       image = text.find("img ", image + 3)) {
    ModelNarrowImage(text, image, maxWidth, keepProportions);
  }
  return text;
}

const std::string kVectorBlock =
    "<!--[if gte vml 1]><v:shape id=\"_x0000_i1025\" style='width:630pt;"
    "height:225pt'>\r\n <v:imagedata src=\"Doc_files/image001.png\"/>\r\n"
    "</v:shape><![endif]--><![if !vml]>";

TEST(DigitRunEnd, StopsAfterTwelveDigits) {
  EXPECT_EQ(DigitRunEnd("w=840>", 2), 5u);
  EXPECT_EQ(DigitRunEnd("w=\"840\"", 2), 2u);
  EXPECT_EQ(DigitRunEnd("12345678901234", 0), 12u);
  EXPECT_EQ(DigitRunEnd("x12345678901234", 1), 13u);
  EXPECT_EQ(DigitRunEnd("840", 3), 3u);
  EXPECT_EQ(DigitRunEnd("840", 9), 9u);
}

TEST(CleanGraphics, KeepsThePlainImageNarrowedToTheLimit) {
  struct Row {
    const char* name;
    std::int32_t maxWidth;
    bool keepProportions;
    std::string page;
    std::string expected;
  };
  const Row rows[] = {
      {"Word's picture, bytes above 127 and CRLF kept", 420, 1,
       "<p>\xE4" + kVectorBlock + "<img width=840 height=300\r\nsrc=\xFC.jpg>" +
           "<![endif]></p>",
       "<p>\xE4<img width=420 height=150\r\nsrc=\xFC.jpg></p>"},
      {"height rounded down", 420, 1, "<img width=553 height=364>",
       "<img width=420 height=276>"},
      {"height kept with RP 0", 420, 0, "<img width=553 height=364>",
       "<img width=420 height=364>"},
      {"width at the limit", 420, 1, "<img width=420 height=364>",
       "<img width=420 height=364>"},
      {"height before width", 420, 1, "<img height=300 width=840>",
       "<img height=150 width=420>"},
      {"height past the tag end", 420, 1, "<img width=840> height=300",
       "<img width=420> height=300"},
      {"width past the tag end, next tag done", 420, 1,
       "<img src=a> width=900 <img width=900 height=10>",
       "<img src=a> width=900 <img width=420 height=4>"},
      {"word img in ordinary text", 420, 1, "an img of width=900>",
       "an img of width=420>"},
      {"no tag end at all", 420, 1, "<img width=900", "<img width=900"},
      {"quoted values", 420, 1, "<img width=\"900\" height=\"300\">",
       "<img width=\"900\" height=\"300\">"},
      {"quoted height", 420, 1, "<img width=840 height=\"300\">",
       "<img width=420 height=\"300\">"},
      {"thirteen digits leave the last", 420, 1, "<img width=1234567890123>",
       "<img width=4203>"},
      {"img twice reads the written number", 420, 1,
       "<img img width=1234567890123>", "<img img width=420>"},
      {"limit 0", 0, 1, "<img width=1 height=50>", "<img width=0 height=0>"},
      {"negative limit", -5, 1, "<img width=10 height=50>",
       "<img width=-5 height=-25>"},
      {"width 0 under a negative limit keeps its height", -5, 1,
       "<img width=0 height=50>", "<img width=-5 height=50>"},
      {"height past any integer", kInt32Min, 1,
       "<img width=1 height=999999999999>",
       "<img width=-2147483648 height=-2147483647997852516352>"},
      {"closer second block stays", 420, 1,
       "<!--[if gte vml 1]>A<![if !vml]><!--[if gte vml 1]>B<![if !vml]>C"
       "<![endif]>",
       "<!--[if gte vml 1]>B<![if !vml]>C"},
      {"block without plain image ends the pass", 420, 1,
       "<!--[if gte vml]>a<![if !vml]>b<![endif]>cccccccccccc<!--[if gte vml]>d"
       "<![endif]>",
       "bcccccccccccc<!--[if gte vml]>d<![endif]>"},
      {"empty page", 420, 1, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CleanGraphics(row.page, row.maxWidth, row.keepProportions),
              row.expected);
    EXPECT_EQ(ModelCleanGraphics(row.page, row.maxWidth, row.keepProportions),
              row.expected);
  }
}

// Markers, their halves, numbers and filler: cuts join pieces into new
// markers and blocks overlap in every way.
std::string RandomPage(std::mt19937& random) {
  // clang-format off
  static const std::vector<std::string> kPieces = {
      "<!--[if gte vml", "<!--[if gte vml 1]>", "<![if !vml]>", "<![endif]>",
      "<![endif]-->", "img ", "<img ", "width=", "height=", ">", "\"", " ",
      "<![en", "dif]>", "<!--[if g", "te vml", "<![if", " !vml]>", "im", "g ",
      "wid", "th=", "x", "\r\n", "\xE4", "=", "-", "<"};
  // clang-format on
  std::uniform_int_distribution<std::size_t> pieceCount(0, 60);
  std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() + 3);
  std::uniform_int_distribution<int> digitCount(0, 14);
  std::uniform_int_distribution<int> digit(0, 9);
  std::string page;
  for (std::size_t count = pieceCount(random); count > 0; --count) {
    const std::size_t choice = pick(random);
    if (choice < kPieces.size()) {
      page += kPieces[choice];
      continue;
    }
    for (int digits = digitCount(random); digits > 0; --digits) {
      page += static_cast<char>('0' + digit(random));
    }
  }
  return page;
}

TEST(CleanGraphics, MatchesTheStepByStepReading) {
  const std::int32_t kLimits[] = {420, 0,      1,         -5,
                                  999, 123456, kInt32Max, kInt32Min};
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> limit(0, std::size(kLimits) - 1);
  for (int round = 0; round < 50000; ++round) {
    const std::string page = RandomPage(random);
    const std::int32_t maxWidth = kLimits[limit(random)];
    const bool keepProportions = random() % 3 != 0;
    ASSERT_EQ(CleanGraphics(page, maxWidth, keepProportions),
              ModelCleanGraphics(page, maxWidth, keepProportions))
        << "round " << round << " maxWidth " << maxWidth << " keepProportions "
        << keepProportions << "\npage: " << page;
  }
}

}  // namespace
}  // namespace quillery
