// Reference scanning; see site_references.h.
#include "split/site_references.h"

#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Bytes of an attribute name: "o:href" and "data-src" are other attributes.
bool IsNameByte(char c) {
  return IsAsciiAlnum(c) || c == '-' || c == '_' || c == ':' || c == '.';
}

// True when the bytes just before `end` spell `lowerName`, letters in any
// case. The last byte is compared first: it is the one most often wrong.
bool NameEndsAt(std::string_view text, std::size_t end,
                std::string_view lowerName) {
  if (end < lowerName.size()) return false;
  const std::size_t start = end - lowerName.size();
  for (std::size_t i = lowerName.size(); i > 0; --i) {
    char c = text[start + i - 1];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerName[i - 1]) return false;
  }
  return true;
}

// The one reference attribute whose name ends in the letter `last` (either
// case), or "": most "=" of a page end other names (class=, name=, lang=)
// and are passed over on this one byte.
std::string_view ReferenceNameEndingIn(char last) {
  // Setting bit 5 maps A-Z to a-z, and no byte but these two cases gives
  // f, c or d.
  switch (last | 0x20) {
    case 'f':
      return "href";
    case 'c':
      return "src";
    case 'd':
      return "background";
    default:
      return {};
  }
}

// True when the "=" at `equals` ends href=, src= or background=, the name
// not part of a longer one.
bool IsReferenceAttributeBefore(std::string_view text, std::size_t equals) {
  if (equals == 0) return false;
  const std::string_view name = ReferenceNameEndingIn(text[equals - 1]);
  if (name.empty() || !NameEndsAt(text, equals, name)) return false;
  const std::size_t start = equals - name.size();
  return start == 0 || !IsNameByte(text[start - 1]);
}

// True when the "(" at `paren` ends url(, the name not part of a longer one
// ("myurl(" is another function).
bool IsUrlBefore(std::string_view text, std::size_t paren) {
  if (!NameEndsAt(text, paren, "url")) return false;
  const std::size_t start = paren - 3;
  if (start == 0) return true;
  const char before = text[start - 1];
  return !IsAsciiAlnum(before) && before != '-' && before != '_';
}

// The value that starts at `at` (after "name=" and any blanks).
std::string_view AttributeValue(std::string_view text, std::size_t at) {
  while (at < text.size() && IsHtmlSpace(text[at])) ++at;
  if (at >= text.size()) return {};
  const char quote = text[at];
  if (quote == '"' || quote == '\'') {
    const std::size_t end = text.find(quote, at + 1);
    if (end == std::string_view::npos) return {};
    return text.substr(at + 1, end - at - 1);
  }
  std::size_t end = at;
  while (end < text.size() && !IsHtmlSpace(text[end]) && text[end] != '>')
    ++end;
  return text.substr(at, end - at);
}

// The argument of url( starting at `at`, without its quotes and blanks.
std::string_view UrlArgument(std::string_view text, std::size_t at) {
  const std::size_t close = text.find(')', at);
  if (close == std::string_view::npos) return {};
  std::string_view inside = text.substr(at, close - at);
  while (!inside.empty() && IsHtmlSpace(inside.front()))
    inside.remove_prefix(1);
  while (!inside.empty() && IsHtmlSpace(inside.back())) inside.remove_suffix(1);
  if (inside.size() >= 2 && (inside.front() == '"' || inside.front() == '\'') &&
      inside.back() == inside.front()) {
    inside = inside.substr(1, inside.size() - 2);
  }
  return inside;
}

// The position of the first "/" or "\" of `path`; npos for none.
std::size_t FirstSeparator(std::string_view path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsPathSeparator(path[i])) return i;
  }
  return std::string_view::npos;
}

// Appends the components of `path` to the "/" joined components in
// `folded`, as SitePath::FoldedComponents() reads them: empty ones and "."
// left out, and a ".." taking away the component before it unless that is a
// ".." too (or there is none), so that a path that climbs keeps its ".."
// in front. Nothing but the result is built.
void AppendFolded(std::string_view path, std::string& folded) {
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = FirstSeparator(path.substr(begin));
    end = end == std::string_view::npos ? path.size() : begin + end;
    const std::string_view component = path.substr(begin, end - begin);
    begin = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == ".." && !folded.empty()) {
      const std::size_t slash = folded.rfind('/');
      const std::size_t lastStart = slash == std::string::npos ? 0 : slash + 1;
      if (std::string_view(folded).substr(lastStart) != "..") {
        folded.resize(lastStart == 0 ? 0 : slash);
        continue;
      }
    }
    if (!folded.empty()) folded += '/';
    folded.append(component);
  }
}

