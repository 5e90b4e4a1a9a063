#include "split/page_splitter.h"

#include <gtest/gtest.h>

#include <random>

namespace quillery {
namespace {

using Strings = std::vector<std::string>;

Strings Slices(const PageSplit& split) {
  Strings slices;
  for (std::size_t page = 0; page < split.PageCount(); ++page) {
    slices.emplace_back(split.Slice(page));
  }
  return slices;
}

Strings Slices(const std::string& content, std::int32_t levels) {
  return Slices(SplitIntoPages(content, "R", levels));
}

TEST(SplitIntoPages, CutsAtEveryHeadingUpToTheLevel) {
  const std::string body =
      "<body>pre<h1>A</h1>a<h2>B</h2>b<h3>C</h3>c<h2>D</h2>d</body>";
  EXPECT_EQ(
      Slices(body, 2),
      (Strings{"pre", "<h1>A</h1>a", "<h2>B</h2>b<h3>C</h3>c", "<h2>D</h2>d"}));
  EXPECT_EQ(Slices(body, 3).size(), 5u);
  EXPECT_EQ(Slices(body, 1).size(), 2u);
  EXPECT_EQ(Slices(body, 0).size(), 0u);
  // Only the pages the split has can be asked for.
  for (const std::int32_t level : {0, 1, 2}) {
    const PageSplit split = SplitIntoPages(body, "B", level);
    EXPECT_THROW(static_cast<void>(split.Slice(split.PageCount())),
                 std::out_of_range);
  }
}

TEST(SplitIntoPages, EdgesOfTheBody) {
  struct Row {
    const char* name;
    std::string content;
    Strings expected;
  };
  const Row rows[] = {
      {"no split point", "<body><H1>A</H1></body>", {}},
      {"body begins with a heading",
       "<body><h1>A</h1></body>",
       {"", "<h1>A</h1>"}},
      {"no body tag: page 0 holds the head",
       "<html><head><title>t</title></head><h1>A</h1>",
       {"<html><head><title>t</title></head>", "<h1>A</h1>"}},
      {"heading in the head makes page 0 empty",
       "<head><h1>x</h1></head><body>b<h1>A</h1></body>",
       {"", "<h1>x</h1></head><body>b", "<h1>A</h1>"}},
      {"last page ends at the body end",
       "<body>p<h1>A</h1>x</body>",
       {"p", "<h1>A</h1>x"}},
      {"heading inside an annotation block is no split point",
       "<body>p<![if !supportAnnotations]><h1>n</h1><![endif]>q<h1>A</h1>"
       "</body>",
       {"pq", "<h1>A</h1>"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Slices(row.content, 1), row.expected);
  }
}

TEST(SplitIntoPages, NamesPagesAndKeepsTheCharsetTagOfTheContentAsRead) {
  // The charset tag is taken before the annotation blocks go, so a tag
  // inside one still counts.
  const std::string content =
      "<html><![if !supportAnnotations]><meta content=\"text/html; "
      "charset=utf-8\"><![endif]><body>a<h1>B</h1></body>";
  const PageSplit split = SplitIntoPages(content, "Report_files/Body", 1);
  EXPECT_EQ(split.charsetTag(), "<meta content=\"text/html; charset=utf-8\">");
  EXPECT_EQ(split.content(), "<html><body>a<h1>B</h1></body>");
  EXPECT_EQ(split.PageFile(1), "Report_files/Body_p1.htm");
  EXPECT_EQ(PageFileName("Report", 12), "Report_p12.htm");
}

TEST(SplitIntoPages, PlacesEveryAnchorBeforeAnyPageIsMade) {
  // An anchor on pages 1 and 3 counts for the last; the links to it are
  // collected from the whole text, head included.
  const std::string content =
      "<head><a href=\"#x\"></head><body><p><a href=\"#y\">"
      "<h1><a name=\"x\"><h1><a name=\"y\"><h1><a name=\"x\"></body>";
  const PageSplit split = SplitIntoPages(content, "R", 1);
  EXPECT_EQ(split.anchors().linkTargets(), (Strings{"x", "y"}));
  EXPECT_EQ(split.anchors().anchorPages(), (Strings{"R_p3.htm", "R_p2.htm"}));
}

TEST(LocateTocLinks, FirstPageHoldingTheBookmarkWins) {
  const PageSplit split = SplitIntoPages(
      "<body>see _Toc2<h1><a name=\"_Toc1\"><h1><a name=\"_Toc1\">"
      "<a name=\"_Toc2\"></body>",
      "R", 1);
  std::vector<TocLink> links(3);
  links[0].anchorName = "_Toc1";
  links[1].anchorName = "_Toc2";
  links[2].anchorName = "_Toc9";
  links = LocateTocLinks(std::move(links), split);
  EXPECT_EQ(links[0].newTarget, "R_p1.htm#_Toc1");
  EXPECT_EQ(links[1].newTarget, "R_p2.htm#_Toc2");
  EXPECT_FALSE(links[1].fromMention);
  EXPECT_EQ(links[2].newTarget, "");
}

// Offering the slices twice changes nothing: the contents links of pages
// that carry the contents may be located before and again with the split.
TEST(LocateTocLinks, IsIdempotentOnGeneratedDocuments) {
  const Strings pieces = {"<h1>",
                          "<h2>",
                          "<h3>",
                          "text ",
                          "<a name=\"_Toc1\">",
                          "<a name=\"_Toc2\">",
                          "_Toc3 ",
                          "<a href=\"#_Toc2\">",
                          "_Toc12",
                          "<![if !supportAnnotations]>",
                          "<![endif]>",
                          "</body>",
                          "<body>"};
  std::mt19937 random(42);
  for (int round = 0; round < 300; ++round) {
    std::string content;
    for (std::size_t i = 1 + random() % 25; i > 0; --i) {
      content += pieces[random() % pieces.size()];
    }
    SCOPED_TRACE(content);
    const PageSplit split = SplitIntoPages(content, "B", 2);
    std::vector<TocLink> links(4);
    links[0].anchorName = "_Toc1";
    links[1].anchorName = "_Toc2";
    links[2].anchorName = "_Toc3";
    links[3].anchorName = "_Toc12";
    const std::vector<TocLink> once = LocateTocLinks(links, split);
    const std::vector<TocLink> twice = LocateTocLinks(once, split);
    for (std::size_t i = 0; i < links.size(); ++i) {
      EXPECT_EQ(once[i].newTarget, twice[i].newTarget);
      EXPECT_EQ(once[i].fromMention, twice[i].fromMention);
    }
  }
}

// Many pages are offered in two halves side by side; every record ends as
// one resolver offered every page in order leaves it, whatever it came
// with: nothing, a target from a mention, or a target from a holding page.
TEST(LocateTocLinks, TwoHalvesResolveAsOnePassInPageOrder) {
  std::mt19937 random(19);
  const auto pick = [&random](std::size_t count) {
    return static_cast<std::size_t>(random() % count);
  };
  for (int round = 0; round < 40; ++round) {
    std::string content = "<body>";
    for (std::size_t page = 0; page < 60 + pick(200); ++page) {
      content += "<h1>H</h1>";
      for (std::size_t i = pick(4); i > 0; --i) {
        const std::string name = "_Toc" + std::to_string(pick(40));
        switch (pick(3)) {
          case 0:
            content += "<a name=\"" + name + "\">x</a>";
            break;
          case 1:
            content += "see " + name + ". ";
            break;
          default:
            content += "<a href=\"#" + name + "\">y</a>";
        }
      }
    }
    content += "</body>";
    const PageSplit split = SplitIntoPages(content, "R", 1);
    std::vector<TocLink> links;
    for (std::size_t n = 0; n < 48; ++n) {
      TocLink link;
      link.anchorName = (n % 16 == 15 ? "Other" : "_Toc") + std::to_string(n);
      switch (pick(4)) {
        case 0:
          link.newTarget = "Given.htm#" + link.anchorName;
          link.fromMention = true;
          break;
        case 1:
          link.newTarget = "Given.htm#" + link.anchorName;
          break;
        default:
          break;
      }
      links.push_back(link);
      if (pick(5) == 0) links.push_back(link);
    }
    SCOPED_TRACE(split.PageCount());
    TocLinkResolver model(links);
    for (std::size_t page = 0; page < split.PageCount(); ++page) {
      model.ResolveTocLinks(split.Slice(page), split.PageFile(page));
    }
    const std::vector<TocLink> located = LocateTocLinks(links, split);
    ASSERT_EQ(located.size(), model.tocLinks().size());
    for (std::size_t i = 0; i < located.size(); ++i) {
      EXPECT_EQ(located[i].newTarget, model.tocLinks()[i].newTarget) << i;
      EXPECT_EQ(located[i].fromMention, model.tocLinks()[i].fromMention) << i;
    }
  }
}

TEST(PointFramesAt, RepointsTheFrame1Source) {
  struct Row {
    const char* name;
    std::string frames;
    std::string source;
    std::string firstPage;
    std::string expected;
  };
  const Row rows[] = {
      {"unquoted source becomes quoted",
       "<frame name=Frame1 src=Report.htm scrolling=auto>", "Report.htm",
       "Report_p0.htm",
       "<frame name=Frame1 src=\"Report_p0.htm\" scrolling=auto>"},
      {"encoded blank; the page name stays unencoded",
       "<frame name=Frame1 src=\"My%20Report.htm\">", "My Report.htm",
       "My Report_p0.htm", "<frame name=Frame1 src=\"My Report_p0.htm\">"},
      {"every quoted occurrence, and only those",
       "<a href=\"R.htm\">R.htm</a><frame name=Frame1 src=\"R.htm\">", "R.htm",
       "R_p0.htm",
       "<a href=\"R_p0.htm\">R.htm</a><frame name=Frame1 "
       "src=\"R_p0.htm\">"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PointFramesAt(row.frames, row.source, row.firstPage),
              row.expected);
  }
}

}  // namespace
}  // namespace quillery
