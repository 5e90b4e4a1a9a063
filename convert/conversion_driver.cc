// The conversion driver; see conversion_driver.h.
#include "convert/conversion_driver.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "convert/multi_page.h"
#include "convert/site_writer.h"
#include "convert/toc_links.h"
#include "platform/file_io.h"
#include "split/paths.h"

namespace quillery {
namespace {

// The real folders of a plan's files, each checked once: a folder must exist
// and lie inside the main file's folder, symbolic links resolved. Two paths
// name the same file when their real folders and names are the same.
class OutputFolders {
 public:
  explicit OutputFolders(const std::string& mainFilePath)
      : siteFolder_(RealFolderOf(mainFilePath)) {}

  // Throws FileError for a path whose folder is missing or outside.
  void Check(const std::string& path) {
    const std::string real = RealFolderOf(path);
    if (!IsInsideFolder(real, siteFolder_)) {
      throw FileError("refusing to write '" + NativePath(path) +
                      "': its folder leads out of the document's folder");
    }
  }

  // The real path of a checked path, in native form.
  std::string Key(const std::string& path) {
    return NativePath(RealFolderOf(path)) + "/" + NameOnDisk(path);
  }

 private:
  static std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/");
  }
  static std::string NameOnDisk(const std::string& path) {
    return path.substr(LastSeparator(path) + 1);
  }

  const std::string& RealFolderOf(const std::string& path) {
    const std::size_t separator = LastSeparator(path);
    const std::string folder =
        separator == 0 ? "\\" : path.substr(0, separator);
    auto known = realFolders_.find(folder);
    if (known != realFolders_.end()) return known->second;
    std::optional<std::string> real = RealPath(folder);
    if (!real) {
      throw FileError("cannot write '" + NativePath(path) +
                      "': " + std::strerror(errno));
    }
    return realFolders_.emplace(folder, *real).first->second;
  }

  std::map<std::string, std::string> realFolders_;
  std::string siteFolder_;
};

}  // namespace

ConversionPlan PlanConversion(SiteInputs site,
                              const ConversionSettings& settings) {
  ConversionPlan plan;
  const std::string tocFramePath = site.tocFramePath;
  std::vector<FileBytes> bulletImages = std::move(site.bulletImages);
  std::string tocFrameText = std::move(site.tocFrameText);
  if (settings.TOCBULLETS != 0) tocFrameText = AddTocBullets(tocFrameText);
  if (settings.LEVELSTOBREAK > 0) {
    tocFrameText = ConvertToPages(std::move(site), std::move(tocFrameText),
                                  settings, plan);
  }
  plan.AddBytes(tocFramePath, std::move(tocFrameText));
  for (FileBytes& image : bulletImages) {
    if (!plan.Plans(image.path)) {
      plan.AddBytes(std::move(image.path), std::move(image.bytes));
    }
  }
  return plan;
}

ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionSettings& settings) {
  if (mainFilePath.empty()) return ConversionOutcome::kNoMainFile;
  SiteInputs site = ReadSiteInputs(mainFilePath, settings);
  if (!site.tocSource) return ConversionOutcome::kNoTocFrame;
  const ConversionPlan plan = PlanConversion(std::move(site), settings);

  OutputFolders folders(mainFilePath);
  for (const std::string& path : plan.Paths()) folders.Check(path);
  FileByFileWriter writer;
  plan.WriteTo(writer,
               [&folders](const std::string& path) { return folders.Key(path); });
  return ConversionOutcome::kConverted;
}

}  // namespace quillery
