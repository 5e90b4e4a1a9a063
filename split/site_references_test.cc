#include "split/site_references.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quillery
