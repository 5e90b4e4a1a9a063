#include "text/bytes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace quillery {
namespace {

TEST(Slice, ClampsRangesThatRunPastTheEnd) {
  EXPECT_EQ(Slice("abcdef", 2, 4), "cd");
  EXPECT_EQ(Slice("abcdef", 4, 100), "ef");
  EXPECT_EQ(Slice("abcdef", 6, 8), "");
  EXPECT_EQ(Slice("abcdef", 9, 12), "");
  EXPECT_EQ(Slice("abcdef", 4, 2), "");
}

TEST(EscapeControlBytes, KeepsAMessageOnOneLineWithoutEscapes) {
  EXPECT_EQ(EscapeControlBytes("a\nb\r\t\x1b[31m\x7f\xE4"),
            "a\\nb\\r\\t\\x1b[31m\\x7f\xE4");
  EXPECT_EQ(EscapeControlBytes(std::string("\0z", 2)), "\\x00z");
  EXPECT_EQ(EscapeControlBytes("plain 'site/doc.htm'"), "plain 'site/doc.htm'");
}

TEST(FindAnyCase, FindsTheNeedleInAnyLetterCase) {
  EXPECT_EQ(FindAnyCase("<HEAD><TiTlE>", "<title"), 6u);
  EXPECT_EQ(FindAnyCase("<title><title>", "<title", 1), 7u);
  EXPECT_EQ(FindAnyCase("\xC4<title", "<title"), 1u);
  EXPECT_EQ(FindAnyCase("<titl", "<title"), std::string_view::npos);
  EXPECT_EQ(FindAnyCase("", "x"), std::string_view::npos);
}

TEST(FindByLastByte, FindsWhatFindFinds) {
  struct Row {
    const char* name;
    std::string text;
    std::string needle;
  };
  const Row rows[] = {
      {"at byte 0", "href=\"#a\"", "href=\"#"},
      {"at the very end", "<a href=\"#", "href=\"#"},
      {"cut off by the end", "<a href=\"", "href=\"#"},
      {"last byte without the rest", "# x#href=\"#", "href=\"#"},
      {"absent", "<a href=\"x.htm\">", "href=\"#"},
      {"side by side", "aaaa", "aa"},
      {"one byte", "xyz", "z"},
      {"empty needle", "abc", ""},
      {"empty text", "", "x"},
      {"zero byte", std::string("a\0#b\0#", 6), std::string("\0#", 2)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (std::size_t from = 0; from <= row.text.size() + 1; ++from) {
      EXPECT_EQ(FindByLastByte(row.text, row.needle, from),
                std::string_view(row.text).find(row.needle, from))
          << "from " << from;
    }
  }
}

TEST(FindAnyCase, AgreesWithTryingEveryPosition) {
  // The plain reading: every position from `from` on, compared in lower case.
  auto model = [](std::string_view text, std::string_view needle,
                  std::size_t from) {
    const std::string lower = AsciiLower(text);
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
      if (lower.compare(at, needle.size(), needle) == 0) return at;
    }
    return std::string_view::npos;
  };
  const std::string_view needles[] = {"<h", "</h1", "msotoc", "", "a<", "<"};
  const std::string_view pieces[] = {"<", "H", "h",      "1",    "/",
                                     "A", "a", "mSoToC", "\xC8", " "};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (std::size_t n = random() % 14; n > 0; --n) {
      text += pieces[random() % std::size(pieces)];
    }
    for (std::string_view needle : needles) {
      for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        ASSERT_EQ(FindAnyCase(text, needle, from), model(text, needle, from))
            << text << " " << needle << " " << from;
      }
    }
  }
}

TEST(AsciiLower, TouchesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower("AbC\xC4\xE4 1Z"), "abc\xC4\xE4 1z");
  EXPECT_EQ(AsciiUpper("AbC\xC4\xE4 1z"), "ABC\xC4\xE4 1Z");
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  struct Row {
    const char* name;
    const char* text;
    const char* from;
    const char* to;
    const char* expected;
  };
  const Row rows[] = {
      {"empty text", "", "a", "b", ""},
      {"marker absent", "xyz", "a", "b", "xyz"},
      {"overlap taken once", "banana", "ana", "X", "bXna"},
      {"replacement holds the marker", "%20a%20", "%20", "%20%20",
       "%20%20a%20%20"},
      {"markers side by side", "[Q][Q]", "[Q]", "x", "xx"},
      {"empty marker", "abc", "", "x", "abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReplaceAll(row.text, row.from, row.to), row.expected);
  }
}

TEST(StartsWithAndEndsWith, FitOnlyAWholePartAtTheirEnd) {
  EXPECT_TRUE(StartsWith("abc", ""));
  EXPECT_TRUE(StartsWith("abc", "ab"));
  EXPECT_FALSE(StartsWith("ab", "abc"));
  EXPECT_FALSE(StartsWith("abc", "bc"));
  EXPECT_TRUE(EndsWith("", ""));
  EXPECT_TRUE(EndsWith("a.htm", ".htm"));
  EXPECT_FALSE(EndsWith("htm", ".htm"));
  EXPECT_FALSE(EndsWith("a.htm", ".HTM"));
}

}  // namespace
}  // namespace quillery
