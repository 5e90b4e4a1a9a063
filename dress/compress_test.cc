#include "dress/compress.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace quillery {
namespace {

// A model inflater written from the format's description: fixed-code
// blocks (all that Deflate writes), the codes rebuilt from their lengths as
// canonical codes and read a bit at a time. Throws on anything it cannot read.
class ModelInflater {
 public:
  explicit ModelInflater(std::string_view in) : in_(in) {
    std::vector<int> lengths(288);
    for (std::size_t symbol = 0; symbol < 288; ++symbol) {
      lengths[symbol] = symbol < 144   ? 8
                        : symbol < 256 ? 9
                        : symbol < 280 ? 7
                                       : 8;
    }
    literals_ = Canonical(lengths);
    distances_ = Canonical(std::vector<int>(30, 5));
  }

  std::string Inflate() {
    std::string out;
    bool last = false;
    while (!last) {
      last = Bits(1) == 1;
      const int type = static_cast<int>(Bits(2));
      if (type == 1) {
        for (;;) {
          const int symbol = Decode(literals_);
          if (symbol < 256) {
            out += static_cast<char>(symbol);
            continue;
          }
          if (symbol == 256) break;
          const std::size_t length = LengthOf(symbol - 257);
          const std::size_t distance = DistanceOf(Decode(distances_));
          if (distance > out.size()) throw std::runtime_error("too far back");
          for (std::size_t i = 0; i < length; ++i) {
            out += out[out.size() - distance];
          }
        }
      } else {
        throw std::runtime_error("block type");
      }
    }
    return out;
  }

  // True when what follows the last block is only the padding of its byte.
  bool AtEnd() const { return byte_ + (bit_ > 0 ? 1 : 0) == in_.size(); }

 private:
  struct Code {
    std::uint32_t code;
    int length;
  };

  static std::vector<Code> Canonical(const std::vector<int>& lengths) {
    std::vector<std::uint32_t> count(16);
    for (int length : lengths) ++count[static_cast<std::size_t>(length)];
    std::vector<std::uint32_t> next(16);
    std::uint32_t code = 0;
    for (std::size_t bits = 1; bits < 16; ++bits) {
      code = (code + count[bits - 1]) << 1;
      next[bits] = code;
    }
    std::vector<Code> codes;
    for (int length : lengths) {
      codes.push_back(Code{next[static_cast<std::size_t>(length)]++, length});
    }
    return codes;
  }

  std::uint32_t Bit() {
    if (byte_ >= in_.size()) throw std::runtime_error("past the end");
    const std::uint32_t bit =
        (static_cast<unsigned char>(in_[byte_]) >> bit_) & 1;
    if (++bit_ == 8) {
      bit_ = 0;
      ++byte_;
    }
    return bit;
  }

  std::uint32_t Bits(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value |= Bit() << i;
    return value;
  }

  int Decode(const std::vector<Code>& codes) {
    std::uint32_t code = 0;
    for (int length = 1; length <= 15; ++length) {
      code = (code << 1) | Bit();
      for (std::size_t symbol = 0; symbol < codes.size(); ++symbol) {
        if (codes[symbol].length == length && codes[symbol].code == code) {
          return static_cast<int>(symbol);
        }
      }
    }
    throw std::runtime_error("no such code");
  }

  std::size_t LengthOf(int code) {
    if (code < 0 || code > 28) throw std::runtime_error("length code");
    if (code == 28) return 258;
    if (code < 8) return static_cast<std::size_t>(3 + code);
    const int extra = code / 4 - 1;
    const std::size_t base =
        static_cast<std::size_t>(((4 + code % 4) << extra) + 3);
    return base + Bits(extra);
  }

  std::size_t DistanceOf(int code) {
    if (code < 0 || code > 29) throw std::runtime_error("distance code");
    if (code < 4) return static_cast<std::size_t>(1 + code);
    const int extra = code / 2 - 1;
    const std::size_t base =
        static_cast<std::size_t>(((2 + code % 2) << extra) + 1);
    return base + Bits(extra);
  }

