// The page splitter: cuts the content page of a frames page into numbered
// page files at its headings, writes the shared stylesheet file, re-points
// in-page and contents links, and points the frames page at the first page.
//
// With LEVELSTOBREAK 1 and a content page Report.htm holding a preface and
// three <h1 headings, the pages are Report_p0.htm (the preface) to
// Report_p3.htm, each but the first beginning with its heading.
#ifndef QUILLERY_SPLIT_PAGE_SPLITTER_H_
#define QUILLERY_SPLIT_PAGE_SPLITTER_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "dress/head_body_tail.h"
#include "dress/template_fill.h"

namespace quillery {

// Offers every page slice of a content text to `visit`, in page order, with
// its page number. A page starts at each split point (FindNextSplitPoint,
// searched from the start of the text); page 0 starts at the body start and
// the last page ends at the body end. A slice whose end lies before its start
// is empty. Returns the number of pages, 0 (and no call) when there is no
// split point.
std::size_t ForEachPageSlice(
    std::string_view content, const BodySeams& seams,
    std::int32_t levelsToBreak,
    const std::function<void(std::size_t page, std::string_view slice)>& visit);

// The file name of page `page` of a document whose base name is `baseName`:
// baseName + "_p" + page + ".htm".
[[nodiscard]] std::string PageFileName(const std::string& baseName,
                                       std::size_t page);

// Splits the content page named by the Frame1 frame of `framesText` into
// page files beside the main file, dressing each with `FillTemplate`
// (`contentsText` goes in place of "[WORDTOC]"; nullptr for none). Returns
// the path of page 0, or "" when the frames text has no Frame1 frame (then
// nothing is read or written and the out values are left alone) or the
// content has no split point (then only the stylesheet file may have been
// written). Sets `charsetTag` and `stylesheetName` once the Frame1 frame is
// found. Fills `pageFiles`, `linkTargets`, `anchorPages` and the `newTarget`
// of `tocLinks` in `settings`. Files are written in this order: stylesheet,
// pages, re-linked pages, main file. Throws FileError when the content page
// cannot be read or a file cannot be written.
[[nodiscard]] std::string SplitIntoPages(const std::string& mainFilePath,
                                         const std::string& framesText,
                                         const DressingTexts& dressing,
                                         const std::string* contentsText,
                                         std::string& charsetTag,
                                         std::string& stylesheetName,
                                         ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_SPLIT_PAGE_SPLITTER_H_
