// The traces of an earlier conversion in place; see converted_site.h.
#include "convert/converted_site.h"

#include <optional>
#include <vector>

#include "dress/head_body_tail.h"
#include "dress/page_navigation.h"
#include "dress/stylesheet.h"
#include "split/annotations.h"
#include "split/body_seams.h"
#include "split/frame_source.h"
#include "split/page_names.h"
#include "split/toc_links.h"
#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// The blank line SplitPageParts puts after the head part and before the tail
// part of the contents frame page, and the break lines AddHeader puts after
// the header blocks and AddFooter before the footer blocks (one break line
// each, as the contents frame page is dressed).
constexpr std::string_view kPartBreak = "\r\n\r\n";
constexpr std::string_view kAfterHeader = "\r\n<BR>\r\n<BR>\r\n";
constexpr std::string_view kBeforeFooter = "\r\n<BR>\r\n\r\n<BR>";
constexpr std::string_view kBlockStart = "\r\n";

// Whether `body` opens with the part break and one or more header blocks
// followed by the header's break lines. Each block is taken only after the
// break lines were looked for, so a header that itself looks like a break
// line is still found.
bool OpensWithHeader(std::string_view body, std::string_view header) {
  if (header.empty() || !StartsWith(body, kPartBreak)) return false;
  std::string_view rest = body.substr(kPartBreak.size());
  for (bool afterBlock = false;; afterBlock = true) {
    if (afterBlock && StartsWith(rest, kAfterHeader)) return true;
    if (!StartsWith(rest, kBlockStart) ||
        !StartsWith(rest.substr(kBlockStart.size()), header)) {
      return false;
    }
    rest.remove_prefix(kBlockStart.size() + header.size());
  }
}

// The mirror of OpensWithHeader at the end of the body.
bool ClosesWithFooter(std::string_view body, std::string_view footer) {
  if (footer.empty() || !EndsWith(body, kPartBreak)) return false;
  std::string_view rest = body.substr(0, body.size() - kPartBreak.size());
  for (bool beforeBlock = false;; beforeBlock = true) {
    if (beforeBlock && EndsWith(rest, kBeforeFooter)) return true;
    if (!EndsWith(rest, footer) ||
        !EndsWith(rest.substr(0, rest.size() - footer.size()), kBlockStart)) {
      return false;
    }
    rest.remove_suffix(kBlockStart.size() + footer.size());
  }
}

// The body of the contents frame page as a splitting run leaves it: a run
// puts both tags in when the page had none, so a page without them was not
// dressed.
std::optional<std::string_view> BodyOf(std::string_view tocFrameText) {
  const BodySeams seams = FindBodySeams(tocFrameText);
  if (!seams.hasBodyTag || !seams.hasBodyEnd || seams.bodyEnd < seams.bodyStart)
    return std::nullopt;
  return tocFrameText.substr(seams.bodyStart, seams.bodyEnd - seams.bodyStart);
}

}  // namespace

bool CarriesOurBullets(std::string_view tocFrameText) {
  // The program's own image names in a bare tag: a word processor writes
  // its pictures with their sizes and names of its own choosing.
  return tocFrameText.find(kMainImage) != std::string_view::npos ||
         tocFrameText.find(kBulletImage) != std::string_view::npos;
}

bool ShowsAnEarlierSplit(FileOperations& files, std::string_view framesText,
                         const std::string& mainFilePath) {
  const std::optional<std::string> shown =
      FindFrameSource(framesText, "Frame1");
  constexpr std::string_view kFirstPage = "_p0.htm";
  if (!shown || shown->size() <= kFirstPage.size() ||
      !EndsWith(*shown, kFirstPage) || LeavesItsFolder(*shown)) {
    return false;
  }
  // A split names its pages after the content page's name cut at its first
  // ".htm" (StripHtmExtension), puts them where that name says ("sub/Body"
  // gives "sub/Body_p0.htm"), keeps the page it cut them from beside them
  // and points the Frame1 frame at page 0. A word processor shows its own
  // document there, under the name it was saved as: one named like our
  // page 0 tells only when page 1 stands beside it, and the page both were
  // cut from, a file named "<base>" or "<base>" followed by a name that
  // begins with ".htm" ("Body", "Body.htm", "Body.html", "Body.htm.htm").
  // Neither page is such a file ("_p" follows "<base>" in their names), so
  // a site we did not make matches only when its document was saved as
  // "X_p0.htm" beside both an "X_p1.htm" and an "X.htm" (or "X", "X.html",
  // ...) of the user's own.
  const std::string base =
      SitePath(mainFilePath)
          .Folder()
          .Join(shown->substr(0, shown->size() - kFirstPage.size()))
          .text();
  if (!files.Exists(base + "_p1.htm")) return false;
  // A "/" in the name separates folders on the disk.
  const std::size_t slash = base.find_last_of("/\\");
  const std::optional<std::string> folder =
      files.RealPath(base.substr(0, slash));
  if (!folder) return false;
  const std::string baseName = base.substr(slash + 1);
  const std::string withHtm = baseName + ".htm";
  std::vector<std::string> names;
  try {
    names = files.FolderEntries(*folder);
  } catch (const FileError&) {
    return false;
  }
  for (const std::string& name : names) {
    if ((name == baseName || StartsWith(name, withHtm)) &&
        files.CanOpenForReading(*folder + "\\" + name)) {
      return true;
    }
  }
  return false;
}