  std::string_view in_;
  std::size_t byte_ = 0;
  int bit_ = 0;
  std::vector<Code> literals_;
  std::vector<Code> distances_;
};

std::string Inflate(std::string_view deflated) {
  ModelInflater inflater(deflated);
  std::string out = inflater.Inflate();
  EXPECT_TRUE(inflater.AtEnd()) << "bytes after the last block";
  return out;
}

// Words drawn from a small list, as running text repeats itself.
std::string Words(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {
      "gull", "tern", "the",      "of",     "shore", "wing",   "nest", "and",
      "egg",  "sea",  "feathers", "flight", "north", "colony", ",",    "."};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[random() % 16];
    text += ' ';
  }
  text.resize(size);
  return text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string EveryByte(std::size_t rounds) {
  std::string bytes;
  for (std::size_t round = 0; round < rounds; ++round) {
    for (int value = 0; value < 256; ++value) {
      bytes += static_cast<char>(value);
    }
  }
  return bytes;
}

// The same 200 bytes `distance` bytes apart, with noise between them: a
// match at the edge of the window or just past it.
std::string RepeatAt(std::size_t distance) {
  const std::string word = RandomBytes(200, 7);
  std::string text = word + RandomBytes(distance - word.size(), 8) + word;
  return text;
}

TEST(Deflate, AnEmptyInputIsAnEmptyFinalBlock) {
  EXPECT_EQ(Deflate(""), std::string("\x03\x00", 2));
  EXPECT_EQ(Inflate(Deflate("")), "");
}

TEST(Deflate, RoundTrips) {
  struct Row {
    const char* name;
    std::string bytes;
  };
  const Row rows[] = {
      {"one byte", "a"},
      {"two bytes", "ab"},
      {"three equal bytes", "aaa"},
      {"a run of one byte", std::string(100000, 'a')},
      {"a run of zero bytes", std::string(70000, '\0')},
      {"every byte value", EveryByte(1)},
      {"every byte value, repeated", EveryByte(300)},
      {"random bytes", RandomBytes(100000, 1)},
      {"words", Words(300000, 2)},
      {"a repeat at the window's edge", RepeatAt(32768)},
      {"a repeat just past the window", RepeatAt(32769)},
      {"a repeat of 258 bytes and more",
       std::string(600, 'x') + "y" + std::string(600, 'x')},
      {"the example document",
       testing::ReadBytes(std::string(QUILLERY_SOURCE_DIR) +
                          "/examples/site/Report_body.htm")},
      {"the site script",
       testing::ReadBytes(std::string(QUILLERY_SOURCE_DIR) + "/dress/site.js")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_FALSE(row.bytes.empty());
    const std::string deflated = Deflate(row.bytes);
    EXPECT_EQ(Inflate(deflated), row.bytes);
    // Nothing grows by more than the 9-bit literals and the block's frame.
    EXPECT_LE(deflated.size(), row.bytes.size() * 9 / 8 + 3);
  }
}

TEST(Deflate, FindsRepeats) {
  EXPECT_LT(Deflate(std::string(100000, 'a')).size(), 1000u);
  EXPECT_LT(Deflate(EveryByte(300)).size(), 2000u);
  // Running text of a few words shrinks to well under half.
  EXPECT_LT(Deflate(Words(300000, 3)).size(), 300000u * 2 / 5);
  // A repeat within the window is found; past it, it cannot be.
  EXPECT_LT(Deflate(RepeatAt(32768)).size() + 150,
            Deflate(RepeatAt(32769)).size());
}

TEST(Base64, EncodesGroupsOfThreeBytes) {
  struct Row {
    std::string bytes;
    const char* expected;
  };
  const Row rows[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\x00\xFF\xFE\x3E\x3F", 5), "AP/+Pj8="},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Base64(row.bytes), row.expected) << row.expected;
  }
}

}  // namespace
}  // namespace quillery
