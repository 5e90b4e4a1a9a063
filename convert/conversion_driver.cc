// The conversion driver; see conversion_driver.h.
#include "convert/conversion_driver.h"

#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "convert/conversion_error.h"
#include "convert/interrupted_commit.h"
#include "convert/multi_page.h"
#include "convert/output_folder.h"
#include "convert/staged_writer.h"
#include "convert/staging_folder.h"
#include "split/toc_links.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// The line that says which file to open when the frames page was made by
// the run; "" otherwise. `opened` is where the frames page ends up.
std::string BuiltFramesNote(const SiteInputs& site, const std::string& opened) {
  if (site.builtFrom.empty()) return std::string();
  const std::string listed =
      site.builtHeadings == 0
          ? std::to_string(site.builtOwnEntries) +
                " entries of its own contents"
          : std::to_string(site.builtHeadings) + " headings, " +
                std::to_string(site.builtBookmarks) + " new bookmarks";
  return "made a frames page for '" + ShownPath(site.builtFrom) + "' (" +
         listed + "): open '" + ShownPath(opened) + "'";
}

// The line that ends a conversion: where it went and the file to open.
// `outputFolder` is "" for a conversion in place.
std::string ConvertedNote(const std::string& outputFolder,
                          const std::string& opened) {
  return (outputFolder.empty()
              ? std::string("converted in place")
              : "converted into '" + ShownPath(outputFolder) + "'") +
         ": open '" + ShownPath(opened) + "'";
}

void RefuseConvertedSite(FileOperations& files, const SiteInputs& site) {
  if (!WasConvertedInPlace(files, site)) return;
  throw Refusal("refusing '" + ShownPath(site.mainFilePath) +
                "': it was converted in place before, and converting it "
                "again would stack the changes; convert the original site, "
                "or keep a site unchanged with /OUTDIR=<folder>");
}

// Stages through the writer and tells the progress of each file, from
// whichever thread staged it.
class ReportingWriter : public SiteWriter {
 public:
  ReportingWriter(SiteWriter& writer, ConversionProgress& progress)
      : writer_(writer), progress_(progress) {}
  void WriteFile(std::size_t place, const std::string& path,
                 std::string_view bytes) override {
    writer_.WriteFile(place, path, bytes);
    std::lock_guard<std::mutex> lock(mutex_);
    progress_.Staged(bytes.size());
  }

 private:
  SiteWriter& writer_;
  ConversionProgress& progress_;
  std::mutex mutex_;
};

// Destroys a spent plan on a thread of its own, and waits for it when the
// object goes.
class PlanGivenBack {
 public:
  explicit PlanGivenBack(ConversionPlan plan) {
    try {
      thread_ = std::thread([spent = std::move(plan)] {});
    } catch (const std::system_error&) {
      // The plan goes with the lambda that could not be run, here.
    }
  }
  ~PlanGivenBack() {
    if (thread_.joinable()) thread_.join();
  }
  PlanGivenBack(const PlanGivenBack&) = delete;
  PlanGivenBack& operator=(const PlanGivenBack&) = delete;

 private:
  std::thread thread_;
};

// The one writing pipeline: every path of the plan is resolved on this
// thread first, into a list the plan writes from; then the files are made
// and staged on as many threads as the file system takes writes at once;
// then everything is committed, unless the content page at `document`
// changed while its pages were made. A failure anywhere leaves the commit
// to undo what was staged when it goes.
void WriteAndCommit(ConversionPlan plan, SiteCommit& commit,
                    FileOperations& files, ConversionProgress& progress,
                    const std::optional<std::string>& document) {
  const WriteList writes = plan.ListWrites(
      [&commit](const std::string& path) { return commit.KeyOf(path); });
  {
    ReportingWriter reporting(commit, progress);
    plan.WriteTo(writes, reporting, files.WritesAtOnce());
  }
  if (document && !plan.ContentUnchanged()) {
    throw ChangedWhileReadError(*document);
  }
  // Once everything is staged the commit needs nothing of the plan: its
  // texts (the whole document among them) are given back on a thread of
  // their own while the commit works, or here where no thread can start.
  const PlanGivenBack givenBack(std::move(plan));
  commit.Commit();
}

