// The files a site written with the site marker ("[SITEHEAD]") shares between
// its pages, so that no page repeats what every page shows: the contents,
// once, in the site's script that every page loads (readers without scripts
// follow a link to the contents frame page instead); the search index, the
// text of every page, compressed; the site's stylesheet. Each is made in one
// pass over its input.
//
// Scripts are loaded by <script> elements, not fetched, so that a site opened
// from the disk works as it does from a web server. A script without a
// declared character set is read in its page's, and the site's script reads
// the inflated index in the page's set too, so the texts go in as the pages
// hold them, never re-encoded.
#ifndef QUILLERY_DRESS_SITE_FILES_H_
#define QUILLERY_DRESS_SITE_FILES_H_

#include <string>
#include <string_view>
#include <vector>

#include "dress/page_navigation.h"

namespace quillery {

// A file of the site: its name, beside the pages, and its bytes.
struct SiteFile {
  std::string name;
  std::string bytes;
};

// The names of the shared files of the pages named after `baseName`.
struct SiteFileNames {
  explicit SiteFileNames(const std::string& baseName);
  std::string styles;        // baseName + "_site.css"
  std::string script;        // baseName + "_site.js"
  std::string searchIndex;   // baseName + "_search.js"
};

// The document's language from the lang attribute of the first <body> tag
// (in any letter case, quoted or not), as the html element's lang attribute
// wants it: the language lower case, a two-letter region upper case
// ("EN-US" and "en-us" give "en-US"). "en" when there is none, it is empty,
// or it is the word processor's "no language" (X-NONE).
[[nodiscard]] std::string DocumentLanguage(std::string_view content);

// `text` as the body of a JavaScript string literal in double quotes: "\" and
// '"' escaped, control bytes and line ends made blanks. Bytes above 127 stay,
// and so does the second byte of a pair in a double-byte set, which the
// browser never reads as a backslash.
[[nodiscard]] std::string JavaScriptString(std::string_view text,
                                           ByteLayout layout);

// The words of a page slice for the search index: its text without tags,
// hidden markup (EndOfHiddenMarkup) and the content of <script> and <style>
// elements, each run of
// white space and non-breaking spaces (as CleanLabel knows them) one blank,
// trimmed. Character references other than non-breaking spaces stay as they
// are: the site's script reads them.
[[nodiscard]] std::string SearchText(std::string_view slice, ByteLayout layout);

// One entry of the contents: the level of its paragraph (MsoTocN gives N, 1
// when it names none), where it leads, and its label (CleanLabel; an empty
// one becomes "Page N" for a link into page N of `baseName`'s pages, else
// the link's target).
struct ContentsEntry {
  int level = 1;
  std::string href;
  std::string label;
};

// The entries of a contents text (the contents frame's body, its links
// already pointing into the pages): one per "<a" tag with an href, in order.
[[nodiscard]] std::vector<ContentsEntry> ContentsEntries(
    std::string_view contents, const std::string& baseName, ByteLayout layout);

// The entries as the list the site shows:
//   <ul class="q-toc-list">
//   <li class="q-l1"><a href="R_p1.htm#_Toc1">Birds</a></li>
//   </ul>
// The href's '"' and '<' are written as references.
[[nodiscard]] std::string ContentsList(
    const std::vector<ContentsEntry>& entries);

// What the shared files are made from.
struct SiteSources {
  std::string baseName;  // the pages' base name
  ByteLayout layout = ByteLayout::kSingleByte;  // of the pages' charset
  std::string contentsList;                     // ContentsList
  std::string styles;                           // the program's site stylesheet
  std::string script;                           // the program's site script
};

// One page of the search index: its file, its title and its SearchText.
struct IndexedPage {
  std::string file;
  std::string title;
  std::string text;
};

// The site's script: the line that sets window.quillerySite to the contents
// list and the search index's file name, then the program's site script:
//   window.quillerySite={index:"R_search.js",contents:"<ul ...>"};
[[nodiscard]] std::string ContentsScript(const SiteSources& sources);

// The search index script: the pages' records (file, title and text, each
// ended by a unit separator 0x1F, the record by a record separator 0x1E,
// control bytes in them made blanks) as one DEFLATE stream in base64,
// after the number of bytes it inflates to:
//   quillerySearchIndex(31,"...");
// The texts are gathered a page at a time and compressed once at the end,
// which keeps the index a fraction of the pages' text.
class SearchIndexScript {
 public:
  void Add(const IndexedPage& page);
  // The finished script; the object is left empty.
  [[nodiscard]] std::string Finish();

 private:
  std::string records_;
};

// Every shared file: stylesheet, site script and the finished search index
// script.
[[nodiscard]] std::vector<SiteFile> MakeSiteFiles(const SiteSources& sources,
                                                  std::string searchIndex);

// What "[SITEHEAD]" expands to on the page `pageFile`, which has the given
// previous and next pages ("" for none), and what "[SITECONTENTS]" expands
// to: the box the site's script fills with the contents, holding a link to
// `contentsPage` (the contents frame page, from the pages' folder) for
// readers without scripts.
[[nodiscard]] std::string SiteHead(const SiteFileNames& names,
                                   const std::string& pageFile,
                                   const std::string& previousFile,
                                   const std::string& nextFile);
[[nodiscard]] std::string SiteContentsLink(const std::string& contentsPage);

}  // namespace quillery

#endif  // QUILLERY_DRESS_SITE_FILES_H_
