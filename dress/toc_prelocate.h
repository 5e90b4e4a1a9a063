// Advance location of the contents links, for templates that put the
// contents into every page: the pages do not exist yet when the contents
// text that goes into them must already point into them.
#ifndef QUILLERY_DRESS_TOC_PRELOCATE_H_
#define QUILLERY_DRESS_TOC_PRELOCATE_H_

#include <string>

#include "app/settings.h"

namespace quillery {

// Cuts the content page named by the Frame1 frame of `framesText` into the
// same slices, with the same page file names, as the page splitter will
// (annotation blocks removed first, as the splitter does), and resolves the
// `tocLinks` of `settings` against them in page order. Writes nothing.
// Without a Frame1 frame or a split point no record changes. Throws
// FileError when the content page cannot be read or its source leads out of
// the main file's folder.
void LocateTocLinks(const std::string& mainFilePath,
                    const std::string& framesText,
                    ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_DRESS_TOC_PRELOCATE_H_