// The first "=" or "(" at or after `from`; npos for none. Where the
// processor compares 16 bytes at once (SSE2, on every x86-64), it looks at
// 16 at a time for either byte, so that the many "=" of a page (class=,
// style=, lang=) cost no search call each; elsewhere one byte at a time.
std::size_t NameEndFrom(std::string_view text, std::size_t from) {
#if defined(__SSE2__)
  const __m128i equals = _mm_set1_epi8('=');
  const __m128i paren = _mm_set1_epi8('(');
  while (from + 16 <= text.size()) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    const int found = _mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(bytes, equals), _mm_cmpeq_epi8(bytes, paren)));
    if (found != 0) {
      return from + static_cast<std::size_t>(
                        __builtin_ctz(static_cast<unsigned int>(found)));
    }
    from += 16;
  }
#endif
  for (; from < text.size(); ++from) {
    if (text[from] == '=' || text[from] == '(') return from;
  }
  return std::string_view::npos;
}

}  // namespace

// Every reference ends its name with "=" or "(": the scan jumps from one of
// those bytes to the next and looks back at the name before each, so that a
// page is neither copied in lower case nor searched once per name.
ReferenceScanner::ReferenceScanner(std::string_view text)
    : text_(text), next_(NameEndFrom(text, 0)) {}

std::optional<std::string_view> ReferenceScanner::Next() {
  while (next_ != std::string_view::npos) {
    const std::size_t at = next_;
    next_ = NameEndFrom(text_, at + 1);
    if (text_[at] == '=') {
      if (IsReferenceAttributeBefore(text_, at)) {
        return AttributeValue(text_, at + 1);
      }
    } else if (IsUrlBefore(text_, at)) {
      return UrlArgument(text_, at + 1);
    }
  }
  return std::nullopt;
}

std::vector<std::string> FindReferences(std::string_view text) {
  std::vector<std::string> references;
  ForEachReference(text, [&references](std::string_view reference) {
    references.emplace_back(reference);
  });
  return references;
}

std::string_view ReferenceFilePart(std::string_view reference) {
  // A plain loop: a reference is short, and one search for each of the two
  // bytes would read it twice.
  for (std::size_t i = 0; i < reference.size(); ++i) {
    if (reference[i] == '#' || reference[i] == '?')
      return reference.substr(0, i);
  }
  return reference;
}

std::string_view PlainFileName(std::string_view reference) {
  std::string_view name = ReferenceFilePart(reference);
  while (!name.empty() && IsHtmlSpace(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsHtmlSpace(name.back())) name.remove_suffix(1);
  if (name.empty() || name == "." || name == "..") return {};
  for (const char c : name) {
    if (c == ':' || c == '%' || IsPathSeparator(c)) return {};
  }
  return name;
}

ReferenceTarget ClassifyReference(std::string_view reference,
                                  std::string_view pageFolder) {
  ReferenceTarget target;
  std::string_view path = ReferenceFilePart(reference);
  while (!path.empty() && IsHtmlSpace(path.front())) path.remove_prefix(1);
  while (!path.empty() && IsHtmlSpace(path.back())) path.remove_suffix(1);
  if (path.empty()) return target;

  target.kind = ReferenceTarget::Kind::kOutside;
  // A scheme ("http:", "mailto:", and "C:" of a drive), a path from the
  // root, or one from another host ("//host/x").
  const std::size_t colon = path.find(':');
  if (colon != std::string_view::npos &&
      FirstSeparator(path.substr(0, colon)) == std::string_view::npos) {
    return target;
  }
  if (IsPathSeparator(path.front())) return target;

  // Read from the site folder: a "/" the decoding makes ("%2F") separates
  // like any other, and a ".." above the site folder stays in front.
  std::string decoded;
  if (path.find('%') != std::string_view::npos) {
    decoded = PercentDecoded(path);
    path = decoded;
  }
  std::string folded;
  folded.reserve(pageFolder.size() + 1 + path.size());
  AppendFolded(pageFolder, folded);
  AppendFolded(path, folded);
  if (folded.empty()) {
    target.kind = ReferenceTarget::Kind::kNoFile;  // the site folder itself
    return target;
  }
  if (folded.compare(0, 2, "..") == 0 &&
      (folded.size() == 2 || folded[2] == '/')) {
    return target;
  }
  target.kind = ReferenceTarget::Kind::kInSite;
  target.path = std::move(folded);
  return target;
}

}  // namespace quillery
