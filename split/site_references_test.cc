#include "split/site_references.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string_view>
#include <utility>

#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

using Strings = std::vector<std::string>;

TEST(FindReferences, FindsAttributeValuesAndUrlsInTextOrder) {
  struct Row {
    const char* name;
    std::string text;
    Strings expected;
  };
  const Row rows[] = {
      {"quoted, single-quoted and bare",
       "<a href=\"p1.htm#x\"><img SRC='a b.gif'><td background=bg.gif>",
       {"p1.htm#x", "a b.gif", "bg.gif"}},
      {"blanks around =", "<img src= \"x.gif\">", {"x.gif"}},
      {"css url, quoted or not",
       "body{background:url(\"i.png\")} p{background:url( j.png )}",
       {"i.png", "j.png"}},
      {"inside the word processor's conditional comments",
       "<!--[if gte vml 1]><v:imagedata src=\"doc_files/image001.png\"/>"
       "<![endif]--><![if !vml]><img src=\"doc_files/image002.gif\"><![endif]>",
       {"doc_files/image001.png", "doc_files/image002.gif"}},
      {"part of a longer name is none",
       "<img data-src=\"no.gif\" o:href=\"no.htm\" xsrc=1>",
       {}},
      {"no closing quote", "<a href=\"open", {""}},
      {"empty text", "", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FindReferences(row.text), row.expected);
  }
}

// The plain reading of FindReferences: a lower-case copy of the text
// searched once for each name, the hits sorted into text order.
Strings ModelFindReferences(std::string_view text) {
  auto isNameByte = [](char c) {
    return IsAsciiAlnum(c) || c == '-' || c == '_' || c == ':' || c == '.';
  };
  auto valueAt = [&text](std::size_t at) {
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
  };
  auto urlAt = [&text](std::size_t at) {
    const std::size_t close = text.find(')', at);
    if (close == std::string_view::npos) return std::string();
    std::string_view inside = text.substr(at, close - at);
    while (!inside.empty() && IsHtmlSpace(inside.front()))
      inside.remove_prefix(1);
    while (!inside.empty() && IsHtmlSpace(inside.back()))
      inside.remove_suffix(1);
    if (inside.size() >= 2 &&
        (inside.front() == '"' || inside.front() == '\'') &&
        inside.back() == inside.front()) {
      inside = inside.substr(1, inside.size() - 2);
    }
    return std::string(inside);
  };
  const std::string lower = AsciiLower(text);
  std::vector<std::pair<std::size_t, std::string>> found;
  for (std::string_view attribute : {"href=", "src=", "background="}) {
    for (std::size_t at = lower.find(attribute); at != std::string::npos;
         at = lower.find(attribute, at + 1)) {
      if (at > 0 && isNameByte(lower[at - 1])) continue;
      found.emplace_back(at, valueAt(at + attribute.size()));
    }
  }
  for (std::size_t at = lower.find("url("); at != std::string::npos;
       at = lower.find("url(", at + 1)) {
    const char before = at > 0 ? lower[at - 1] : ' ';
    if (IsAsciiAlnum(before) || before == '-' || before == '_') continue;
    found.emplace_back(at, urlAt(at + 4));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  Strings references;
  for (auto& hit : found) references.push_back(std::move(hit.second));
  return references;
}

TEST(FindReferences, AgreesWithThePlainReadingOnGeneratedPages) {
  // Pieces that make and break names, values and url() in every way the
  // scan looks back at: letter case, longer names, blanks, quotes, ends.
  const std::string_view pieces[] = {
      "href=",       "HREF=", "Href =", "src=",      "sRc=",
      "background=", "url(",  "URL(",   "myurl(",    "data-src=",
      "o:href=",     "_src=", "=",      "(",         ")",
      "\"",          "'",     " ",      "\r\n",      ">",
      "<img ",       "x.gif", "a b",    "\xe9",      "#_Toc1",
      "url",         "href",  "src",    "backgroun", "d=",
      "\t",          "f=",    "c=",     "l(",        "BACKGROUND=",
      "url(\"",      "\")",   "'x y'",  "HrEf=",     std::string_view("\0", 1)};
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<std::size_t> length(0, 40);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n)
      text += pieces[pick(random)];
    SCOPED_TRACE(text);
    ASSERT_EQ(FindReferences(text), ModelFindReferences(text));
  }
}