bool ShowsARunThatCutNoPage(FileOperations& files, const SiteInputs& site) {
  if (!site.contentSource) return false;
  // Named and placed as the split names and places them: after the content
  // page's base name, in the main file's folder.
  const std::string baseName =
      StripHtmExtension(PageNameOf(*site.contentSource));
  const std::string base =
      SitePath(site.mainFilePath).Folder().Join(baseName).text();
  const std::string path = base + ".css";
  // Most sites have no such file: the content page is only copied and cut
  // when there is one to compare.
  if (!files.Exists(path) || files.Exists(base + "_p0.htm")) return false;
  const std::optional<std::string_view> body = BodyOf(site.tocFrameText);
  if (!body || !StartsWith(*body, kPartBreak) || !EndsWith(*body, kPartBreak))
    return false;
  const SharedText kept = RemoveAnnotationBlocks(site.contentText);
  const std::string_view content = kept.view();
  const std::string stylesheet =
      ExtractStylesheet(HeadPart(content, FindBodySeams(content)),
                        baseName + ".css")
          .stylesheet;
  if (stylesheet.empty()) return false;
  // A word processor keeps its rules inside the page. This file opens with
  // "<!--\r\n\r\n", which Word does not write before its font definitions,
  // and goes on with the very bytes of the content page's style block: only
  // a split of this page makes it.
  try {
    return files.ReadBytes(path) == stylesheet;
  } catch (const FileError&) {
    return false;
  }
}

bool CarriesOurDressing(std::string_view tocFrameText,
                        std::string_view headerText,
                        std::string_view footerText) {
  // The blocks are the user's own header and footer, framed by line breaks
  // and "<BR>" tags in a way no word processor writes, at the very start
  // and end of the body.
  const BodySeams seams = FindBodySeams(tocFrameText);
  if (!seams.hasBodyTag) return false;
  const std::string_view fromBody = tocFrameText.substr(seams.bodyStart);
  if (OpensWithHeader(fromBody, headerText)) return true;
  if (footerText.empty()) return false;
  // A header or footer file whose body the run could not find goes in
  // whole, end tag and all (a link to "files/Body.htm" before the end tag
  // hides it), so the body the run dressed may end at a later end tag than
  // the first: each one is tried.
  constexpr std::string_view kBodyEnd = "</body";
  for (std::size_t end = fromBody.find(kBodyEnd); end != std::string::npos;
       end = fromBody.find(kBodyEnd, end + 1)) {
    if (ClosesWithFooter(fromBody.substr(0, end), footerText)) return true;
  }
  return false;
}

bool CarriesOurDressing(const SiteInputs& site) {
  const std::string& headerText = site.dressing.headerText;
  const std::string& footerText = site.dressing.footerText;
  if (headerText.empty() && footerText.empty()) return false;
  // The same title the multi-page conversion gives the contents frame page.
  PageMarkers outside;
  outside.pageTitle = outside.documentTitle = DocumentTitle(
      site.contentSource ? site.contentText.view()
                         : std::string_view(site.framesText),
      StripHtmExtension(PageNameOf(site.contentSource ? *site.contentSource
                                                      : site.mainFilePath)));
  return CarriesOurDressing(site.tocFrameText,
                            ExpandPageMarkers(headerText, outside),
                            ExpandPageMarkers(footerText, outside));
}

}  // namespace quillery
