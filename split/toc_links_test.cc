#include "split/toc_links.h"

#include <gtest/gtest.h>

#include <random>

namespace quillery {
namespace {

constexpr std::size_t npos = std::string::npos;

// The bullet steps read literally, one insertion into the growing text at a
// time, with the scan going on after the link that just got its image.
void ModelAddTocBullets(std::string& text) {
  const std::string marker(kTocParagraphMarker);
  bool level1 = false;
  std::size_t m = text.find(marker);
  if (m != npos && m + 15 < text.size() && text[m + 15] == '1') level1 = true;
  m = m == npos ? 0 : m + 1;
  std::size_t h = text.find("href=");
  while (h != npos) {
    std::size_t s = h;
    for (std::size_t j = h; j + 10 > s; --j) {
      if (text[j] == '<') s = j;
      if (j == 0) break;
    }
    std::size_t linkAt = h;
    if (s < h) {
      std::string_view image = level1 ? kMainImage : kBulletImage;
      text.insert(s, image);
      level1 = false;
      m = text.find(marker, m);
      if (m != npos && m + 15 < text.size() && text[m + 15] == '1') {
        level1 = true;
      }
      m = m == npos ? 0 : m + 1;
      linkAt = h + image.size();
    }
    h = text.find("href=", linkAt + 1);
  }
}

// Every position checked against every record.
void ModelApplyTocLinks(std::string& text, const std::vector<TocLink>& links) {
  std::string result;
  for (std::size_t i = 0; i < text.size();) {
    const TocLink* best = nullptr;
    for (const TocLink& link : links) {
      if (link.oldTarget.empty() ||
          text.compare(i, link.oldTarget.size(), link.oldTarget) != 0) {
        continue;
      }
      if (best == nullptr || link.oldTarget.size() > best->oldTarget.size()) {
        best = &link;
      }
    }
    if (best == nullptr) {
      result += text[i++];
      continue;
    }
    result += best->newTarget.empty() ? best->oldTarget : best->newTarget;
    i += best->oldTarget.size();
  }
  text = result;
}

std::string Bullets(const std::string& text) { return AddTocBullets(text); }

const std::string kMain(kMainImage);
const std::string kBullet(kBulletImage);

TEST(AddTocBullets, PutsTheImageOfTheParagraphLevelBeforeTheLinkTags) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"level 1 entry",
       "<p class=MsoToc1><span class=MsoHyperlink><a href=\"doc.htm#_Toc101\">",
       "<p class=MsoToc1><span class=MsoHyperlink>" + kMain +
           "<a href=\"doc.htm#_Toc101\">"},
      {"level 2 entry",
       "<p class=MsoToc2><span class=MsoHyperlink><a href=\"doc.htm#_Toc102\">",
       "<p class=MsoToc2><span class=MsoHyperlink>" + kBullet +
           "<a href=\"doc.htm#_Toc102\">"},
      {"run of tags", "<p class=MsoToc2><b><a href=x>",
       "<p class=MsoToc2>" + kBullet + "<b><a href=x>"},
      {"no tag close enough", "<p class=MsoToc1><a          href=x>",
       "<p class=MsoToc1><a          href=x>"},
      {"no paragraphs", "<a href=x></a> text <a href=y>",
       kBullet + "<a href=x></a> text " + kBullet + "<a href=y>"},
      {"closing tag of the link before joins the run",
       "<a href=x></a> <a href=y>",
       kBullet + "<a href=x>" + kBullet + "</a> <a href=y>"},
      {"empty text", "", ""},
      {"href at the very start", "href=x", "href=x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Bullets(row.text), row.expected);
  }
}

