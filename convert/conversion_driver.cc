// The conversion driver; see conversion_driver.h.
#include "convert/conversion_driver.h"

#include <optional>
#include <string_view>

#include "convert/multi_page.h"
#include "convert/toc_links.h"
#include "platform/file_io.h"
#include "split/frame_source.h"
#include "split/paths.h"

namespace quillery {
namespace {

constexpr std::string_view kBulletImageFiles[] = {"bullet10001.gif",
                                                  "main10001.gif"};

// The folder the TOC frame page lands in on disk. Its name may hold forward
// slashes ("doc_files/toc.htm"), which are separators to the file system.
std::string FolderOnDisk(const std::string& internalPath) {
  std::size_t separator = internalPath.find_last_of("\\/");
  return separator == std::string::npos ? std::string()
                                        : internalPath.substr(0, separator);
}

// The TOC frame page refers to the bullet images in its own folder; copy
// ours there unless the user already has files of those names.
void ProvideBulletImages(const std::string& programFolder,
                         const std::string& tocFramePath) {
  const std::string folder = FolderOnDisk(tocFramePath);
  for (std::string_view image : kBulletImageFiles) {
    const std::string target = folder + "\\" + std::string(image);
    if (FileExists(target)) continue;
    CopyFileAtomically(programFolder + "\\" + std::string(image), target);
  }
}

}  // namespace

ConversionOutcome RunConversion(const std::string& mainFilePath,
                                ConversionSettings& settings) {
  if (mainFilePath.empty()) return ConversionOutcome::kNoMainFile;
  const std::string framesText = ReadFile(mainFilePath);
  std::optional<std::string> tocName =
      FrameSourceInFolder(framesText, "TOC", mainFilePath);
  if (!tocName) return ConversionOutcome::kNoTocFrame;

  const std::string tocFramePath = DirectoryOf(mainFilePath) + "\\" + *tocName;
  std::string tocFrameText = ReadFile(tocFramePath);
  if (settings.TOCBULLETS != 0) AddTocBullets(tocFrameText);
  if (settings.LEVELSTOBREAK > 0) {
    ConvertToPages(mainFilePath, framesText, tocFrameText, settings);
  }
  WriteFileAtomically(tocFramePath, tocFrameText);
  if (settings.TOCBULLETS != 0) {
    ProvideBulletImages(settings.programFolder, tocFramePath);
  }
  return ConversionOutcome::kConverted;
}

}  // namespace quillery
