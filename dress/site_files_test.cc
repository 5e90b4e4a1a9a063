#include "dress/site_files.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "dress/compress.h"

namespace quillery {
namespace {

TEST(DocumentLanguage, TakesTheBodysLangAttribute) {
  struct Row {
    const char* name;
    std::string content;
    std::string expected;
  };
  const Row rows[] = {
      {"word's form", "<html><body lang=EN-US style='x'>", "en-US"},
      {"quoted, upper-case tag", "<BODY LANG=\"ZH-cn\">", "zh-CN"},
      {"language only", "<body lang='fr'>", "fr"},
      {"three parts", "<body lang=sr-latn-rs>", "sr-latn-RS"},
      {"no language", "<body lang=X-NONE>", "en"},
      {"no lang attribute", "<body style='x'>", "en"},
      {"xml:lang is not lang", "<body xml:lang=de>", "en"},
      {"not a body tag first", "<bodytext lang=de><body lang=nl>", "nl"},
      {"no body", "<p lang=de>", "en"},
      {"a blank in the value", "<body lang=\"en us\">", "en"},
      {"an empty part", "<body lang=en-->", "en"},
      {"empty", "", "en"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DocumentLanguage(row.content), row.expected);
  }
}

TEST(SearchText, KeepsTheWordsReadersSee) {
  struct Row {
    const char* name;
    std::string slice;
    std::string expected;
  };
  const Row rows[] = {
      {"paragraphs part words, spans join them",
       "<p class=MsoNormal>One</p><p>Tw<span lang=EN>o</span></p>", "One Two"},
      {"white space and non-breaking spaces folded, trimmed",
       "\r\n<h2>1.&nbsp;&nbsp;Terms</h2>\r\n<td>a\t\tb</td> ", "1. Terms a b"},
      {"comments, scripts and styles dropped",
       "A<!--[if gte vml 1]><v:shape>hidden</v:shape><![endif]-->B"
       "<script>var x = 1;</script><STYLE>p{}</STYLE>C",
       "ABC"},
      {"hidden spans dropped, nested ones too",
       "A<span style='display:none'><span>x</span>y</span>B", "AB"},
      {"word's list markers are tags", "<![if !supportLists]>1.<![endif]>Item",
       "1.Item"},
      {"references kept", "R&amp;D &#8211; &lt;x&gt;",
       "R&amp;D &#8211; &lt;x&gt;"},
      {"a lone < is text", "a < b <3", "a < b <3"},
      {"cut off tag", "text<p class=", "text"},
      {"cut off comment", "text<!-- never closed", "text"},
      {"bytes above 127", "caf\xE9", "caf\xE9"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SearchText(row.slice, ByteLayout::kSingleByte), row.expected);
  }
}

TEST(JavaScriptString, EscapesWhatEndsOrBendsTheLiteral) {
  EXPECT_EQ(JavaScriptString("a\\b\"c\r\nd\te\x7F", ByteLayout::kSingleByte),
            "a\\\\b\\\"c  d e ");
  // 0x5C as the second byte of a Shift_JIS pair is part of a letter.
  EXPECT_EQ(JavaScriptString("\x95\x5C\\", ByteLayout::kDoubleByte),
            "\x95\x5C\\\\");
  EXPECT_EQ(JavaScriptString("\x95\x5C", ByteLayout::kSingleByte), "\x95\\\\");
  EXPECT_EQ(JavaScriptString("", ByteLayout::kUtf8), "");
}

TEST(ContentsEntries, ListsEveryLinkWithItsLevelAndLabel) {
  const std::string contents =
      "<p class=MsoToc1><span class=MsoHyperlink><a href=\"R_p1.htm#_Toc1\">"
      "1.&nbsp;&nbsp;&nbsp; Birds</a></span></p>\r\n"
      "<p class=MsoToc2><a name=\"_Toc9\"></a><a href='R_p12.htm#_Toc2'>"
      "<span style='display:none'></span></a></p>\r\n"
      "<p class=MsoNormal><A HREF=notes.htm>Notes</A></p>\r\n"
      "<p class=MsoToc3><a href=\"other.htm#x\"> </a><a href=\"R_p3.htm\">"
      "Cut off";
  const std::vector<ContentsEntry> entries =
      ContentsEntries(contents, "R", ByteLayout::kSingleByte);
  ASSERT_EQ(entries.size(), 5u);
  const ContentsEntry expected[] = {
      {1, "R_p1.htm#_Toc1", "1. Birds"}, {2, "R_p12.htm#_Toc2", "Page 12"},
      {1, "notes.htm", "Notes"},         {3, "other.htm#x", "other.htm#x"},
      {3, "R_p3.htm", "Cut off"},
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].level, expected[i].level);
    EXPECT_EQ(entries[i].href, expected[i].href);
    EXPECT_EQ(entries[i].label, expected[i].label);
  }
  EXPECT_TRUE(ContentsEntries("", "R", ByteLayout::kSingleByte).empty());
}

