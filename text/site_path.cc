// Path algebra on text; see site_path.h.
#include "text/site_path.h"

#include "text/bytes.h"

namespace quillery {
namespace {

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
  const std::string_view path = text_;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find_first_of("/\\", begin);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view component = path.substr(begin, end - begin);
    begin = end + 1;
    if (!component.empty() && component != ".")
      components.emplace_back(component);
  }
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
  const std::size_t separator = text_.find_last_of("\\/");
  if (separator == std::string::npos) return SitePath();
  if (separator == 0) return SitePath("\\");
  return SitePath(text_.substr(0, separator));
}

std::string SitePath::Name() const {
  const std::size_t separator = text_.find_last_of("\\/");
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
  key.reserve(text_.size());
  for (const std::string& component : Components()) {
    key += '/';
    key += component;
  }
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

}  // namespace quillery