// An in-place conversion stopped halfway left the site between its old and
// its new state: the site is not read into an output folder until a run in
// place has finished it.
void RefuseInterruptedSite(FileOperations& files,
                           const std::string& mainFilePath,
                           const std::string& siteFolder) {
  if (CheckBookkeepingFolder(files, siteFolder) &&
      files.LookAt(Below(Below(siteFolder, kBookkeepingFolder), kStagingFolder))
          .exists) {
    throw Refusal("cannot convert '" + ShownPath(mainFilePath) +
                  "': an earlier conversion of it in place was stopped; run "
                  "it again without /OUTDIR= to finish it first");
  }
}

// Takes the lock of the main file's folder: one run at a time per site.
std::unique_ptr<HeldLock> LockSite(FileOperations& files,
                                   const std::string& mainFilePath) {
  std::unique_ptr<HeldLock> lock;
  try {
    lock = files.LockFolder(SitePath(mainFilePath).Folder().text());
  } catch (const FileError&) {
    // Without its folder the main file cannot be read either: say so.
    static_cast<void>(files.ReadText(mainFilePath));
    throw;
  }
  if (!lock) {
    throw Refusal("cannot convert '" + ShownPath(mainFilePath) +
                  "': another conversion of this site is running");
  }
  return lock;
}

// Finishes or removes what a stopped run in place left; true when it
// finished it, which is then this run's work.
bool FinishedInterruptedRun(FileOperations& files,
                            const std::string& siteFolder,
                            ConversionProgress& progress) {
  std::string notice;
  const Recovery recovery =
      RecoverInterruptedCommit(files, siteFolder, &notice);
  if (!notice.empty()) progress.Notice(notice);
  return recovery == Recovery::kCompleted;
}

// Writes the plan into the output folder and swaps it in, then says how
// many references lead outside the site. `document` is the content page
// the pages were cut from, when there is one.
void CommitIntoFolder(FileOperations& files, const OutputPlace& place,
                      const std::string& realSite, ConversionPlan plan,
                      const std::string& siteMainFile,
                      const std::string& mainFilePath,
                      const std::optional<std::string>& document,
                      ConversionProgress& progress) {
  // Each outside reference is counted once per file written: pages cut from
  // the document hold its references, which an unchanged copy of the
  // document would count again, and a copy of page 0 holds page 0's.
  std::vector<std::string> countedElsewhere;
  if (document && plan.PageCount() > 0) countedElsewhere.push_back(*document);
  if (plan.IsCopy(siteMainFile)) countedElsewhere.push_back(siteMainFile);
  OutputFolderWriter commit(files, place, siteMainFile, mainFilePath,
                            countedElsewhere);
  WriteAndCommit(std::move(plan), commit, files, progress, document);
  const std::size_t outside = commit.outsideReferences();
  if (outside == 0) return;
  progress.Notice(std::to_string(outside) +
                  (outside == 1
                       ? " reference leads outside '" + ShownPath(realSite) +
                             "' and was left as it is"
                       : " references lead outside '" + ShownPath(realSite) +
                             "' and were left as they are"));
}

}  // namespace

