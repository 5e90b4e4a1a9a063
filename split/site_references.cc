// Reference scanning; see site_references.h.
#include "split/site_references.h"

#include <algorithm>
#include <utility>

#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Bytes of an attribute name: "o:href" and "data-src" are other attributes.
bool IsNameByte(char c) {
  return IsAsciiAlnum(c) || c == '-' || c == '_' || c == ':' || c == '.';
}

// The value that starts at `at` (after "name=" and any blanks).
std::string AttributeValue(std::string_view text, std::size_t at) {
  while (at < text.size() && IsHtmlSpace(text[at])) ++at;
  if (at >= text.size()) return std::string();
  const char quote = text[at];
  if (quote == '"' || quote == '\'') {
    const std::size_t end = text.find(quote, at + 1);
    if (end == std::string_view::npos) return std::string();
    return std::string(text.substr(at + 1, end - at - 1));
  }
  std::size_t end = at;
  while (end < text.size() && !IsHtmlSpace(text[end]) && text[end] != '>')
    ++end;
  return std::string(text.substr(at, end - at));
}

// The argument of url( starting at `at`, without its quotes and blanks.
std::string UrlArgument(std::string_view text, std::size_t at) {
  const std::size_t close = text.find(')', at);
  if (close == std::string_view::npos) return std::string();
  std::string_view inside = text.substr(at, close - at);
  while (!inside.empty() && IsHtmlSpace(inside.front()))
    inside.remove_prefix(1);
  while (!inside.empty() && IsHtmlSpace(inside.back())) inside.remove_suffix(1);
  if (inside.size() >= 2 && (inside.front() == '"' || inside.front() == '\'') &&
      inside.back() == inside.front()) {
    inside = inside.substr(1, inside.size() - 2);
  }
  return std::string(inside);
}

}  // namespace

std::vector<std::string> FindReferences(std::string_view text) {
  static constexpr std::string_view kAttributes[] = {
      "href=", "src=", "background="};
  const std::string lower = AsciiLower(text);
  // Positions and values, merged into text order at the end.
  std::vector<std::pair<std::size_t, std::string>> found;
  for (std::string_view attribute : kAttributes) {
    for (std::size_t at = lower.find(attribute); at != std::string::npos;
         at = lower.find(attribute, at + 1)) {
      if (at > 0 && IsNameByte(lower[at - 1])) continue;
      found.emplace_back(at, AttributeValue(text, at + attribute.size()));
    }
  }
  for (std::size_t at = lower.find("url("); at != std::string::npos;
       at = lower.find("url(", at + 1)) {
    const bool partOfName =
        at > 0 && (IsAsciiAlnum(lower[at - 1]) || lower[at - 1] == '-' ||
                   lower[at - 1] == '_');
    if (partOfName) continue;
    found.emplace_back(at, UrlArgument(text, at + 4));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> references;
  references.reserve(found.size());
  for (auto& [at, value] : found) references.push_back(std::move(value));
  return references;
}

ReferenceTarget ClassifyReference(std::string_view reference,
                                  std::string_view pageFolder) {
  ReferenceTarget target;
  std::string_view path = reference;
  const std::size_t cut = path.find_first_of("#?");
  if (cut != std::string_view::npos) path = path.substr(0, cut);
  while (!path.empty() && IsHtmlSpace(path.front())) path.remove_prefix(1);
  while (!path.empty() && IsHtmlSpace(path.back())) path.remove_suffix(1);
  if (path.empty()) return target;

  target.kind = ReferenceTarget::Kind::kOutside;
  // A scheme ("http:", "mailto:", and "C:" of a drive), a path from the
  // root, or one from another host ("//host/x").
  const std::size_t colon = path.find(':');
  const std::size_t separator = path.find_first_of("/\\");
  if (colon != std::string_view::npos &&
      (separator == std::string_view::npos || colon < separator)) {
    return target;
  }
  if (path.front() == '/' || path.front() == '\\') return target;

  // Read from the site folder: a "/" the decoding makes ("%2F") separates
  // like any other, and a ".." above the site folder stays in front.
  const std::vector<std::string> parts =
      SitePath(std::string(pageFolder) + "/" + PercentDecoded(path))
          .FoldedComponents();
  if (!parts.empty() && parts.front() == "..") return target;
  if (parts.empty()) {
    target.kind = ReferenceTarget::Kind::kNoFile;  // the site folder itself
    return target;
  }
  target.kind = ReferenceTarget::Kind::kInSite;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) target.path += '/';
    target.path += parts[i];
  }
  return target;
}

}  // namespace quillery
