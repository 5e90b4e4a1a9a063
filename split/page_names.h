// Operations on internal paths, whose only separator is the backslash; a
// forward slash is an ordinary character ("sub/Report.htm" is one file name).
#ifndef QUILLERY_SPLIT_PATHS_H_
#define QUILLERY_SPLIT_PATHS_H_

#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// The text before the last backslash; "" when there is none.
// "C:\site\Report.htm" gives "C:\site".
[[nodiscard]] std::string DirectoryOf(std::string path);

// The text after the last backslash, the whole path when there is none, and
// "TOC.htm" when that text is empty ("" or a path ending in a backslash).
[[nodiscard]] std::string FileNameOf(std::string path);

// The name before its first ".htm" (case-sensitive) when that stands after
// position 0: "a.b.htm.htm" gives "a.b", "Report.html" gives "Report";
// otherwise the name unchanged (".htm", "REPORT.HTM").
[[nodiscard]] std::string StripHtmExtension(std::string name);

// The components of a path, "/" and "\" both separating, with empty ones
// and "." left out; ".." stays for the caller to fold as it needs.
// "\site\./doc_files//toc.htm" gives {"site", "doc_files", "toc.htm"}.
[[nodiscard]] std::vector<std::string> PathComponents(std::string_view path);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_PATHS_H_