TEST(AddTocBullets, LinkWithoutImageDoesNotAdvanceTheParagraphCount) {
  std::string text =
      "<p class=MsoToc1><a href=a></a>\r\n"
      "<p class=MsoToc2>          href=plain\r\n"
      "<p class=MsoToc1><a href=b></a>";
  std::string expected = "<p class=MsoToc1>" + kMain + "<a href=a></a>\r\n" +
                         "<p class=MsoToc2>          href=plain\r\n" +
                         "<p class=MsoToc1>" + kBullet + "<a href=b></a>";
  EXPECT_EQ(Bullets(text), expected);
}

TEST(AddTocBullets, CountStartsAgainWhenParagraphsRunOut) {
  std::string text = "<p class=MsoToc1><a href=a><a href=b><a href=c>";
  // First link: paragraph 1 (level 1); second: none left, bullet; the count
  // then starts again at the first paragraph for the third.
  std::string expected = "<p class=MsoToc1>" + kMain + "<a href=a>" + kBullet +
                         "<a href=b>" + kMain + "<a href=c>";
  EXPECT_EQ(Bullets(text), expected);
}

TEST(AddTocBullets, ShortLinksSideBySideEndWithOneImageEach) {
  // The second link's tag run reaches back over the first link.
  EXPECT_EQ(Bullets("<a href=><a href=y>"),
            kBullet + kBullet + "<a href=><a href=y>");
}

TEST(AddTocBullets, MatchesTheStepByStepReadingOnGeneratedTexts) {
  const std::vector<std::string> pieces = {"<p class=MsoToc1>",
                                           "<p class=MsoToc2>",
                                           "<p class=MsoToc",
                                           "<a ",
                                           "href=",
                                           "\"x\"",
                                           ">",
                                           "<",
                                           "<b>",
                                           " ",
                                           "abcdefghij",
                                           "1",
                                           "\r\n"};
  std::mt19937 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    std::string expected = text;
    ModelAddTocBullets(expected);
    SCOPED_TRACE(text);
    ASSERT_EQ(Bullets(text), expected);
  }
}

TEST(CollectTocLinks, RecordsEveryTocOccurrence) {
  const std::vector<TocLink> links = CollectTocLinks(
      "<a href=\"doc.htm#_Toc101\">x</a><a href=\"doc.htm#_Toc101\">"
      "_Toc9 <a href=\"#_Toc7 x\">_Toc5");
  ASSERT_EQ(links.size(), 5u);
  EXPECT_EQ(links[0].anchorName, "_Toc101");
  EXPECT_EQ(links[0].oldTarget, "doc.htm#_Toc101");
  EXPECT_EQ(links[0].newTarget, "");
  EXPECT_EQ(links[1].oldTarget, "doc.htm#_Toc101");
  // Outside any attribute: from the last quote before it to the next one.
  EXPECT_EQ(links[2].anchorName, "_Toc9 <a href=");
  EXPECT_EQ(links[2].oldTarget, ">_Toc9 <a href=");
  EXPECT_EQ(links[3].anchorName, "_Toc7 x");
  EXPECT_EQ(links[3].oldTarget, "#_Toc7 x");
  // No double quote after it: both empty.
  EXPECT_EQ(links[4].anchorName, "");
  EXPECT_EQ(links[4].oldTarget, "");
}

TEST(CollectTocLinks, TextWithoutTocLeavesTheListEmpty) {
  const std::string text = "<a href=\"doc.htm#x\">";
  const std::vector<TocLink> links = CollectTocLinks(text);
  EXPECT_TRUE(links.empty());
  EXPECT_EQ(ApplyTocLinks(text, links), text);
}

TEST(ApplyTocLinks, ReplacesEachTargetOnce) {
  const std::string text =
      "<a href=\"doc.htm#_Toc101\">A</a><a href=\"doc.htm#_Toc101\">B</a>"
      "<a href=\"doc.htm#_Toc1012\">C</a>";
  std::vector<TocLink> links = CollectTocLinks(text);
  ASSERT_EQ(links.size(), 3u);
  links[0].newTarget = "doc_p2.htm#_Toc101";
  links[2].newTarget = "doc_p3.htm#_Toc1012";
  EXPECT_EQ(ApplyTocLinks(text, links),
            "<a href=\"doc_p2.htm#_Toc101\">A</a>"
            "<a href=\"doc_p2.htm#_Toc101\">B</a>"
            "<a href=\"doc_p3.htm#_Toc1012\">C</a>");
}

