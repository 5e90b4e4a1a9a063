#include "text/key_set.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillery {
namespace {

TEST(KeySet, HoldsEachKeyOnceInTheOrderFirstAdded) {
  KeySet keys;
  EXPECT_FALSE(keys.Contains(""));
  EXPECT_FALSE(keys.Contains("a.htm"));
  // Keys that are prefixes of one another, the empty key and a repeat.
  EXPECT_EQ(keys.Insert("a.htm"), std::make_pair(std::size_t{0}, true));
  EXPECT_EQ(keys.Insert("a.htm#x"), std::make_pair(std::size_t{1}, true));
  EXPECT_EQ(keys.Insert("a"), std::make_pair(std::size_t{2}, true));
  EXPECT_EQ(keys.Insert(""), std::make_pair(std::size_t{3}, true));
  EXPECT_EQ(keys.Insert("a.htm"), std::make_pair(std::size_t{0}, false));
  EXPECT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys.Find("a"), 2u);
  EXPECT_EQ(keys.At(1), "a.htm#x");
  EXPECT_EQ(keys.Find("b"), KeySet::kAbsent);
  for (const std::string_view held : {"a.htm", "a.htm#x", "a", ""}) {
    EXPECT_TRUE(keys.Contains(held)) << held;
  }
  for (const std::string_view absent : {"a.ht", "A.htm", "b", "a.htm#"}) {
    EXPECT_FALSE(keys.Contains(absent)) << absent;
  }
  std::vector<std::string> order;
  keys.ForEach([&order](std::string_view key) { order.emplace_back(key); });
  EXPECT_EQ(order, (std::vector<std::string>{"a.htm", "a.htm#x", "a", ""}));
}

// Against a plain set, through many growths of the table: every key added
// is found, and no other.
TEST(KeySet, AnswersAsAPlainSetDoes) {
  KeySet keys;
  std::set<std::string> model;
  std::uint32_t state = 7;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string key =
        "Report_body_p" + std::to_string(next() % 15000) + ".htm";
    EXPECT_EQ(keys.Insert(key).second, model.insert(key).second) << key;
  }
  EXPECT_EQ(keys.size(), model.size());
  for (std::size_t page = 0; page < 16000; ++page) {
    const std::string key = "Report_body_p" + std::to_string(page) + ".htm";
    EXPECT_EQ(keys.Contains(key), model.count(key) != 0) << key;
    if (keys.Contains(key)) {
      EXPECT_EQ(keys.At(keys.Find(key)), key);
    }
  }
}

}  // namespace
}  // namespace quillery
