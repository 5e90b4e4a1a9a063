// Advance location of the contents links; see toc_prelocate.h.
#include "dress/toc_prelocate.h"

#include <optional>

#include "platform/file_io.h"
#include "split/annotations.h"
#include "split/frame_source.h"
#include "split/link_rewriter.h"
#include "split/page_splitter.h"
#include "split/paths.h"

namespace quillery {

void LocateTocLinks(const std::string& mainFilePath,
                    const std::string& framesText,
                    ConversionSettings& settings) {
  std::optional<std::string> source =
      FrameSourceInFolder(framesText, "Frame1", mainFilePath);
  if (!source) return;
  const std::string contentPath = DirectoryOf(mainFilePath) + "\\" + *source;
  // An annotation block may hold a heading or a "_Toc" name: without the
  // same removal as the splitter's, the slices would not be the pages.
  const std::string content = RemoveAnnotationBlocks(ReadFile(contentPath));
  const std::string baseName = StripHtmExtension(FileNameOf(contentPath));
  TocLinkResolver resolver(settings.tocLinks);
  ForEachPageSlice(content, FindBodySeams(content), settings.LEVELSTOBREAK,
                   [&](std::size_t page, std::string_view slice) {
                     resolver.ResolveTocLinks(slice,
                                              PageFileName(baseName, page));
                   });
}

}  // namespace quillery
