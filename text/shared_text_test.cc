#include "text/shared_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillery {
namespace {

// Copies share the bytes; only a text that alone holds its bytes gives
// them up, and then without a copy.
TEST(SharedText, GivesUpHeldBytesOnlyWhereItAloneHoldsThem) {
  SharedText text(std::string(100, 'a'));
  const char* bytes = text.view().data();
  {
    const SharedText copy = text;
    EXPECT_EQ(copy.view().data(), bytes);
    EXPECT_FALSE(text.TakeHeld().has_value());
  }
  const std::optional<std::string> taken = text.TakeHeld();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->data(), bytes);
  EXPECT_TRUE(text.empty());

  // Bytes kept elsewhere are never given up.
  class Keeper : public TextKeeper {};
  SharedText kept(std::make_shared<const Keeper>(), "kept");
  EXPECT_FALSE(kept.TakeHeld().has_value());
  EXPECT_EQ(kept.view(), "kept");
}

// A text made from kept bytes tells whether those changed, and letting go
// of its own bytes never reaches the bytes it was made from.
TEST(SharedText, MadeFromKeptBytesTellsTheirChanges) {
  class Keeper : public TextKeeper {
   public:
    bool Unchanged() const override { return unchanged; }
    void LetGoBefore(std::size_t end) const override { letGo = end; }
    bool unchanged = true;
    mutable std::size_t letGo = 0;
  };
  const auto keeper = std::make_shared<Keeper>();
  const SharedText source(keeper, "abc");
  const SharedText made(std::string("ab"), source);
  EXPECT_EQ(made.view(), "ab");
  made.LetGoBefore(2);
  EXPECT_EQ(keeper->letGo, 0u);
  source.LetGoBefore(3);
  EXPECT_EQ(keeper->letGo, 3u);
  EXPECT_TRUE(made.Unchanged());
  keeper->unchanged = false;
  EXPECT_FALSE(made.Unchanged());
  EXPECT_TRUE(SharedText(std::string("own")).Unchanged());
}

}  // namespace
}  // namespace quillery
