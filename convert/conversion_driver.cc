// The conversion driver; see conversion_driver.h.
#include "convert/conversion_driver.h"

#include <optional>
#include <utility>
#include <vector>

#include "convert/multi_page.h"
#include "convert/staged_writer.h"
#include "convert/toc_links.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "split/paths.h"

namespace quillery {
namespace {

// The main file's folder on disk ("\\" for the root).
std::string SiteFolderOf(const std::string& mainFilePath) {
  const std::size_t separator = mainFilePath.rfind('\\');
  if (separator == 0 || separator == std::string::npos) return "\\";
  return mainFilePath.substr(0, separator);
}

// Stages through the writer and tells the progress of each file.
class ReportingWriter : public SiteWriter {
 public:
  ReportingWriter(StagedSiteWriter& writer, ConversionProgress& progress)
      : writer_(writer), progress_(progress) {}
  void WriteFile(const std::string& path, std::string_view bytes) override {
    writer_.WriteFile(path, bytes);
    progress_.Staged(bytes.size());
  }

 private:
  StagedSiteWriter& writer_;
  ConversionProgress& progress_;
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
  SystemFileOperations files;
  ConversionProgress silent;
  return RunConversion(mainFilePath, settings, files, silent);
}

ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionSettings& settings,
                                FileOperations& files,
                                ConversionProgress& progress) {
  if (mainFilePath.empty()) return ConversionOutcome::kNoMainFile;
  const std::string siteFolder = SiteFolderOf(mainFilePath);
  std::optional<FolderLock> lock;
  try {
    lock.emplace(siteFolder);
  } catch (const FileError&) {
    // Without its folder the main file cannot be read either: say so.
    static_cast<void>(ReadFile(mainFilePath));
    throw;
  }
  if (!lock->acquired()) {
    throw FileError("cannot convert '" + NativePath(mainFilePath) +
                    "': another conversion of this site is running");
  }
  if (RecoverInterruptedCommit(files, siteFolder) == Recovery::kCompleted) {
    return ConversionOutcome::kCompletedInterrupted;
  }

  SiteInputs site = ReadSiteInputs(mainFilePath, settings);
  if (!site.tocSource) return ConversionOutcome::kNoTocFrame;
  const std::string tocFramePath = site.tocFramePath;
  const ConversionPlan plan = PlanConversion(std::move(site), settings);

  progress.Planned(plan.FileCount(), plan.PageCount());
  StagedSiteWriter writer(files, siteFolder, mainFilePath, tocFramePath);
  ReportingWriter reporting(writer, progress);
  try {
    plan.WriteTo(reporting, [&writer](const std::string& path) {
      return writer.KeyOf(path);
    });
    writer.Commit();
  } catch (const FileError&) {
    writer.Discard();
    throw;
  }
  return ConversionOutcome::kConverted;
}

}  // namespace quillery