TEST(ForEachReference, HandsOutViewsIntoTheTextInOrder) {
  const std::string text =
      "<link href=\"a.css\"><a HREF=p1.htm#x>1</a>"
      "<p style='background:url( \"b.gif\" )'><img src=''><a href=\"open";
  std::vector<std::string_view> views;
  ForEachReference(text,
                   [&views](std::string_view view) { views.push_back(view); });
  ASSERT_EQ(views.size(), 5u);
  EXPECT_EQ(Strings(views.begin(), views.end()),
            Strings({"a.css", "p1.htm#x", "b.gif", "", ""}));
  // The non-empty ones are the very bytes of the text, nothing copied.
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(text.data() + text.find(views[i]), views[i].data());
  }

  ReferenceScanner scanner(text);
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(scanner.Next(), views[i]);
  }
  EXPECT_EQ(scanner.Next(), std::nullopt);
  EXPECT_EQ(scanner.Next(), std::nullopt);
}

TEST(ReferenceFilePart, CutsAtTheFirstFragmentOrQuery) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"Report_p2.htm#_Toc1", "Report_p2.htm"},
      {"#_Toc1", ""},
      {"a.gif?v=1#top", "a.gif"},
      {"a.htm#x?y", "a.htm"},
      {"sub/plain.gif", "sub/plain.gif"},
      {"", ""},
  };
  for (const auto& [reference, filePart] : rows) {
    SCOPED_TRACE(reference);
    const std::string_view cut = ReferenceFilePart(reference);
    EXPECT_EQ(cut, filePart);
    EXPECT_EQ(cut.data(), reference.data());
  }
}

TEST(ClassifyReference, TellsFilesOfTheSiteFromWhatLeadsOutside) {
  using Kind = ReferenceTarget::Kind;
  struct Row {
    std::string reference;
    std::string pageFolder;
    Kind kind;
    std::string path;
  };
  const Row rows[] = {
      {"Report_files/image002.gif", "", Kind::kInSite,
       "Report_files/image002.gif"},
      {"a%20b.gif?v=1#top", "", Kind::kInSite, "a b.gif"},
      {"../Report.htm#_Toc1", "doc_files", Kind::kInSite, "Report.htm"},
      {".\\sub\\.\\x.css", "", Kind::kInSite, "sub/x.css"},
      {"#_Toc1", "", Kind::kNoFile, ""},
      {"", "", Kind::kNoFile, ""},
      {"sub/..", "", Kind::kNoFile, ""},
      {"../x.gif", "", Kind::kOutside, ""},
      {"sub/../../x.gif", "", Kind::kOutside, ""},
      {"/etc/hosts", "", Kind::kOutside, ""},
      {"//host/x.gif", "", Kind::kOutside, ""},
      {"http://example.org/x.gif", "", Kind::kOutside, ""},
      {"mailto:someone", "", Kind::kOutside, ""},
      {"C:\\x.gif", "", Kind::kOutside, ""},
      // Escapes are decoded before "." and ".." are folded, and a decoded
      // "/" separates like a written one.
      {"%2E%2E/x.gif", "", Kind::kOutside, ""},
      {"%2F..%2Fx.gif", "", Kind::kOutside, ""},
      {"sub/%2e%2e/x.gif", "", Kind::kInSite, "x.gif"},
      {"a%2Fb.gif", "", Kind::kInSite, "a/b.gif"},
      {"%2Fa.gif", "doc_files", Kind::kInSite, "doc_files/a.gif"},
      {"x%zz%.gif", "", Kind::kInSite, "x%zz%.gif"},
      {"../../x.gif", "a/b", Kind::kInSite, "x.gif"},
      {"../../../x.gif", "a/b", Kind::kOutside, ""},
      {"x.gif", "../a", Kind::kOutside, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reference);
    const ReferenceTarget target =
        ClassifyReference(row.reference, row.pageFolder);
    EXPECT_EQ(target.kind, row.kind);
    EXPECT_EQ(target.path, row.path);
  }
}

