// The conversion of a document that is to be split into pages.
#ifndef QUILLERY_CONVERT_MULTI_PAGE_H_
#define QUILLERY_CONVERT_MULTI_PAGE_H_

#include <string>

#include "app/settings.h"

namespace quillery {

// Splits the content page of the frames page into pages, dresses the body of
// the TOC frame text with the header and footer (changed in place; the caller
// writes it) and decides what becomes of the main file:
// - no template: it stays the frames page, pointed at page 0 by the splitter,
//   and the TOC frame text's links point into the pages;
// - a template without "[WORDTOC]": with TEMPLATETOCFORMAT 0 it becomes the
//   template filled with the dressed contents (when the template holds
//   "[QUILLERY]"), with 1 a copy of page 0;
// - a template with "[WORDTOC]": every page carries the contents, already
//   pointing into the pages, and the main file becomes a copy of page 0; the
//   TOC frame text keeps its old targets.
// Copies of page 0 are made only when the split made a page 0. Throws
// FileError when a file cannot be read or written.
void ConvertToPages(const std::string& mainFilePath,
                    const std::string& framesText, std::string& tocFrameText,
                    ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_MULTI_PAGE_H_
