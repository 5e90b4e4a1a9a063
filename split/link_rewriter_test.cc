#include "split/link_rewriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "text/bytes.h"

namespace quillery {
namespace {

using Strings = std::vector<std::string>;
const std::string kMarker = "href=\"#";

// Plain readings, kept as models: list scans per slice, and in-place
// rewriting of the text as it changes.
bool IsLinkModel(const std::string& text, std::size_t h) {
  for (std::size_t j = h - 1; j >= 1 && h - j <= 49; --j) {
    if (text[j] == '<' && text[j + 1] == 'a') return true;
  }
  return false;
}

struct AnchorListsModel {
  Strings linkTargets, anchorPages;

  void Collect(const std::string& text) {
    linkTargets.clear();
    for (std::size_t h = text.find(kMarker); h != std::string::npos && h != 0;
         h = text.find(kMarker, h + 5)) {
      if (!IsLinkModel(text, h)) continue;
      const std::size_t q = text.find('"', h + 7);
      linkTargets.push_back(
          q == std::string::npos ? "" : text.substr(h + 7, q - h - 7));
    }
    anchorPages.assign(linkTargets.size(), "");
  }
  void Record(const std::string& slice, const std::string& page) {
    for (std::size_t i = 0; i < linkTargets.size(); ++i) {
      if (Contains(slice, "name=\"" + linkTargets[i] + "\"")) {
        anchorPages[i] = page;
      }
    }
  }
  std::string PageOf(const std::string& target) const {
    for (std::size_t i = 0; i < linkTargets.size(); ++i) {
      if (linkTargets[i] == target) return anchorPages[i];
    }
    return "";
  }
  std::string Rewrite(std::string text, const std::string& pageFile) const {
    for (std::size_t h = text.find(kMarker); h != std::string::npos && h != 0;
         h = text.find(kMarker, h + 5)) {
      const std::size_t q = text.find('"', h + 7);
      if (!IsLinkModel(text, h) || q == std::string::npos) continue;
      const std::string x = text.substr(h + 7, q - h - 7);
      const std::string page = PageOf(x);
      if (page != pageFile) text.replace(h + 6, q - (h + 6), page + "#" + x);
    }
    return text;
  }
};

bool MentionsModel(const std::string& slice, const std::string& name) {
  for (std::size_t at = slice.find(name); at != std::string::npos;
       at = slice.find(name, at + 1)) {
    const std::size_t end = at + name.size();
    if (end == slice.size()) return true;
    if (!IsAsciiAlnum(slice[end]) && slice[end] != '_') return true;
  }
  return false;
}

void ResolveTocLinksModel(std::vector<TocLink>& links, const std::string& slice,
                          const std::string& page) {
  for (TocLink& link : links) {
    if (link.anchorName.empty()) continue;
    const bool fromHoldingPage = !link.newTarget.empty() && !link.fromMention;
    const bool holds = Contains(slice, "name=\"" + link.anchorName + "\"");
    if ((holds && !fromHoldingPage) ||
        (!holds && link.newTarget.empty() &&
         MentionsModel(slice, link.anchorName))) {
      link.newTarget = page + "#" + link.anchorName;
      link.fromMention = !holds;
    }
  }
}

// "newTarget fromMention;" of each record, fromMention as 0 or 1.
std::string Describe(const std::vector<TocLink>& links) {
  std::string text;
  for (const TocLink& link : links) {
    text += link.newTarget + (link.fromMention ? " 1;" : " 0;");
  }
  return text;
}

std::string RandomText(std::mt19937& random, const Strings& pieces,
                       std::size_t maxPieces) {
  std::string text;
  for (std::size_t i = random() % (maxPieces + 1); i > 0; --i) {
    text += pieces[random() % pieces.size()];
  }
  return text;
}

TEST(CollectLinkTargets, FindsLinksAsWordWritesThem) {
  const std::string filler47(47, '.');
  struct Row {
    const char* name;
    std::string text;
    Strings expected;
  };
  const Row rows[] = {
      {"empty text", "", Strings{}},
      {"upper case", "<p><A HREF=\"#x\"><A href=\"#y\">", Strings{}},
      {"attribute before href", "<p><a class=x href=\"#y\">", Strings{"y"}},
      {"<a 49 bytes back", "x<a" + filler47 + "href=\"#z\"", Strings{"z"}},
      {"<a 50 bytes back", "x<a." + filler47 + "href=\"#z\"", Strings{}},
      {"<a at byte 0 does not count", "<a href=\"#x\">", Strings{}},
      {"text beginning with href=\"#", "href=\"#x\" <a href=\"#y\">",
       Strings{}},
      {"duplicates kept in text order",
       "<p><a href=\"#t\"><a href=\"#u\"><a href=\"#t\">",
       Strings{"t", "u", "t"}},
      {"empty target and no closing quote", "<p><a href=\"#\"><a href=\"#open",
       Strings{"", ""}},
      {"marker inside a target", "<p><a href=\"#ahref=\"#b\">",
       Strings{"ahref=", "b"}},
      {"bytes above 127 and CRLF", "<p><a href=\"#\xE4\r\n\">",
       Strings{"\xE4\r\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AnchorPageTable table;
    table.CollectLinkTargets("<p><a href=\"#stale\">");
    table.RecordAnchorPage("name=\"stale\"", "p0.htm");
    table.CollectLinkTargets(row.text);
    EXPECT_EQ(table.linkTargets(), row.expected);
    EXPECT_EQ(table.anchorPages(), Strings(row.expected.size(), ""));
    EXPECT_EQ(table.PageOfAnchor("stale"), "");
  }
}

TEST(RecordAnchorPage, NotesTheLastPageHoldingTheAnchor) {
  AnchorPageTable table;
  table.CollectLinkTargets(
      "<p><a href=\"#twice\"><a href=\"#single\"><a href=\"#bare\">"
      "<a href=\"#twice\"><a href=\"#\"><a href=\"#linked\">");
  table.RecordAnchorPage("<a name=\"twice\"><a name=\"\">", "p1.htm");
  table.RecordAnchorPage("<a name='single'><a name=bare>", "p2.htm");
  table.RecordAnchorPage("<a name=\"twice\"><a name=\"twice\">", "p3.htm");
  table.RecordAnchorPage("<a href=\"#linked\">", "p4.htm");
  EXPECT_EQ(table.anchorPages(),
            (Strings{"p3.htm", "", "", "p3.htm", "p1.htm", ""}));
  EXPECT_EQ(table.PageOfAnchor("twice"), "p3.htm");
  EXPECT_EQ(table.PageOfAnchor(""), "p1.htm");
  EXPECT_EQ(table.PageOfAnchor("unknown"), "");
}

TEST(FindAnchorMarks, FindsEveryNameOpenAndTocPrefix) {
  using Positions = std::vector<std::size_t>;
  struct Row {
    const char* name;
    std::string text;
    Positions nameOpens, tocNames;
  };
  const Row rows[] = {
      {"empty text", "", Positions{}, Positions{}},
      {"at byte 0 and side by side", "name=\"_Toc_Toc\"name=\"",
       Positions{0, 15}, Positions{6, 10}},
      {"a name=\" inside a value", "<a name=\"name=\"x\">", Positions{3, 9},
       Positions{}},
      {"cut off by the end", "x name=_To", Positions{}, Positions{}},
      {"other letter case, single quotes", "NAME=\"x\" name='_TOC1'",
       Positions{}, Positions{}},
      {"at the very end", "\xE4name=\"_Toc", Positions{1}, Positions{7}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const AnchorMarks marks = FindAnchorMarks(row.text);
    EXPECT_EQ(marks.nameOpens, row.nameOpens);
    EXPECT_EQ(marks.tocNames, row.tocNames);
  }
}

// Ranges of a text as pages give them: side by side from a start, some of
// them empty, and now and then one that starts again further back.
std::vector<std::pair<std::size_t, std::size_t>> RandomRanges(
    std::mt19937& random, std::size_t size) {
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  std::size_t from = random() % (size + 1);
  while (from < size) {
    const std::size_t to = std::min(size, from + random() % 40);
    ranges.emplace_back(from, to);
    from = random() % 8 == 0 ? random() % (size + 1) : to;
    if (from == to && random() % 4 == 0) ranges.emplace_back(to, to);
  }
  return ranges;
}

TEST(RecordAnchorPage, ARangeOfAMarkedTextCountsAsItsSliceAlone) {
  const Strings pieces({"<a name=\"", "name=\"", "\"", "x", "ahref=", " ",
                        "<a href=\"#x\">", "<a href=\"#ahref=\">",
                        "<a href=\"#\">", "<a name=\"x\">", "\xE4", "\r\n"});
  std::mt19937 random(13);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = RandomText(random, pieces, 30);
    SCOPED_TRACE(text);
    const AnchorMarks marks = FindAnchorMarks(text);
    AnchorPageTable table;
    AnchorListsModel model;
    table.CollectLinkTargets(text);
    model.Collect(text);
    std::size_t page = 0;
    for (const auto& [from, to] : RandomRanges(random, text.size())) {
      const std::string pageFile = "p" + std::to_string(page++ % 3) + ".htm";
      table.RecordAnchorPage(text, marks, from, to, pageFile);
      model.Record(text.substr(from, to - from), pageFile);
    }
    ASSERT_EQ(table.anchorPages(), model.anchorPages);
  }
}

TEST(RewritePageLinks, RepointsLinksWhoseAnchorIsOnAnotherPage) {
  // _Toc1 is on p4, _Toc2 on p2 (the page rewritten), _Toc3 on none.
  AnchorPageTable table;
  table.CollectLinkTargets(
      "<p><a href=\"#_Toc1\"><a href=\"#_Toc2\"><a href=\"#_Toc3\">"
      "<a href=\"#ahref=\">");
  table.RecordAnchorPage("<a name=\"_Toc2\">", "p2.htm");
  table.RecordAnchorPage("<a name=\"_Toc1\"><a name=\"ahref=\">", "p4.htm");
  const std::string spaces(30, ' ');
  const std::string toc1 = "p4.htm#_Toc1";
  struct Row {
    const char* name;
    std::string page, expected;
  };
  const Row rows[] = {
      {"anchor on another page, side by side; CRLF, bytes above 127 kept",
       "\xE4\r\n<a href=\"#_Toc1\"><a href=\"#_Toc1\">\xFF\r\n",
       "\xE4\r\n<a href=\"" + toc1 + "\"><a href=\"" + toc1 + "\">\xFF\r\n"},
      {"anchor on this page", "<a href=\"#_Toc2\">", "<a href=\"#_Toc2\">"},
      {"anchor on no page", "<a href=\"#_Toc3\">", "<a href=\"#_Toc3\">"},
      {"no closing quote", "<p><a href=\"#_Toc1", "<p><a href=\"#_Toc1"},
      {"page beginning with href=\"#", "href=\"#_Toc1\"<a href=\"#_Toc1\">",
       "href=\"#_Toc1\"<a href=\"#_Toc1\">"},
      {"inserted page name pushes a later <a out of reach",
       "x<a href=\"#_Toc1\"" + spaces + " href=\"#_Toc1\">",
       "x<a href=\"" + toc1 + "\"" + spaces + " href=\"#_Toc1\">"},
      {"marker starting inside a re-pointed target",
       "x<a href=\"#ahref=\"#_Toc1\">",
       "x<a href=\"p4.htm#ahref=\"" + toc1 + "\">"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RewritePageLinks(row.page, "p2.htm", table), row.expected);
  }
}

TEST(RewritePageLinks, MatchesTheListScansOnGeneratedDocuments) {
  const Strings pieces({"<a ", "<a", "x<a href=\"#", kMarker, "name=\"", "\"",
                        "x", "_Toc1", "ahref=", " ", "#", "<a name=\"x\">",
                        "<a href=\"#x\">", "<A HREF=\"#x\">",
                        "<a name=\"ahref=\">", "<a name=\"\">", "          ",
                        "\xE4", "\r\n"});
  // Page names of several lengths, with "<a" and quotes; none holds href="
  // (a page name never does, and the in-place reading would rescan it).
  const Strings pageNames = {"p0.htm", "a page name long enough to matter.htm",
                             "<a.htm", "q\"a.htm", "ahref=.htm"};
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = RandomText(random, pieces, 30);
    SCOPED_TRACE(text);
    Strings slices, pages;
    for (std::size_t start = 0; start < text.size();
         start += slices.back().size()) {
      slices.push_back(text.substr(start, 1 + random() % 60));
      pages.push_back(pageNames[random() % pageNames.size()]);
    }
    AnchorPageTable table;
    AnchorListsModel model;
    table.CollectLinkTargets(text);
    model.Collect(text);
    for (std::size_t k = 0; k < slices.size(); ++k) {
      table.RecordAnchorPage(slices[k], pages[k]);
      model.Record(slices[k], pages[k]);
    }
    ASSERT_EQ(table.linkTargets(), model.linkTargets);
    ASSERT_EQ(table.anchorPages(), model.anchorPages);
    for (const std::string& target : model.linkTargets) {
      ASSERT_EQ(table.PageOfAnchor(target), model.PageOf(target));
    }
    slices.push_back(text);
    pages.push_back("whole.htm");
    for (std::size_t k = 0; k < slices.size(); ++k) {
      ASSERT_EQ(RewritePageLinks(slices[k], pages[k], table),
                model.Rewrite(slices[k], pages[k]))
          << "page " << k;
    }
  }
}

TocLink Record(const std::string& anchorName, const std::string& newTarget = "",
               bool fromMention = false) {
  return TocLink{newTarget, anchorName, "", fromMention};
}

TEST(ResolveTocLinks, PointsToThePageHoldingTheAnchor) {
  using Links = std::vector<TocLink>;
  struct Row {
    const char* name;
    Links links;
    Strings slices;  // pages p0.htm, p1.htm, ...
    std::string expected;
  };
  const Row rows[] = {
      {"holding page wins over earlier mentions, a single-quoted one too",
       Links{Record("_Toc1")},
       Strings{"<a href=\"#_Toc1\">", "<a name='_Toc1'>", "<a name=\"_Toc1\">"},
       "p2.htm#_Toc1 0;"},
      {"first holding page wins", Links{Record("_Toc1")},
       Strings{"<a name=\"_Toc1\">", "<a name=\"_Toc1\">"}, "p0.htm#_Toc1 0;"},
      {"first mention resolves when no page holds it", Links{Record("_Toc1")},
       Strings{"x", "see _Toc1.", "x_Toc1"}, "p1.htm#_Toc1 1;"},
      {"a longer name is no mention", Links{Record("_Toc1")},
       Strings{"_Toc12 _Toc1_ _Toc1a", "name=\"_Toc12\""}, " 0;"},
      {"names with a space and a <",
       Links{Record("_Toc1 a<"), Record("_Toc1 a")},
       Strings{"_Toc1 ab", "_Toc1 a<b", "name=\"_Toc1 a<\""},
       "p2.htm#_Toc1 a< 0;p1.htm#_Toc1 a 1;"},
      {"two records of one name", Links{Record("_Toc1"), Record("_Toc1")},
       Strings{"_Toc1", "name=\"_Toc1\""}, "p1.htm#_Toc1 0;p1.htm#_Toc1 0;"},
      {"empty name is never resolved", Links{Record("")},
       Strings{"name=\"\"", "x"}, " 0;"},
      {"target set before: kept if from a holding page, else replaced",
       Links{Record("_Toc1", "Old.htm#_Toc1", /*fromMention=*/false),
             Record("_Toc1", "Old.htm#_Toc1", /*fromMention=*/true)},
       Strings{"_Toc1", "<a name=\"_Toc1\">"},
       "Old.htm#_Toc1 0;p1.htm#_Toc1 0;"},
      {"bytes above 127 in a name and after it", Links{Record("_Toc\xE4")},
       Strings{"_Toc\xE4x", "_Toc\xE4\xE4"}, "p1.htm#_Toc\xE4 1;"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TocLinkResolver resolver(row.links);
    for (std::size_t k = 0; k < row.slices.size(); ++k) {
      resolver.ResolveTocLinks(row.slices[k], "p" + std::to_string(k) + ".htm");
    }
    EXPECT_EQ(Describe(resolver.TakeTocLinks()), row.expected);
  }
}

TEST(ResolveTocLinks, MatchesTheRecordByRecordScanOnGeneratedSlices) {
  const Strings names = {"_Toc1",  "_Toc12", "_Toc1 a",   "_Toc<x", "_Toc",
                         "_Toc_1", "",       "_Toc1\xE4", "_Toc2"};
  Strings pieces = {"name=\"", "\"", " ", "a", "_", "1", "_To", "c", "<"};
  for (const std::string& name : names) {
    pieces.push_back(name);
    pieces.push_back("name=\"" + name + "\"");
  }
  std::mt19937 random(11);
  for (int round = 0; round < 4000; ++round) {
    std::vector<TocLink> links;
    for (std::size_t i = random() % 7; i > 0; --i) {
      const std::string& name = names[random() % names.size()];
      // 0, 1: set before, from a holding page or from a mention.
      const unsigned kind = random() % 4;
      links.push_back(kind < 2 ? Record(name, "Old.htm#" + name, kind == 1)
                               : Record(name));
    }
    std::vector<TocLink> expected = links;
    TocLinkResolver resolver(links);
    for (std::size_t k = random() % 5; k < 5; ++k) {
      const std::string slice = RandomText(random, pieces, 10);
      const std::string page = "p" + std::to_string(k) + ".htm";
      SCOPED_TRACE(slice);
      resolver.ResolveTocLinks(slice, page);
      ResolveTocLinksModel(expected, slice, page);
      ASSERT_EQ(Describe(resolver.tocLinks()), Describe(expected));
    }
  }
}

TEST(ResolveTocLinks, ARangeOfAMarkedTextCountsAsItsSliceAlone) {
  const Strings names = {"_Toc1", "_Toc12", "_Toc1 a", "_Toc", "", "_Toc2"};
  Strings pieces = {"name=\"", "\"", " ", "a", "_", "1", "_To", "c"};
  for (const std::string& name : names) {
    pieces.push_back(name);
    pieces.push_back("name=\"" + name + "\"");
  }
  std::mt19937 random(17);
  for (int round = 0; round < 4000; ++round) {
    std::vector<TocLink> links;
    for (std::size_t i = random() % 7; i > 0; --i) {
      links.push_back(Record(names[random() % names.size()]));
    }
    std::vector<TocLink> expected = links;
    TocLinkResolver resolver(links);
    const std::string text = RandomText(random, pieces, 30);
    SCOPED_TRACE(text);
    const AnchorMarks marks = FindAnchorMarks(text);
    std::size_t page = 0;
    for (const auto& [from, to] : RandomRanges(random, text.size())) {
      const std::string pageFile = "p" + std::to_string(page++) + ".htm";
      resolver.ResolveTocLinks(text, marks, from, to, pageFile);
      ResolveTocLinksModel(expected, text.substr(from, to - from), pageFile);
    }
    ASSERT_EQ(Describe(resolver.tocLinks()), Describe(expected));
  }
}

}  // namespace
}  // namespace quillery
