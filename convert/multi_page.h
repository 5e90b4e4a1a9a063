// The conversion of a document that is to be split into pages.
#ifndef QUILLERY_CONVERT_MULTI_PAGE_H_
#define QUILLERY_CONVERT_MULTI_PAGE_H_

#include <future>
#include <string>

#include "convert/conversion_plan.h"
#include "convert/conversion_request.h"
#include "convert/site_inputs.h"

namespace quillery {

// The TOC frame text as a split leaves it, and whether the main file planned
// is still a frames page that shows it: not when the main file became the
// template filled with the contents, or a copy of page 0. Where only the
// TOC frame text needs the contents links located against the pages, it is
// made beside the writing of the pages (MakeBeside); get() waits for it.
struct PagedContents {
  ConversionPlan plan;
  std::shared_future<std::string> tocFrameText;
  bool mainFileShowsTocFrame = true;
};

// Plans the split of the site's content page into pages and what becomes of
// the main file (`plan`), and returns the TOC frame text (`tocFrameText`,
// with its bullets when TOCBULLETS asks for them) dressed for its page:
// header and footer around its body, and, unless the pages carry the
// contents, its links pointing into the pages. Plans, in this order: the
// stylesheet file, the pages, the re-pointed frames page, and then, with a
// template:
// - without "[WORDTOC]": with TEMPLATETOCFORMAT 0 the main file as the
//   template filled with the dressed contents (when the template holds
//   "[QUILLERY]"), with 1 a copy of page 0;
// - with "[WORDTOC]": every page carries the contents, already pointing into
//   the pages, and the main file becomes a copy of page 0; the TOC frame
//   text keeps its old targets.
// What a template holds stands outside the frameset: there the contents and
// a page poured into "[QUILLERY]" lose their Frame1 targets
// (RemoveFrameTargets), and the stylesheet is linked only when written.
// Copies of page 0 are planned only when the split made a page 0. Without a
// Frame1 frame nothing is split, and without a split point only the
// stylesheet file is planned before the main file.
// The site is taken whole so that its content text, the largest of them,
// becomes the split's without a copy.
[[nodiscard]] PagedContents ConvertToPages(SiteInputs site,
                                           std::string tocFrameText,
                                           const ConversionRequest& request);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_MULTI_PAGE_H_
