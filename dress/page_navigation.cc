// Page navigation markers; see page_navigation.h.
#include "dress/page_navigation.h"

#include <utility>

#include "text/bytes.h"

namespace quillery {
namespace {

constexpr std::string_view kPageTitle = "[PAGETITLE]";
constexpr std::string_view kDocumentTitle = "[DOCTITLE]";
constexpr std::string_view kPreviousPage = "[PREVPAGE]";
constexpr std::string_view kNextPage = "[NEXTPAGE]";
constexpr std::string_view kStartPage = "[STARTPAGE]";
constexpr std::string_view kPageNavigation = "[PAGENAV]";
constexpr std::string_view kContents = kContentsMarker;
constexpr std::string_view kLanguage = "[LANG]";
constexpr std::string_view kSiteHead = kSiteHeadMarker;
constexpr std::string_view kSiteContents = "[SITECONTENTS]";
constexpr std::string_view kCurrentPage = " aria-current=\"page\"";

// The marker that begins at `at`, and what it expands to; null for none.
const std::string* MarkerAt(std::string_view text, std::size_t at,
                            const PageMarkers& markers, std::size_t& length) {
  const std::pair<std::string_view, const std::string*> known[] = {
      {kPageTitle, &markers.pageTitle},
      {kDocumentTitle, &markers.documentTitle},
      {kPreviousPage, &markers.previousPage},
      {kNextPage, &markers.nextPage},
      {kStartPage, &markers.startPage},
      {kPageNavigation, &markers.pageNavigation},
      {kContents, &markers.contents},
      {kLanguage, &markers.language},
      {kSiteHead, &markers.siteHead},
      {kSiteContents, &markers.siteContents},
  };
  for (const auto& [marker, value] : known) {
    if (text.compare(at, marker.size(), marker) == 0) {
      length = marker.size();
      return value;
    }
  }
  return nullptr;
}

}  // namespace

bool HoldsPageMarkers(std::string_view text) {
  for (std::string_view marker :
       {kPageTitle, kDocumentTitle, kPreviousPage, kNextPage, kStartPage,
        kPageNavigation, kContents, kLanguage, kSiteHead, kSiteContents}) {
    if (Contains(text, marker)) return true;
  }
  return false;
}

std::string ExpandPageMarkers(std::string_view text,
                              const PageMarkers& markers) {
  std::string expanded;
  expanded.reserve(text.size());
  std::size_t copied = 0;
  for (std::size_t at = text.find('['); at != std::string_view::npos;
       at = text.find('[', at + 1)) {
    std::size_t length = 0;
    const std::string* value = MarkerAt(text, at, markers, length);
    if (value == nullptr) continue;
    expanded.append(text, copied, at - copied);
    expanded += *value;
    copied = at + length;
    at = copied - 1;
  }
  expanded.append(text, copied, std::string_view::npos);
  return expanded;
}

std::string PlainText(std::string_view html) {
  std::string plain;
  bool inTag = false;
  bool pendingBlank = false;
  for (char c : html) {
    if (c == '<') {
      inTag = true;
      continue;
    }
    if (inTag) {
      inTag = c != '>';
      continue;
    }
    if (IsHtmlSpace(c)) {
      pendingBlank = !plain.empty();
      continue;
    }
    if (pendingBlank) plain += ' ';
    pendingBlank = false;
    plain += c;
  }
  return plain;
}

ByteLayout ByteLayoutOf(std::string_view charsetTag) {
  const std::string lower = AsciiLower(charsetTag);
  if (Contains(lower, "utf-8") || Contains(lower, "utf8")) {
    return ByteLayout::kUtf8;
  }
  for (std::string_view name :
       {"shift_jis", "sjis", "windows-31j", "big5", "gbk", "gb2312", "gb18030",
        "cp936", "cp950", "ks_c_5601", "euc-kr"}) {
    if (Contains(lower, name)) return ByteLayout::kDoubleByte;
  }
  return ByteLayout::kSingleByte;
}

std::size_t CharacterLength(std::string_view text, std::size_t at,
                            ByteLayout layout) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  return layout == ByteLayout::kDoubleByte && c >= 0x81 && c <= 0xFE &&
                 at + 1 < text.size()
             ? 2
             : 1;
}

std::size_t NonBreakingSpaceAt(std::string_view text, std::size_t at,
                               ByteLayout layout) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  if (c == 0xA0 && layout == ByteLayout::kSingleByte) return 1;
  if (c == 0xC2 && layout == ByteLayout::kUtf8 && at + 1 < text.size() &&
      static_cast<unsigned char>(text[at + 1]) == 0xA0) {
    return 2;
  }
  if (c != '&') return 0;
  for (std::string_view entity : {"&nbsp;", "&#160;", "&#xa0;"}) {
    // Compared where it stands, without a lower-case copy: this runs for
    // every "&" of every page.
    if (text.size() - at >= entity.size() &&
        FindAnyCase(text.substr(at, entity.size()), entity) == 0) {
      return entity.size();
    }
  }
  return 0;
}

