// DEFLATE with the fixed codes and base64; see compress.h.
#include "dress/compress.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace quillery {
namespace {

constexpr std::size_t kWindow = 32768;  // the farthest a match may reach back
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 48;  // earlier occurrences tried per position
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The first length and distance of each length code (257 on) and distance
// code, and their numbers of extra bits.
constexpr std::uint16_t kLengthBase[] = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1,
                                         1, 1, 2, 2, 2, 2, 3, 3, 3, 3,
                                         4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[] = {
    1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[] = {
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Writes bits from the lowest bit of each byte up, as DEFLATE packs them.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}

  // The `count` lowest bits of `value`, lowest first.
  void Bits(std::uint32_t value, int count) {
    buffer_ |= static_cast<std::uint64_t>(value) << used_;
    used_ += count;
    while (used_ >= 8) {
      out_ += static_cast<char>(buffer_ & 0xFF);
      buffer_ >>= 8;
      used_ -= 8;
    }
  }

  // A Huffman code of `length` bits, which DEFLATE packs highest bit first.
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < length; ++bit) {
      reversed = (reversed << 1) | ((code >> bit) & 1);
    }
    Bits(reversed, length);
  }

  // Pads the last byte with zero bits.
  void Finish() {
    if (used_ > 0) out_ += static_cast<char>(buffer_ & 0xFF);
    buffer_ = 0;
    used_ = 0;
  }

 private:
  std::string& out_;
  std::uint64_t buffer_ = 0;
  int used_ = 0;
};

// A literal byte, the end of the block (256) or a length code (257 to 285)
// in the fixed code.
void Symbol(BitWriter& writer, unsigned symbol) {
  if (symbol < 144) {
    writer.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    writer.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    writer.Code(symbol - 256, 7);
  } else {
    writer.Code(0xC0 + symbol - 280, 8);
  }
}

// The index of the last entry of `bases` not above `value`.
template <typename Table>
std::size_t CodeOf(const Table& bases, std::size_t value) {
  return static_cast<std::size_t>(
      std::upper_bound(std::begin(bases), std::end(bases), value) -
      std::begin(bases) - 1);
}

void Match(BitWriter& writer, std::size_t length, std::size_t distance) {
  const std::size_t lengthCode = CodeOf(kLengthBase, length);
  Symbol(writer, static_cast<unsigned>(257 + lengthCode));
  writer.Bits(static_cast<std::uint32_t>(length - kLengthBase[lengthCode]),
              kLengthExtra[lengthCode]);
  const std::size_t distanceCode = CodeOf(kDistanceBase, distance);
  writer.Code(static_cast<std::uint32_t>(distanceCode), 5);
  writer.Bits(
      static_cast<std::uint32_t>(distance - kDistanceBase[distanceCode]),
      kDistanceExtra[distanceCode]);
}

// The earlier positions of every three bytes of the input: `head` holds the
// latest position of each hash, `previous` (by position modulo the window)
// the one before it with the same hash.
class MatchFinder {
 public:
  explicit MatchFinder(std::string_view bytes)
      : bytes_(bytes),
        head_(std::size_t{1} << kHashBits, kNone),
        previous_(kWindow, kNone) {}

  void Insert(std::size_t at) {
    if (at + kMinMatch > bytes_.size()) return;
    const std::uint32_t hash = Hash(at);
    previous_[at % kWindow] = head_[hash];
    head_[hash] = at;
  }

  // The longest earlier copy of the bytes at `at` within the window, found
  // in at most kMaxChain steps: its length (0 when shorter than kMinMatch)
  // and distance.
  std::pair<std::size_t, std::size_t> Longest(std::size_t at) const {
    const std::size_t most = std::min(kMaxMatch, bytes_.size() - at);
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (most < kMinMatch) return {0, 0};
    std::size_t candidate = head_[Hash(at)];
    for (int step = 0;
         step < kMaxChain && candidate != kNone && at - candidate <= kWindow;
         ++step) {
      if (bytes_[candidate + bestLength] == bytes_[at + bestLength]) {
        std::size_t length = 0;
        while (length < most &&
               bytes_[candidate + length] == bytes_[at + length]) {
          ++length;
        }
        if (length > bestLength) {
          bestLength = length;
          bestDistance = at - candidate;
          if (length == most) break;
        }
      }
      const std::size_t next = previous_[candidate % kWindow];
      // A slot reused by a later position ends the chain.
      if (next == kNone || next >= candidate) break;
      candidate = next;
    }
    if (bestLength < kMinMatch) return {0, 0};
    return {bestLength, bestDistance};
  }

 private:
  std::uint32_t Hash(std::size_t at) const {
    const std::uint32_t three =
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at])) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at + 1]))
            << 8 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at + 2]))
            << 16;
    return (three * 2654435761u) >> (32 - kHashBits);
  }

  std::string_view bytes_;
  std::vector<std::size_t> head_;
  std::vector<std::size_t> previous_;
};

}  // namespace

std::string Deflate(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2 + 16);
  BitWriter writer(out);
  writer.Bits(1, 1);  // the final block
  writer.Bits(1, 2);  // with the fixed codes
  MatchFinder finder(bytes);
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto [length, distance] = finder.Longest(at);
    if (length == 0) {
      Symbol(writer, static_cast<unsigned char>(bytes[at]));
      finder.Insert(at++);
      continue;
    }
    Match(writer, length, distance);
    for (const std::size_t end = at + length; at < end; ++at) {
      finder.Insert(at);
    }
  }
  Symbol(writer, 256);
  writer.Finish();
  return out;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t left = bytes.size() - at;
    std::uint32_t group =
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 16;
    if (left > 1) {
      group |=
          static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1]))
          << 8;
    }
    if (left > 2) {
      group |= static_cast<unsigned char>(bytes[at + 2]);
    }
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
    out += left > 2 ? kDigits[group & 63] : '=';
  }
  return out;
}

}  // namespace quillery
