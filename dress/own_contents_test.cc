#include "dress/own_contents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "split/body_seams.h"

namespace quillery {
namespace {

// An entry as "level bookmark [text] <bookmark tag up to the end of its name
// attribute>", so that a row shows every field at once.
std::string Describe(const std::string& document,
                     const OwnContentsEntry& entry) {
  return std::string(1, entry.level) + " " + entry.bookmark + " [" +
         entry.text + "] " +
         document.substr(entry.bookmarkTagAt,
                         entry.nameEnd - entry.bookmarkTagAt) +
         (document.compare(entry.nameAt, 5, "name=") == 0 ||
                  document.compare(entry.nameAt, 5, "NAME=") == 0
              ? ""
              : " (name attribute not found)");
}

TEST(ReadOwnContents, TakesContentsParagraphsLinkingToBookmarks) {
  const std::string kGulls = "<h4><a name=\"_Toc1\"></a>Gulls</h4>";
  struct Row {
    const char* name;
    std::string document;
    std::string documentName;
    std::vector<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"link without file name",
       "<p class=MsoToc1><a href=\"#_Toc1\">Gulls</a></p>" + kGulls,
       "Birds.htm",
       {"1 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"link with the document's name, any case, blanks as %20",
       "<p class=MsoToc2><a href=\"my%20BIRDS.htm#_Toc1\">Gulls</a></p>" +
           kGulls,
       "My Birds.htm",
       {"2 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"link into another file",
       "<p class=MsoToc1><a href=\"Other.htm#_Toc1\">Gulls</a></p>" + kGulls,
       "Birds.htm",
       {}},
      {"levels from the class digit, in document order",
       "<p class=MsoToc9><a href=\"#_Toc2\">Deep</a></p>"
       "<p class=\"MsoToc3\"><a href=\"#_Toc1\">Gulls</a></p>" +
           kGulls + "<p><a name=_Toc2>Deep</a></p>",
       "Birds.htm",
       {"9 _Toc2 [Deep] <a name=_Toc2", "3 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"bookmark missing, or not a _Toc bookmark",
       "<p class=MsoToc1><a href=\"#_Toc7\">Lost</a></p>"
       "<p class=MsoToc1><a href=\"#Intro\">Intro</a></p>"
       "<p><a name=Intro></a>Intro</p>" +
           kGulls,
       "Birds.htm",
       {}},
      {"no contents class",
       "<style>p.MsoToc1 {margin:0}</style>"
       "<p class=MsoToc10><a href=\"#_Toc1\">a</a></p>"
       "<p class=MsoTocHeading><a href=\"#_Toc1\">b</a></p>"
       "<p class=MsoNormal><a href=\"#_Toc1\">c</a></p>"
       "<pre class=MsoToc1><a href=\"#_Toc1\">d</a></pre>" +
           kGulls,
       "Birds.htm",
       {}},
      {"nested tags, hidden leader and page number dropped",
       "<p class=MsoToc1 style='tab-stops:right dotted 481.4pt'><span "
       "class=MsoHyperlink><a href=\"#_Toc1\"><span lang=EN>1.</span><span "
       "style='mso-tab-count:1'>&nbsp; </span><b>Gulls</b><span "
       "style='color:windowtext;DISPLAY:NONE;mso-hide:screen'><span "
       "style='mso-tab-count:1 dotted'>. </span></span><span "
       "style='display:none'>3</span> <i>and</i> terns</a></span></p>" +
           kGulls,
       "Birds.htm",
       {"1 _Toc1 [1.&nbsp; Gulls and terns] <a name=\"_Toc1\""}},
      {"field codes in comments: no link, no text",
       "<p class=MsoToc1><!--[if supportFields]><span "
       "style='mso-element:field-begin'></span> TOC <a href=\"#_Toc9\">x</a>"
       "<![endif]--><a href=\"#_Toc1\">Gulls<!--[if supportFields]> PAGEREF "
       "_Toc1 \\h <![endif]--></a></p>" +
           kGulls,
       "Birds.htm",
       {"1 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"CRLF inside tags and text",
       "<p class=MsoToc2\r\nstyle='tab-stops:right dotted'><a\r\n"
       "href=\"#_Toc1\">Herring\r\ngull</a></p>\r\n<h4><a\r\nname=\"_Toc1\">"
       "</a>Herring gull</h4>",
       "Birds.htm",
       {"2 _Toc1 [Herring gull] <a\r\nname=\"_Toc1\""}},
      {"upper case tags and attributes",
       "<P CLASS=MSOTOC1><A HREF=\"#_Toc1\">Gulls</A></P>"
       "<P><A NAME=_Toc1>Gulls</A></P>",
       "Birds.htm",
       {"1 _Toc1 [Gulls] <A NAME=_Toc1"}},
      {"the first link of the paragraph decides",
       "<p class=MsoToc1><a href=\"http://example.org/\">web</a>"
       "<a href=\"#_Toc1\">Gulls</a></p>" +
           kGulls,
       "Birds.htm",
       {}},
      {"an unclosed paragraph ends at the next one",
       "<p class=MsoToc1>Gulls<p><a href=\"#_Toc1\">x</a></p>" + kGulls,
       "Birds.htm",
       {}},
      {"the first bookmark of a name counts; empty text stays empty",
       "<p class=MsoToc1><a href=\"#_Toc1\"><span "
       "style='display:none'>3</span></a></p>" +
           kGulls + "<p><a name='_Toc1'>again</a></p>",
       "Birds.htm",
       {"1 _Toc1 [] <a name=\"_Toc1\""}},
      {"a link left open runs to the paragraph's end",
       "<p class=MsoToc1><a href=\"#_Toc1\">Gulls</p>" + kGulls,
       "Birds.htm",
       {"1 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"a tag left open ends where the next one starts",
       "<p class=MsoToc1 <a href=\"#_Toc1\">Gulls</a></p><h4><a "
       "name=\"_Toc1\"<b>Gulls</b></a></h4>",
       "Birds.htm",
       {"1 _Toc1 [Gulls] <a name=\"_Toc1\""}},
      {"empty text", "", "Birds.htm", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> described;
    for (const OwnContentsEntry& entry :
         ReadOwnContents(row.document, row.documentName)) {
      described.push_back(Describe(row.document, entry));
    }
    EXPECT_EQ(described, row.expected);
  }
}

TEST(CutsBeforeBlocks, CutsBeforeTheBlockThatHoldsEachPosition) {
  // In `marked`, "^" marks a position handed in; in `expected`, "|" marks a
  // cut. Neither byte is part of the text.
  struct Row {
    const char* name;
    std::string marked;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"paragraph", "<body><p>a</p><p>^b</p>", "<body><p>a</p>|<p>b</p>"},
      {"heading", "<body><p>a</p><h4>^b</h4>", "<body><p>a</p>|<h4>b</h4>"},
      {"the innermost block: a paragraph in a division",
       "<body><div class=S1><p>a</p><p class=x>^b</p></div>",
       "<body><div class=S1><p>a</p>|<p class=x>b</p></div>"},
      {"a division that holds the position itself",
       "<body><div class=S1><p>a</p><div>^b</div></div>",
       "<body><div class=S1><p>a</p>|<div>b</div></div>"},
      {"the outermost table around a cell",
       "<body><p>a</p><table><tr><td><table><tr><td><p>^b</p></td></tr>"
       "</table></td></tr></table>",
       "<body><p>a</p>|<table><tr><td><table><tr><td><p>b</p></td></tr>"
       "</table></td></tr></table>"},
      {"after a table has closed",
       "<body><table><tr><td>a</td></tr></table><p>^b</p>",
       "<body><table><tr><td>a</td></tr></table>|<p>b</p>"},
      {"an open paragraph ends where a block starts",
       "<body><p>a<p>^b<p>c<div>^d</div>",
       "<body><p>a|<p>b<p>c|<div>d</div>"},
      {"outside any block: the position itself",
       "<body>a ^<a name=x></a>b", "<body>a |<a name=x></a>b"},
      {"before the body: no cut",
       "<html><head>^<p></head><body><p>a</p>",
       "<html><head><p></head><body><p>a</p>"},
      {"two positions in one block give one cut",
       "<body><p>a</p><p>^b^c</p>", "<body><p>a</p>|<p>bc</p>"},
      {"a cut at or before the last one is left out",
       "<body><div><p>^a</p>^b</div>", "<body><div>|<p>a</p>b</div>"},
      {"tags in comments do not count",
       "<body><p>a</p><!-- <table> --><!--[if supportFields]><div>"
       "<![endif]--><p>^b</p>",
       "<body><p>a</p><!-- <table> --><!--[if supportFields]><div>"
       "<![endif]-->|<p>b</p>"},
      {"upper case tags",
       "<body><P>a</P><TABLE><TR><TD><P>^b</P></TD></TR></TABLE>",
       "<body><P>a</P>|<TABLE><TR><TD><P>b</P></TD></TR></TABLE>"},
      {"end tags with no block of their kind open",
       "<body></div></table><div><p>a</p></h2><p>^b</p></div>",
       "<body></div></table><div><p>a</p></h2>|<p>b</p></div>"},
      {"CRLF inside the tag", "<body>\r\n<p\r\nclass=x>^a</p>\r\n",
       "<body>\r\n|<p\r\nclass=x>a</p>\r\n"},
      {"tags that only begin like blocks",
       "<body><pre>a</pre><p>b<param><h10>c<dl>^d",
       "<body><pre>a</pre>|<p>b<param><h10>c<dl>d"},
      {"no positions", "<body><p>a</p>", "<body><p>a</p>"},
      {"empty text", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string document;
    std::vector<std::size_t> holds;
    for (char c : row.marked) {
      if (c == '^') {
        holds.push_back(document.size());
      } else {
        document += c;
      }
    }
    const std::vector<std::size_t> cuts =
        CutsBeforeBlocks(document, holds, FindBodySeams(document).bodyStart);
    std::string shown;
    std::size_t copied = 0;
    for (std::size_t cut : cuts) {
      shown += document.substr(copied, cut - copied) + "|";
      copied = cut;
    }
    shown += document.substr(copied);
    EXPECT_EQ(shown, row.expected);
  }
}

}  // namespace
}  // namespace quillery