TEST(ApplyTocLinks, UnresolvedLinkKeepsItsTarget) {
  const std::string text =
      "<a href=\"doc.htm#_Toc1\">A</a><a href=\"doc.htm#_Toc2\">";
  std::vector<TocLink> links = CollectTocLinks(text);
  links[1].newTarget = "doc_p1.htm#_Toc2";
  EXPECT_EQ(ApplyTocLinks(text, links),
            "<a href=\"doc.htm#_Toc1\">A</a><a href=\"doc_p1.htm#_Toc2\">");
}

TEST(ApplyTocLinks, NewTargetHoldingAnOldOneIsNotReplacedAgain) {
  const std::vector<TocLink> links = {
      TocLink{"x#_Toc1#_Toc1", "_Toc1", "_Toc1", false}};
  EXPECT_EQ(ApplyTocLinks("\"_Toc1\" \"_Toc1\"", links),
            "\"x#_Toc1#_Toc1\" \"x#_Toc1#_Toc1\"");
}

TEST(ApplyTocLinks, MatchesThePositionByPositionReadingOnGeneratedTexts) {
  const std::vector<std::string> pieces = {"_Toc", "1", "2", "#", "d.htm",
                                           "\"",   "x", "_", " "};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    std::vector<TocLink> links = CollectTocLinks(text);
    for (TocLink& link : links) {
      if (random() % 3 != 0) link.newTarget = "p" + link.oldTarget;
    }
    // Extra records whose targets are prefixes or overlaps of others.
    if (!links.empty() && random() % 2 == 0) {
      TocLink extra = links[random() % links.size()];
      extra.oldTarget = extra.oldTarget.substr(0, extra.oldTarget.size() / 2);
      extra.newTarget = random() % 2 == 0 ? "" : "q";
      links.insert(links.begin(), extra);
    }
    std::string expected = text;
    ModelApplyTocLinks(expected, links);
    ASSERT_EQ(ApplyTocLinks(text, links), expected);
  }
}

}  // namespace
}  // namespace quillery

namespace quillery {
namespace {

TEST(ApplyTocLinksFrom, WritesNewTargetsFromTheContentsPagesFolder) {
  const std::string text =
      "<a href=\"../Report.htm#_Toc1\">A</a><a href=\"../Report.htm#_Toc2\">B"
      "</a>";
  std::vector<TocLink> links = CollectTocLinks(text);
  ASSERT_EQ(links.size(), 2u);
  links[0].newTarget = "Report_p1.htm#_Toc1";  // links[1] found no page
  struct Row {
    const char* folder;
    std::string expected;
  };
  const Row rows[] = {
      {"", "Report_p1.htm#_Toc1"},
      {".", "Report_p1.htm#_Toc1"},
      {"doc_files", "../Report_p1.htm#_Toc1"},
      {"doc_files\\inner", "../../Report_p1.htm#_Toc1"},
      {"./doc_files/", "../Report_p1.htm#_Toc1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(ApplyTocLinksFrom(text, links, row.folder),
              "<a href=\"" + row.expected +
                  "\">A</a><a href=\"../Report.htm#_Toc2\">B</a>");
  }
  // Pages in the contents page's own folder are named as they are.
  links[0].newTarget = "doc_files/Body_p1.htm#_Toc1";
  EXPECT_EQ(ApplyTocLinksFrom(text, links, "doc_files"),
            "<a href=\"Body_p1.htm#_Toc1\">A</a>"
            "<a href=\"../Report.htm#_Toc2\">B</a>");
  EXPECT_EQ(links[0].newTarget, "doc_files/Body_p1.htm#_Toc1");
}

}  // namespace
}  // namespace quillery