// The plain reading of ClassifyReference: the reference's path joined to the
// page's folder, decoded, and folded by the path type.
ReferenceTarget ModelClassifyReference(std::string_view reference,
                                       std::string_view pageFolder) {
  ReferenceTarget target;
  std::string_view path = reference;
  const std::size_t cut = path.find_first_of("#?");
  if (cut != std::string_view::npos) path = path.substr(0, cut);
  while (!path.empty() && IsHtmlSpace(path.front())) path.remove_prefix(1);
  while (!path.empty() && IsHtmlSpace(path.back())) path.remove_suffix(1);
  if (path.empty()) return target;
  target.kind = ReferenceTarget::Kind::kOutside;
  const std::size_t colon = path.find(':');
  const std::size_t separator = path.find_first_of("/\\");
  if (colon != std::string_view::npos &&
      (separator == std::string_view::npos || colon < separator)) {
    return target;
  }
  if (path.front() == '/' || path.front() == '\\') return target;
  const std::vector<std::string> parts =
      SitePath(std::string(pageFolder) + "/" + PercentDecoded(path))
          .FoldedComponents();
  if (!parts.empty() && parts.front() == "..") return target;
  if (parts.empty()) {
    target.kind = ReferenceTarget::Kind::kNoFile;
    return target;
  }
  target.kind = ReferenceTarget::Kind::kInSite;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) target.path += '/';
    target.path += parts[i];
  }
  return target;
}

TEST(ClassifyReference, AgreesWithThePlainReadingOnGeneratedReferences) {
  // Pieces of names, separators, dots, escapes, schemes and cuts, put
  // together at random and read from folders at several depths.
  const std::string_view pieces[] = {"a",    "b.gif",    "Report_p12.htm",
                                     ".",    "..",       "...",
                                     "/",    "\\",       "%2F",
                                     "%2f",  "%5C",      "%2E",
                                     "%2e",  "%2E%2E",   "%",
                                     "%z",   "%20",      "#x",
                                     "?v",   "#",        ":",
                                     "http", "C",        " ",
                                     "\t",   "\xc3\xa9", "..."};
  const std::string_view folders[] = {
      "", "a", "a/b", "doc_files", "../a", "a/..", "a\\b", ".", "..", "a//b/"};
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<std::size_t> folder(0, std::size(folders) - 1);
  std::uniform_int_distribution<std::size_t> length(0, 8);
  for (int round = 0; round < 20000; ++round) {
    std::string reference;
    for (std::size_t n = length(random); n > 0; --n)
      reference += pieces[pick(random)];
    const std::string_view pageFolder = folders[folder(random)];
    SCOPED_TRACE("'" + reference + "' from '" + std::string(pageFolder) + "'");
    const ReferenceTarget fast = ClassifyReference(reference, pageFolder);
    const ReferenceTarget model = ModelClassifyReference(reference, pageFolder);
    ASSERT_EQ(fast.kind, model.kind);
    ASSERT_EQ(fast.path, model.path);
    // A plain name is read as the site folder reads it, without a text.
    const std::string_view plain = PlainFileName(reference);
    if (!plain.empty()) {
      const ReferenceTarget fromSite = ModelClassifyReference(reference, "");
      ASSERT_EQ(fromSite.kind, ReferenceTarget::Kind::kInSite);
      ASSERT_EQ(fromSite.path, plain);
    }
  }
}

}  // namespace
}  // namespace quillery