TEST(ContentsList, WritesOneItemPerEntry) {
  EXPECT_EQ(ContentsList({{1, "R_p1.htm#_Toc1", "Birds &amp; gulls"},
                          {2, "a\"b<c.htm", "Odd"}}),
            "<ul class=\"q-toc-list\">\n"
            "<li class=\"q-l1\"><a href=\"R_p1.htm#_Toc1\">Birds &amp; "
            "gulls</a></li>\n"
            "<li class=\"q-l2\"><a href=\"a&quot;b&lt;c.htm\">Odd</a></li>\n"
            "</ul>\n");
  EXPECT_EQ(ContentsList({}), "<ul class=\"q-toc-list\">\n</ul>\n");
}

TEST(SiteHead, LinksTheNeighboursAndTheSiteFiles) {
  const SiteFileNames names("R");
  EXPECT_EQ(SiteHead(names, "R_p1.htm", "R_p0.htm", "R_p2.htm"),
            "<link rel=\"stylesheet\" href=\"R_site.css\">\n"
            "<link rel=\"prev\" href=\"R_p0.htm\">\n"
            "<link rel=\"next\" href=\"R_p2.htm\">\n"
            "<script src=\"R_site.js\" defer data-page=\"R_p1.htm\"></script>");
  EXPECT_EQ(SiteHead(names, "R_p0.htm", "", ""),
            "<link rel=\"stylesheet\" href=\"R_site.css\">\n"
            "<script src=\"R_site.js\" defer data-page=\"R_p0.htm\"></script>");
  EXPECT_EQ(SiteContentsLink("../R_toc.htm"),
            "<div id=\"q-toc\"><a href=\"../R_toc.htm\">Contents</a></div>");
  EXPECT_EQ(SiteContentsLink("a&b\"<.htm"),
            "<div id=\"q-toc\"><a href=\"a&amp;b&quot;&lt;.htm\">Contents</a>"
            "</div>");
}

TEST(MakeSiteFiles, WritesTheSharedFilesOnce) {
  SiteSources sources;
  sources.baseName = "R";
  sources.contentsList = "<ul>\"x\"</ul>\n";
  sources.styles = "css";
  sources.script = "js";
  SearchIndexScript index;
  index.Add(IndexedPage{"R_p0.htm", "Page 0", "Cover"});
  index.Add(IndexedPage{"R_p1.htm", "Say \"hi\"", "C:\\dir"});
  const std::vector<SiteFile> files = MakeSiteFiles(sources, index.Finish());
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "R_site.css");
  EXPECT_EQ(files[0].bytes, "css");
  EXPECT_EQ(files[1].name, "R_site.js");
  EXPECT_EQ(
      files[1].bytes,
      "window.quillerySite={index:\"R_search.js\",contents:\"<ul>\\\"x\\\""
      "</ul> \"};\njs");
  EXPECT_EQ(files[2].name, "R_search.js");
  const std::string records =
      "R_p0.htm\x1FPage 0\x1F"
      "Cover\x1F\x1E"
      "R_p1.htm\x1FSay \"hi\"\x1F"
      "C:\\dir\x1F\x1E";
  EXPECT_EQ(files[2].bytes, "quillerySearchIndex(" +
                                std::to_string(records.size()) + ",\"" +
                                Base64(Deflate(records)) + "\");\n");
}

// The records the index script carries, from its base64.
std::string IndexRecords(const std::string& script) {
  const std::size_t open = script.find('"');
  const std::size_t close = script.rfind('"');
  EXPECT_NE(open, close);
  return script.substr(open + 1, close - open - 1);
}

TEST(SearchIndexScript, BlanksControlBytesAndKeepsTheRest) {
  struct Row {
    const char* name;
    std::string text;
    std::string kept;  // the text as the records hold it
  };
  const Row rows[] = {
      {"tab, line end and the separators",
       "a\tb\r\nc\x1F"
       "d\x1E",
       "a b  c d "},
      {"bytes above 127 and pairs", "\xE4\xFF\x81\x40", "\xE4\xFF\x81\x40"},
      {"a control byte after a lead byte",
       "\x81\x1F"
       "a",
       "\x81 a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SearchIndexScript index;
    index.Add(IndexedPage{"R_p0.htm", "T", row.text});
    const std::string records = "R_p0.htm\x1FT\x1F" + row.kept + "\x1F\x1E";
    EXPECT_EQ(IndexRecords(index.Finish()), Base64(Deflate(records)));
  }
}

TEST(SearchIndexScript, AnIndexWithoutPagesHoldsAnEmptyStream) {
  SearchIndexScript index;
  EXPECT_EQ(index.Finish(), "quillerySearchIndex(0,\"AwA=\");\n");
}

}  // namespace
}  // namespace quillery