ConversionPlan PlanConversion(SiteInputs site,
                              const ConversionRequest& request) {
  ConversionPlan plan;
  const std::string tocFramePath = site.tocFramePath;
  const std::string mainFilePath = site.mainFilePath;
  const bool madeFrames = !site.builtFrom.empty();
  // A frames page made by the run is written also when nothing re-points it.
  std::string madeFramesPage = madeFrames ? site.framesText : std::string();
  std::vector<FileBytes> bulletImages = std::move(site.bulletImages);
  std::string tocFrameText = std::move(site.tocFrameText);
  bool tocFrameShown = true;
  std::shared_future<std::string> pagedTocFrameText;
  if (request.LEVELSTOBREAK > 0) {
    PagedContents paged =
        ConvertToPages(std::move(site), std::move(tocFrameText), request);
    plan = std::move(paged.plan);
    pagedTocFrameText = std::move(paged.tocFrameText);
    tocFrameShown = paged.mainFileShowsTocFrame;
  } else if (request.TOCBULLETS != 0) {
    tocFrameText = AddTocBullets(tocFrameText);
  }
  if (!madeFramesPage.empty() && !plan.Plans(mainFilePath)) {
    plan.AddBytes(mainFilePath, std::move(madeFramesPage));
  }
  // The contents frame page the run made, once the main file is no frames
  // page, would be reached by nothing, and its links would lead to the
  // bookmarks made for the pages, which the document itself lacks. It is
  // not written, nor the bullet images beside it.
  if (madeFrames && !tocFrameShown) return plan;
  if (pagedTocFrameText.valid()) {
    plan.AddLater(tocFramePath, std::move(pagedTocFrameText));
  } else {
    plan.AddBytes(tocFramePath, std::move(tocFrameText));
  }
  for (FileBytes& image : bulletImages) {
    if (!plan.Plans(image.path)) {
      plan.AddBytes(std::move(image.path), std::move(image.bytes));
    }
  }
  return plan;
}

ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionRequest& request) {
  SystemFileOperations files;
  ConversionProgress silent;
  return RunConversion(mainFilePath, request, files, silent);
}

ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionRequest& request,
                                FileOperations& files,
                                ConversionProgress& progress) {
  if (mainFilePath.empty()) return ConversionOutcome::kNoMainFile;
  const std::unique_ptr<HeldLock> lock = LockSite(files, mainFilePath);
  progress.Reading();
  const std::string siteFolder = SitePath(mainFilePath).Folder().text();
  std::optional<OutputPlace> place;
  std::string realSite;  // with OUTDIR
  if (!request.OUTDIR.empty()) {
    realSite = files.RealPath(siteFolder).value_or(siteFolder);
    RefuseInterruptedSite(files, mainFilePath, realSite);
    place = PrepareOutputFolder(files, request.OUTDIR, realSite);
  } else if (FinishedInterruptedRun(files, siteFolder, progress)) {
    return ConversionOutcome::kCompletedInterrupted;
  }

  SiteInputs site = ReadSiteInputs(files, mainFilePath, request);
  if (!site.tocSource) return ConversionOutcome::kNoTocFrame;
  RefuseConvertedSite(files, site);
  const std::string siteMainFile = site.mainFilePath;
  const std::string tocFramePath = site.tocFramePath;
  const std::string opened = place ? SitePath(place->output)
                                         .Join(SitePath(siteMainFile).Name())
                                         .Normal()
                                         .text()
                                   : siteMainFile;
  std::string finishedNote = BuiltFramesNote(site, opened);
  if (finishedNote.empty()) {
    finishedNote = ConvertedNote(place ? place->output : std::string(), opened);
  }
  std::optional<std::string> document;
  if (site.contentSource) {
    document =
        SitePath(siteMainFile).Folder().text() + "\\" + *site.contentSource;
  }
  progress.Planning();
  ConversionPlan plan = PlanConversion(std::move(site), request);
  progress.Planned(plan.FileCount(), plan.PageCount());

  if (place) {
    CommitIntoFolder(files, *place, realSite, std::move(plan), siteMainFile,
                     mainFilePath,
                     document, progress);
  } else {
    StagedSiteWriter commit(files, siteFolder, siteMainFile, tocFramePath);
    WriteAndCommit(std::move(plan), commit, files, progress, document);
  }
  progress.Finished(finishedNote);
  return ConversionOutcome::kConverted;
}

}  // namespace quillery
