// Everything a conversion reads, read before the first byte is written, so
// that every refusal leaves every file as it was.
#ifndef QUILLERY_CONVERT_SITE_INPUTS_H_
#define QUILLERY_CONVERT_SITE_INPUTS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_request.h"
#include "convert/file_operations.h"
#include "dress/template_fill.h"
#include "text/shared_text.h"

namespace quillery {

// A file to put on disk as it is: its internal path and bytes.
struct FileBytes {
  std::string path;
  std::string bytes;
};

// The bullet images the contents frame page refers to, in its own folder.
constexpr const char* kBulletImageFiles[] = {"bullet10001.gif",
                                             "main10001.gif"};

struct SiteInputs {
  // The frames page (the main file), internal form, and its text.
  std::string mainFilePath;
  std::string framesText;
  // The TOC frame's source as found, "%20" decoded; nothing when the main
  // file names no TOC frame (then nothing more is read).
  std::optional<std::string> tocSource;
  std::string tocFramePath;
  std::string tocFrameText;
  // Read only when the run splits: the Frame1 frame's source ("%20"
  // decoded; nothing without a Frame1 frame) and the content page's text.
  std::optional<std::string> contentSource;
  SharedText contentText;
  // The header and footer files' body content and the whole template, each
  // read only when the run splits and asks for it.
  DressingTexts dressing;
  // The program's bullet images to put beside the contents frame page: with
  // bullets on, each one whose name is free there when the run starts.
  std::vector<FileBytes> bulletImages;
  // The same for the folders of the main file and of the pages, which show
  // the bulleted contents when a template puts them there: read when the
  // run splits with bullets on.
  std::vector<FileBytes> pageBulletImages;
  // With /BUILDTOC=1 and a main file that names no TOC frame: the document
  // the frames page was made for (then `mainFilePath` is the new frames
  // page), its headings listed and the bookmarks made for them, or, without
  // headings, the entries of its own contents listed.
  std::string builtFrom;
  std::size_t builtHeadings = 0;
  std::size_t builtBookmarks = 0;
  std::size_t builtOwnEntries = 0;
};

// Reads the inputs of converting the frames page at `mainFilePath` (internal
// form) with `request`:
// - the main file, and the TOC frame page it names (without a TOC frame
//   nothing more is read);
// - when LEVELSTOBREAK is above 0, the header, footer and template files
//   the run asks for (LoadDressingTexts), then the content page named by the
//   Frame1 frame;
// - with TOCBULLETS, the program's bullet images not yet beside the TOC
//   frame page.
// With BUILDTOC and a main file that names no TOC frame, the main file is
// taken for the content page of a frames page made for it
// (BuildContentsFrame): "<base>_frames.htm" and "<base>_toc.htm" beside it.
// That needs LEVELSTOBREAK above 0, and <h1> to <h3> headings or contents
// of its own in the document, or the run is refused (Refusal).
// A file read twice (a frame that shows the main file itself) is read once.
// Throws FileError when a file cannot be read, is no regular file, or a text
// holds a zero byte, and when a frame source leads out of the main file's
// folder, by its text ("..", an absolute path) or by a symbolic link.
[[nodiscard]] SiteInputs ReadSiteInputs(FileOperations& files,
                                        const std::string& mainFilePath,
                                        const ConversionRequest& request);

// True when the site was converted in place by this program before, so that
// converting it again would stack a second set of bullets, headers and
// pages on the first. Each sign is bytes or names only a run of this program
// writes (converted_site.h):
// - its contents frame page carries our bullet images (CarriesOurBullets);
// - its Frame1 frame shows page 0 of an earlier split, "X_p0.htm", with the
//   original content page "X.htm" and page 1 "X_p1.htm" beside it
//   (ShowsAnEarlierSplit);
// - for a splitting run on a frames page it did not build: the site stands
//   as a run that cut no page leaves it, its stylesheet file holding exactly
//   what a split of the content page writes (ShowsARunThatCutNoPage), or the
//   contents frame page opens with the header block or closes with the
//   footer block that this run would put there (CarriesOurDressing).
// A site that names no TOC frame is not looked at. One shape shows no sign:
// a splitting run that cut no page, with no header or footer asked for and
// no bullet put in, on a content page without Word's style block (or
// without a Frame1 frame), adds only a blank line at either end of the
// contents' body, which a page the program did not make may hold as well.
[[nodiscard]] bool WasConvertedInPlace(FileOperations& files,
                                       const SiteInputs& site);

// The dressing texts a splitting run asks for: the header file's body
// content when HEADERFILE is set and a placement asks for the header, the
// footer file's likewise, the whole template file when HTMLTEMPLATEFILE is
// set and USINGTEMPLATE is not 0; each "" when not asked for; and, when the
// template holds "[SITEHEAD]", the program folder's site.css and site.js. An
// asked-for file that cannot be read throws FileError; an empty one is fine.
[[nodiscard]] DressingTexts LoadDressingTexts(FileOperations& files,
                                              const ConversionRequest& request);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_INPUTS_H_
