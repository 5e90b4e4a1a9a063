// One-pass byte helpers; see bytes.h.
#include "text/bytes.h"

namespace quillery {

std::string Slice(std::string_view text, std::size_t from, std::size_t to) {
  if (from >= text.size() || to <= from) return std::string();
  if (to > text.size()) to = text.size();
  return std::string(text.substr(from, to - from));
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::size_t FindAnyCase(std::string_view text, std::string_view lowerNeedle,
                        std::size_t from) {
  auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  if (lowerNeedle.size() > text.size()) return std::string_view::npos;
  auto matchesAt = [&](std::size_t at) {
    for (std::size_t i = 0; i < lowerNeedle.size(); ++i) {
      if (lower(text[at + i]) != lowerNeedle[i]) return false;
    }
    return true;
  };
  // A byte of the needle that is no letter matches only itself: the search
  // jumps from one such byte of the text to the next ("<" of "<h") instead
  // of trying every position.
  std::size_t probe = 0;
  while (probe < lowerNeedle.size() && lowerNeedle[probe] >= 'a' &&
         lowerNeedle[probe] <= 'z') {
    ++probe;
  }
  if (probe == lowerNeedle.size()) {
    for (std::size_t at = from; at + lowerNeedle.size() <= text.size(); ++at) {
      if (matchesAt(at)) return at;
    }
    return std::string_view::npos;
  }
  for (std::size_t hit = text.find(lowerNeedle[probe], from + probe);
       hit != std::string_view::npos;
       hit = text.find(lowerNeedle[probe], hit + 1)) {
    const std::size_t at = hit - probe;
    if (at + lowerNeedle.size() > text.size()) break;
    if (matchesAt(at)) return at;
  }
  return std::string_view::npos;
}

std::size_t FindByLastByte(std::string_view text, std::string_view needle,
                           std::size_t from) {
  if (needle.empty()) return text.find(needle, from);
  const std::size_t reach = needle.size() - 1;
  if (from > text.size() || text.size() - from < needle.size()) {
    return std::string_view::npos;
  }
  for (std::size_t last = text.find(needle.back(), from + reach);
       last != std::string_view::npos;
       last = text.find(needle.back(), last + 1)) {
    const std::size_t start = last - reach;
    if (text.compare(start, reach, needle.substr(0, reach)) == 0) return start;
  }
  return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from,
                       std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t hit = text.find(from); hit != std::string_view::npos;
       hit = text.find(from, done)) {
    result.append(text, done, hit - done);
    result.append(to);
    done = hit + from.size();
  }
  result.append(text, done, std::string_view::npos);
  return result;
}

std::string EscapeControlBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte != 127) {
      escaped += c;
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else {
      escaped += "\\x";
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    }
  }
  return escaped;
}

bool StartsWith(std::string_view text, std::string_view part) {
  return text.substr(0, part.size()) == part;
}

bool EndsWith(std::string_view text, std::string_view part) {
  return text.size() >= part.size() &&
         text.substr(text.size() - part.size()) == part;
}

}  // namespace quillery