std::size_t EndOfHiddenMarkup(std::string_view html, std::size_t open) {
  if (html.compare(open, 4, "<!--") == 0) {
    const std::size_t close = html.find("-->", open + 4);
    return close == std::string_view::npos ? html.size() : close + 3;
  }
  if (open + 5 > html.size() || AsciiLower(html.substr(open, 5)) != "<span" ||
      (open + 5 < html.size() && !IsHtmlSpace(html[open + 5]))) {
    return std::string_view::npos;
  }
  const std::size_t tagEnd = html.find('>', open);
  if (tagEnd == std::string_view::npos) return std::string_view::npos;
  const std::string tag = AsciiLower(html.substr(open, tagEnd - open));
  if (!Contains(tag, "display:none") && !Contains(tag, "display: none") &&
      !Contains(tag, "mso-hide:all")) {
    return std::string_view::npos;
  }
  // Hidden spans hold spans of their own; the span ends at its own end tag.
  std::size_t depth = 1;
  for (std::size_t at = html.find('<', tagEnd); at != std::string_view::npos;
       at = html.find('<', at + 1)) {
    const std::size_t comment = html.compare(at, 4, "<!--") == 0
                                    ? EndOfHiddenMarkup(html, at)
                                    : std::string_view::npos;
    if (comment != std::string_view::npos) {
      if (comment >= html.size()) break;
      at = comment - 1;
      continue;
    }
    const std::string_view name = html.substr(at, 6);
    if (AsciiLower(name.substr(0, 5)) == "<span" &&
        (name.size() < 6 || IsHtmlSpace(name[5]) || name[5] == '>')) {
      ++depth;
    } else if (AsciiLower(name) == "</span" && --depth == 0) {
      const std::size_t close = html.find('>', at);
      return close == std::string_view::npos ? html.size() : close + 1;
    }
  }
  return html.size();
}

std::string CleanLabel(std::string_view html, ByteLayout layout) {
  std::string label;
  bool inTag = false;
  bool pendingBlank = false;
  for (std::size_t at = 0; at < html.size();) {
    const char c = html[at];
    const std::size_t hiddenEnd = !inTag && c == '<'
                                      ? EndOfHiddenMarkup(html, at)
                                      : std::string_view::npos;
    if (hiddenEnd != std::string_view::npos) {
      at = hiddenEnd;
      continue;
    }
    if (inTag || c == '<') {
      inTag = c != '>';
      ++at;
      continue;
    }
    const std::size_t space =
        IsHtmlSpace(c) ? 1 : NonBreakingSpaceAt(html, at, layout);
    if (space > 0) {
      pendingBlank = !label.empty();
      at += space;
      continue;
    }
    if (pendingBlank) label += ' ';
    pendingBlank = false;
    const std::size_t length = CharacterLength(html, at, layout);
    label.append(html, at, length);
    at += length;
  }
  return label;
}

std::string DocumentTitle(std::string_view page, std::string_view fallback) {
  // The title stands in the head: the search stops at the body, and a long
  // document is not copied to find it.
  std::string_view head = page.substr(0, FindAnyCase(page, "<body"));
  const std::size_t open = FindAnyCase(head, "<title");
  if (open != std::string::npos) {
    const std::size_t start = head.find('>', open);
    const std::size_t close = FindAnyCase(head, "</title", open);
    if (start != std::string::npos && close != std::string::npos &&
        start < close) {
      std::string title = PlainText(page.substr(start + 1, close - start - 1));
      if (!title.empty()) return title;
    }
  }
  return std::string(fallback);
}

namespace {

// The markup inside the first heading element of a slice; "" for none.
std::string_view FirstHeadingInside(std::string_view slice) {
  // Searched in any case where the slice stands: a page is not copied in
  // lower case to find its first heading.
  for (std::size_t open = FindAnyCase(slice, "<h"); open != std::string::npos;
       open = FindAnyCase(slice, "<h", open + 1)) {
    if (open + 2 >= slice.size() || slice[open + 2] < '1' ||
        slice[open + 2] > '9') {
      continue;
    }
    const std::string closeTag = "</h" + std::string(1, slice[open + 2]);
    const std::size_t start = slice.find('>', open);
    const std::size_t close = FindAnyCase(slice, closeTag, open);
    if (start == std::string::npos || close == std::string::npos ||
        start > close) {
      return std::string_view();
    }
    return slice.substr(start + 1, close - start - 1);
  }
  return std::string_view();
}

}  // namespace

std::string FirstHeadingText(std::string_view slice) {
  return PlainText(FirstHeadingInside(slice));
}

std::string FirstHeadingLabel(std::string_view slice, ByteLayout layout) {
  return CleanLabel(FirstHeadingInside(slice), layout);
}

ContentsMarker::ContentsMarker(std::string contents)
    : contents_(std::move(contents)) {
  const std::string lower = AsciiLower(contents_);
  for (std::size_t tag = lower.find("<a"); tag != std::string::npos;
       tag = lower.find("<a", tag + 2)) {
    if (tag + 2 >= lower.size() || !IsHtmlSpace(lower[tag + 2])) continue;
    const std::size_t end = lower.find('>', tag);
    const std::size_t href = lower.find("href=", tag);
    if (end == std::string::npos || href == std::string::npos || href > end) {
      continue;
    }
    std::size_t value = href + 5;
    std::size_t valueEnd;
    if (value < end && (contents_[value] == '"' || contents_[value] == '\'')) {
      valueEnd = contents_.find(contents_[value], value + 1);
      ++value;
    } else {
      valueEnd = value;
      while (valueEnd < end && !IsHtmlSpace(contents_[valueEnd])) ++valueEnd;
    }
    if (valueEnd == std::string::npos || valueEnd > end) continue;
    const std::string target = contents_.substr(value, valueEnd - value);
    linksInto_[target.substr(0, target.find('#'))].push_back(tag + 2);
  }
}

std::string ContentsMarker::MarkedFor(const std::string& pageFile) const {
  auto links = linksInto_.find(pageFile);
  if (links == linksInto_.end()) return contents_;
  std::string marked;
  marked.reserve(contents_.size() + links->second.size() * kCurrentPage.size());
  std::size_t copied = 0;
  for (std::size_t at : links->second) {
    marked.append(contents_, copied, at - copied);
    marked += kCurrentPage;
    copied = at;
  }
  marked.append(contents_, copied, std::string::npos);
  return marked;
}

}  // namespace quillery
