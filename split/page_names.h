// Name rules of the split: the name a frame source gives its page, and that
// name without its ".htm". Path algebra (folders, "..") is in
// text/site_path.h.
#ifndef QUILLERY_SPLIT_PAGE_NAMES_H_
#define QUILLERY_SPLIT_PAGE_NAMES_H_

#include <string>

namespace quillery {

// The name of the page a frame source shows, as the split names its pages
// after it: the source after its last "\", and "TOC.htm" when that is empty.
// Unlike SitePath::Name(), a "/" is part of this name: the source
// "sub/Body.htm" keeps its folder, so that the pages "sub/Body_p0.htm" lie
// beside the page they are cut from. (The main file's path, in internal
// form, has no "/", so the same rule gives its name too.)
[[nodiscard]] std::string PageNameOf(std::string source);

// The name before its first ".htm" (case-sensitive) when that stands after
// position 0: "a.b.htm.htm" gives "a.b", "Report.html" gives "Report";
// otherwise the name unchanged (".htm", "REPORT.HTM").
[[nodiscard]] std::string StripHtmExtension(std::string name);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_PAGE_NAMES_H_
