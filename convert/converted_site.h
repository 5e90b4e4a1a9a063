// The traces a conversion in place leaves in its site, by which a later run
// knows that converting the site again would stack a second set of changes
// on the first. Each test matches only bytes and names that a run of this
// program writes, never what a word processor writes, so that a site the
// program did not make is never taken for one it did.
#ifndef QUILLERY_CONVERT_CONVERTED_SITE_H_
#define QUILLERY_CONVERT_CONVERTED_SITE_H_

#include <string>
#include <string_view>

#include "convert/site_inputs.h"

namespace quillery {

// True when the contents frame page text holds one of the bullet image tags
// AddTocBullets puts in front of a contents link ("<img src=\"main10001.gif\">"
// or the same with "bullet10001.gif", exact bytes).
[[nodiscard]] bool CarriesOurBullets(std::string_view tocFrameText);

// True when the Frame1 frame of the frames page shows "X_p0.htm" (inside the
// main file's folder, possibly in a subfolder of it), "X_p1.htm" lies beside
// it, and so does the page they were cut from: a file named "X" or "X"
// followed by a name beginning with ".htm". A split cuts at least two pages,
// names them after the content page's name cut at its first ".htm", keeps
// the content page, and points the Frame1 frame at page 0. `mainFilePath`
// is the frames page's path, internal form.
[[nodiscard]] bool ShowsAnEarlierSplit(FileOperations& files,
                                       std::string_view framesText,
                                       const std::string& mainFilePath);

// True when the site stands as a splitting run that cut no page leaves it:
// the content page was read (a splitting run with a Frame1 frame); its
// stylesheet file, which a split writes as "<base>.css" beside the main file
// whenever the page holds Word's style block, holds exactly those bytes; no
// page 0 "<base>_p0.htm" stands beside it; and the body of the contents frame
// page opens and closes with the blank line such a run puts there. A
// stylesheet that cannot be read does not count. When pages stand beside
// the stylesheet, a split made both, and its frames page was put back since
// (it would show page 0 otherwise): a run then makes them anew.
[[nodiscard]] bool ShowsARunThatCutNoPage(FileOperations& files,
                                          const SiteInputs& site);

// True when the body of the contents frame page opens with the header block
// that a splitting run puts there for `headerText`, or closes with the footer
// block it puts there for `footerText`, both as the run expands them. An
// empty text gives no block and never matches. The dressed body of a splitting
// run is
//   "\r\n\r\n" + k × ("\r\n" + header) + "\r\n<BR>\r\n<BR>\r\n"
//   + body
//   + "\r\n<BR>\r\n\r\n<BR>" + m × ("\r\n" + footer) + "\r\n\r\n"
// with k and m the number of placements (either part absent when 0); the
// header side is looked for with k from 1 upwards, the footer side likewise,
// before each "</body" in turn: a header or footer file whose body end the
// run cannot find goes in whole, end tag and all.
[[nodiscard]] bool CarriesOurDressing(std::string_view tocFrameText,
                                      std::string_view headerText,
                                      std::string_view footerText);

// CarriesOurDressing for the site's contents frame page with the header and
// footer texts of this run (DressingTexts), their markers expanded as outside
// the pages: only the document's title.
[[nodiscard]] bool CarriesOurDressing(const SiteInputs& site);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERTED_SITE_H_
