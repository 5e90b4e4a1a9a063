// Path algebra on text; see site_path.h.
#include "text/site_path.h"

#include "text/bytes.h"

namespace quillery {
namespace {

// The place of the last "\" or "/" of the path, npos for none: looked for
// from the end one byte at a time (a search for either of a set of bytes
// calls a search of the set for every byte).
std::size_t LastSeparator(std::string_view path) {
  for (std::size_t at = path.size(); at > 0; --at) {
    if (path[at - 1] == '\\' || path[at - 1] == '/') return at - 1;
  }
  return std::string_view::npos;
}

// Calls `take` with each name of the path in turn, from the first: the
// parts between separators, empty ones and "." left out.
template <typename Take>
void ForEachName(std::string_view path, const Take& take) {
  std::size_t begin = 0;
  for (std::size_t at = 0; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '\\' && path[at] != '/') continue;
    const std::string_view name = path.substr(begin, at - begin);
    begin = at + 1;
    if (!name.empty() && name != ".") take(name);
  }
}

bool IsRoot(const std::string& path) {
  return path.size() == 1 && IsPathSeparator(path[0]);
}

int HexValue(char c, bool upperCaseOnly) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (!upperCaseOnly && c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The one "%XX" decoder: with `strict`, only upper-case digits count and a
// "%" without two of them ends the decoding with nothing.
std::optional<std::string> Decoded(std::string_view text, bool strict) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      plain += text[i];
      continue;
    }
    const bool escape = i + 2 < text.size() &&
                        HexValue(text[i + 1], strict) >= 0 &&
                        HexValue(text[i + 2], strict) >= 0;
    if (escape) {
      plain += static_cast<char>(HexValue(text[i + 1], strict) * 16 +
                                 HexValue(text[i + 2], strict));
      i += 2;
    } else if (strict) {
      return std::nullopt;
    } else {
      plain += '%';
    }
  }
  return plain;
}

// The lower-case partner of a two-byte UTF-8 letter (U+0080 to U+07FF),
// or the letter itself.
char32_t FoldedTwoByteLetter(char32_t letter) {
  // Pairs that sit next to each other, the upper-case letter first at an
  // even (or, with `oddFirst`, odd) code point.
  struct PairRun {
    char32_t first;
    char32_t last;
    bool oddFirst;
  };
  static constexpr PairRun kPairRuns[] = {
      {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},
      {0x014A, 0x0177, false}, {0x0179, 0x017E, true},  {0x0460, 0x0481, false},
      {0x048A, 0x04BF, false}, {0x04C1, 0x04CE, true},  {0x04D0, 0x04F5, false},
      {0x04F8, 0x04F9, false}};
  // Runs of upper-case letters whose partners lie `offset` further on.
  struct ShiftRun {
    char32_t first;
    char32_t last;
    char32_t offset;
  };
  static constexpr ShiftRun kShiftRuns[] = {
      {0x00C0, 0x00D6, 0x20}, {0x00D8, 0x00DE, 0x20}, {0x0386, 0x0386, 0x26},
      {0x0388, 0x038A, 0x25}, {0x038C, 0x038C, 0x40}, {0x038E, 0x038F, 0x3F},
      {0x0391, 0x03A1, 0x20}, {0x03A3, 0x03AB, 0x20}, {0x03C2, 0x03C2, 0x01},
      {0x0400, 0x040F, 0x50}, {0x0410, 0x042F, 0x20}};
  for (const ShiftRun& run : kShiftRuns) {
    if (letter >= run.first && letter <= run.last) return letter + run.offset;
  }
  for (const PairRun& run : kPairRuns) {
    if (letter < run.first || letter > run.last) continue;
    const bool odd = (letter & 1) != 0;
    return odd == run.oddFirst ? letter + 1 : letter;
  }
  if (letter == 0x0178) return 0x00FF;  // Y with diaeresis
  return letter;
}

bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

SitePath SitePath::FromSlashForm(std::string text) {
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return SitePath(std::move(text));
}

std::string SitePath::SlashForm() const {
  std::string slashed = text_;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  return slashed;
}

bool SitePath::IsAbsolute() const {
  return !text_.empty() && IsPathSeparator(text_[0]);
}

std::vector<std::string> SitePath::Components() const {
  std::vector<std::string> components;
  ForEachName(text_, [&components](std::string_view name) {
    components.emplace_back(name);
  });
  return components;
}

