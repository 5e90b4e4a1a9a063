// Byte-text helpers shared by every subsystem: clamped cuts, ASCII-only case
// mapping and one-pass replacement. Texts are bytes in the document's own code
// page; nothing here decodes them or depends on the locale.
#ifndef QUILLERY_TEXT_BYTES_H_
#define QUILLERY_TEXT_BYTES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quillery {

// The bytes of `text` from `from` up to `to` (excluded). A range that runs
// past the end is cut short; a range whose end lies before its start is empty.
[[nodiscard]] std::string Slice(std::string_view text, std::size_t from,
                                std::size_t to);

// A copy of `text` of the same length with only A-Z mapped to a-z (or a-z to
// A-Z); bytes above 127 are left alone, so positions carry over.
[[nodiscard]] std::string AsciiLower(std::string_view text);
[[nodiscard]] std::string AsciiUpper(std::string_view text);

inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiAlnum(char c) {
  return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// HTML's white space: blank, tab, line feed, form feed, carriage return.
inline bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// True when `needle` occurs in `text`.
inline bool Contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

// The position of the first occurrence of `lowerNeedle` (lower case) at or
// after `from`, the text's ASCII letters taken in any case; npos for none.
// It copies nothing, so it suits a search near the start of a long text.
[[nodiscard]] std::size_t FindAnyCase(std::string_view text,
                                      std::string_view lowerNeedle,
                                      std::size_t from = 0);

// text.find(needle, from), found by looking for the needle's last byte
// first: the faster search when that byte is rare in the text and the first
// is common ("href=\"#" in a page, whose '#' is rare and 'h' is not).
[[nodiscard]] std::size_t FindByLastByte(std::string_view text,
                                         std::string_view needle,
                                         std::size_t from = 0);

// Replaces every occurrence of `from` by `to`, left to right, without
// searching the inserted text again: "ana" in "banana" is replaced once.
// An empty `from` leaves the text unchanged.
[[nodiscard]] std::string ReplaceAll(std::string_view text,
                                     std::string_view from,
                                     std::string_view to);

// `text` with its control bytes (below 32, and 127) written out, so that a
// message stays one line and writes no terminal escapes: "\n", "\r", "\t",
// and "\xHH" for the others ("\x1b"). Bytes above 127 stay as they are.
[[nodiscard]] std::string EscapeControlBytes(std::string_view text);

// True when `text` begins (ends) with `part`; an empty part always fits.
[[nodiscard]] bool StartsWith(std::string_view text, std::string_view part);
[[nodiscard]] bool EndsWith(std::string_view text, std::string_view part);

}  // namespace quillery

#endif  // QUILLERY_TEXT_BYTES_H_