std::vector<std::string> SitePath::FoldedComponents() const {
  std::vector<std::string> folded;
  for (std::string& component : Components()) {
    if (component == ".." && !folded.empty() && folded.back() != "..") {
      folded.pop_back();
    } else {
      folded.push_back(std::move(component));
    }
  }
  return folded;
}

SitePath SitePath::Normal() const {
  std::string normal;
  for (const std::string& component : FoldedComponents()) {
    // Only a run of ".." at the front is left unfolded: above the root.
    if (component == "..") continue;
    normal += '\\';
    normal += component;
  }
  return SitePath(normal.empty() ? "\\" : std::move(normal));
}

SitePath SitePath::Folder() const {
  const std::size_t separator = LastSeparator(text_);
  if (separator == std::string::npos) return SitePath();
  if (separator == 0) return SitePath("\\");
  return SitePath(text_.substr(0, separator));
}

std::string SitePath::Name() const {
  const std::size_t separator = LastSeparator(text_);
  return separator == std::string::npos ? text_ : text_.substr(separator + 1);
}

SitePath SitePath::Join(std::string_view name) const {
  if (text_.empty()) return SitePath(std::string(name));
  std::string joined = IsRoot(text_) ? std::string() : text_;
  joined += '\\';
  joined += name;
  return SitePath(std::move(joined));
}

bool SitePath::IsInside(const SitePath& folder) const {
  if (IsRoot(folder.text_)) return IsAbsolute();
  if (!StartsWith(text_, folder.text_)) return false;
  return text_.size() == folder.text_.size() ||
         IsPathSeparator(text_[folder.text_.size()]);
}

std::string SitePath::RelativeFrom(const SitePath& folder) const {
  const std::vector<std::string> from = folder.FoldedComponents();
  const std::vector<std::string> target = FoldedComponents();
  std::size_t common = 0;
  while (common < from.size() && common + 1 < target.size() &&
         from[common] == target[common]) {
    ++common;
  }
  std::string relative;
  for (std::size_t i = common; i < from.size(); ++i) relative += "../";
  for (std::size_t i = common; i < target.size(); ++i) {
    if (i > common) relative += '/';
    relative += target[i];
  }
  return relative;
}

std::string SitePath::Key() const {
  std::string key;
  key.reserve(text_.size() + 1);
  ForEachName(text_, [&key](std::string_view name) {
    key += '/';
    key += name;
  });
  return key;
}

std::string WindowsForm(const std::string& internalPath) {
  std::string form = internalPath;
  for (char& c : form) {
    if (c == '/') c = '\\';
  }
  const auto isLetter = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  const bool volume = form.size() >= 3 && form[0] == '\\' &&
                      isLetter(form[1]) && form[2] == ':' &&
                      (form.size() == 3 || form[3] == '\\');
  if (volume) {
    form.erase(0, 1);
    // "C:" alone would be the current folder of that volume.
    if (form.size() == 2) form += '\\';
    return form;
  }
  if (StartsWith(form, "\\UNC\\") && form.size() > 5) {
    return "\\" + form.substr(4);
  }
  return SitePath(internalPath).SlashForm();
}

std::string PercentDecoded(std::string_view text) {
  return *Decoded(text, /*strict=*/false);
}

std::optional<std::string> PercentDecodedStrictly(std::string_view text) {
  return Decoded(text, /*strict=*/true);
}

std::string FoldedLetterCase(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 'A' && lead <= 'Z') {
      text[i] = static_cast<char>(lead - 'A' + 'a');
      continue;
    }
    // Only two-byte sequences hold letters that fold; a lead byte of
    // 0xC2..0xDF never occurs inside a longer sequence.
    if (lead < 0xC2 || lead > 0xDF || i + 1 >= text.size()) continue;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (!IsContinuationByte(next)) continue;
    const char32_t letter =
        (static_cast<char32_t>(lead & 0x1Fu) << 6) | (next & 0x3Fu);
    const char32_t folded = FoldedTwoByteLetter(letter);
    text[i] = static_cast<char>(0xC0 | (folded >> 6));
    text[i + 1] = static_cast<char>(0x80 | (folded & 0x3F));
    ++i;
  }
  return text;
}

}  // namespace quillery
