// The conversion driver; see conversion_driver.h.
#include "convert/conversion_driver.h"

#include <optional>
#include <utility>
#include <vector>

#include "convert/background_writer.h"
#include "convert/multi_page.h"
#include "convert/output_folder.h"
#include "convert/staged_writer.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
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
  return "made a frames page for '" + NativePath(site.builtFrom) + "' (" +
         listed + "): open '" + NativePath(opened) + "'";
}

// Takes the lock on `folder`, or refuses the run with `refusal`.
void LockOrRefuse(std::optional<FolderLock>& lock, const std::string& folder,
                  const std::string& refusal) {
  lock.emplace(folder);
  if (!lock->acquired()) throw FileError(refusal);
}

// The line that ends a conversion: where it went and the file to open.
// `outputFolder` is "" for a conversion in place.
std::string ConvertedNote(const std::string& outputFolder,
                          const std::string& opened) {
  return (outputFolder.empty()
              ? std::string("converted in place")
              : "converted into '" + NativePath(outputFolder) + "'") +
         ": open '" + NativePath(opened) + "'";
}

void RefuseConvertedSite(const SiteInputs& site) {
  if (!WasConvertedInPlace(site)) return;
  throw FileError("refusing '" + NativePath(site.mainFilePath) +
                  "': it was converted in place before, and converting it "
                  "again would stack the changes; convert the original site, "
                  "or keep a site unchanged with /OUTDIR=<folder>");
}

// Stages through the writer and tells the progress of each file.
class ReportingWriter : public SiteWriter {
 public:
  ReportingWriter(SiteWriter& writer, ConversionProgress& progress)
      : writer_(writer), progress_(progress) {}
  void WriteFile(const std::string& path, std::string bytes) override {
    const std::size_t size = bytes.size();
    writer_.WriteFile(path, std::move(bytes));
    progress_.Staged(size);
  }

 private:
  SiteWriter& writer_;
  ConversionProgress& progress_;
};

// Where an output folder goes, and the bookkeeping beside it.
struct OutputPlace {
  std::string output;  // as the user named it, made absolute
  std::string parent;  // real
  std::string target;  // real parent + name
  std::string bookkeeping;
  std::string build;      // where the new output is built
  bool replaces = false;  // an earlier output stands at the target
};

// A failure that names the build folder, the bookkeeping folder or the real
// target, told with the output folder the user gave instead: the user never
// sees the folders under the bookkeeping folder.
FileError NamingTheOutput(const FileError& error, const OutputPlace& place) {
  std::string message = error.what();
  for (const std::string* hidden :
       {&place.build, &place.bookkeeping, &place.target}) {
    const std::string quoted = "'" + NativePath(*hidden);
    const std::size_t at = message.find(quoted);
    if (at == std::string::npos) continue;
    const std::size_t end = at + quoted.size();
    if (end < message.size() && message[end] != '\'' && message[end] != '/') {
      continue;
    }
    message.replace(at + 1, quoted.size() - 1, NativePath(place.output));
    break;
  }
  return FileError(message);
}

// Resolves OUTDIR, refuses a folder that cannot take the output, and takes
// the lock of its parent; leftovers of an earlier build are removed.
OutputPlace PrepareOutputFolder(FileOperations& files,
                                const std::string& outdir,
                                const std::string& siteFolder,
                                std::optional<FolderLock>& parentLock) {
  OutputPlace place;
  const SitePath output = SitePath(InternalPath(outdir)).Normal();
  place.output = output.text();
  const std::optional<std::string> parent = RealPath(output.Folder().text());
  if (!parent) {
    throw FileError("cannot write '" + NativePath(place.output) +
                    "': its folder does not exist");
  }
  place.parent = *parent;
  const SitePath target = SitePath(*parent).Join(output.Name());
  place.target = target.text();
  if (target.IsInside(SitePath(siteFolder)) ||
      SitePath(siteFolder).IsInside(target)) {
    throw FileError("refusing the output folder '" + NativePath(place.output) +
                    "': it must lie outside the document's folder '" +
                    NativePath(siteFolder) + "' and not hold it");
  }
  LockOrRefuse(parentLock, place.parent,
               "cannot write '" + NativePath(place.output) +
                   "': another conversion is writing into its folder '" +
                   output.Folder().SlashForm() + "'");

  place.bookkeeping = place.parent + "\\" + std::string(kBookkeepingFolder);
  place.build = place.bookkeeping + "\\build";
  // What an earlier build left is removed; a link there is removed itself.
  // A bookkeeping folder that is no folder of ours is refused as it is.
  if (CheckBookkeepingFolder(files, place.parent)) {
    try {
      const PathFacts build = files.LookAt(place.build);
      if (build.isFolder) {
        RemoveFolderTree(files, place.build);
      } else if (build.exists) {
        files.RemoveFile(place.build);
      }
    } catch (const FileError& error) {
      throw NamingTheOutput(error, place);
    }
  }

  const PathFacts existing = files.LookAt(place.target);
  place.replaces = existing.exists;
  if (!existing.exists) return place;
  if (!existing.isFolder) {
    throw FileError("cannot write '" + NativePath(place.output) +
                    "': " + (existing.isLink ? "a symbolic link" : "a file") +
                    " is in the way");
  }
  if (!files.FolderEntries(place.target).empty() &&
      !files.LookAt(place.target + "\\" + std::string(kOutputRecord)).exists) {
    throw FileError("refusing to write into '" + NativePath(place.output) +
                    "': it holds files that are no output of quillery");
  }
  return place;
}

// Builds the whole output beside its place and swaps it in. Returns the
// number of references that lead outside the site, those of the files in
// `countedElsewhere` left out. On a failure removes what was built and
// throws, naming the output folder; an earlier output stays as it was.
std::size_t BuildOutputFolder(FileOperations& files, const OutputPlace& place,
                              const ConversionPlan& plan,
                              const std::string& mainFilePath,
                              const std::string& sourceName,
                              const std::vector<std::string>& countedElsewhere,
                              ConversionProgress& progress) {
  bool madeBookkeeping = false;
  try {
    madeBookkeeping = !files.LookAt(place.bookkeeping).exists;
    if (madeBookkeeping) files.MakeFolder(place.bookkeeping);
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place);
  }
  try {
    files.MakeFolder(place.build);
    OutputFolderWriter writer(files, mainFilePath, place.build);
    for (const std::string& path : countedElsewhere)
      writer.LeaveUncounted(path);
    {
      BackgroundWriter background(writer);
      ReportingWriter reporting(background, progress);
      plan.WriteTo(reporting, [&writer](const std::string& path) {
        return writer.KeyOf(path);
      });
      background.Finish();
    }
    writer.CopyReferencedFiles();
    files.WriteNewFile(place.build + "\\" + std::string(kOutputRecord),
                       "This folder is the output of quillery from '" +
                           NativePath(sourceName) + "'.\n",
                       NewFileMode());
    files.SyncFileSystem(place.build);
    // The one step that puts the new output in place of the old.
    if (place.replaces) {
      files.ExchangeFolders(place.build, place.target);
    } else {
      files.RenameFile(place.build, place.target);
    }
    files.SyncFolder(place.parent);
    return writer.outsideReferences();
  } catch (const FileError& error) {
    try {
      if (files.LookAt(place.build).isFolder)
        RemoveFolderTree(files, place.build);
      if (madeBookkeeping) files.RemoveFolder(place.bookkeeping);
    } catch (const FileError&) {
    }
    throw NamingTheOutput(error, place);
  }
}

// The conversion into OUTDIR; the site folder is locked already.
ConversionOutcome ConvertIntoFolder(const std::string& mainFilePath,
                                    const ConversionRequest& request,
                                    FileOperations& files,
                                    ConversionProgress& progress) {
  const std::string mainFolder = SitePath(mainFilePath).Folder().text();
  const std::string siteFolder = RealPath(mainFolder).value_or(mainFolder);
  // An in-place conversion stopped halfway left the site between its old
  // and its new state: the site is not read until a run in place has
  // finished it.
  if (CheckBookkeepingFolder(files, siteFolder) &&
      files
          .LookAt(siteFolder + "\\" + std::string(kBookkeepingFolder) + "\\" +
                  std::string(kStagingFolder))
          .exists) {
    throw FileError("cannot convert '" + NativePath(mainFilePath) +
                    "': an earlier conversion of it in place was stopped; run "
                    "it again without /OUTDIR= to finish it first");
  }
  std::optional<FolderLock> parentLock;
  const OutputPlace place =
      PrepareOutputFolder(files, request.OUTDIR, siteFolder, parentLock);

  SiteInputs site = ReadSiteInputs(mainFilePath, request);
  if (!site.tocSource) return ConversionOutcome::kNoTocFrame;
  RefuseConvertedSite(site);
  const std::string siteMainFile = site.mainFilePath;
  const std::string opened = SitePath(place.output)
                                 .Join(SitePath(siteMainFile).Name())
                                 .Normal()
                                 .text();
  std::string finishedNote = BuiltFramesNote(site, opened);
  if (finishedNote.empty()) {
    finishedNote = ConvertedNote(place.output, opened);
  }
  const std::optional<std::string> document =
      site.contentSource
          ? std::optional<std::string>(
                SitePath(siteMainFile).Folder().text() + "\\" +
                *site.contentSource)
          : std::nullopt;
  progress.Planning();
  const ConversionPlan plan = PlanConversion(std::move(site), request);
  // Each outside reference is counted once per file written: pages cut from
  // the document hold its references, which an unchanged copy of the
  // document would count again, and a copy of page 0 holds page 0's.
  std::vector<std::string> countedElsewhere;
  if (document && plan.PageCount() > 0) countedElsewhere.push_back(*document);
  if (plan.IsCopy(siteMainFile)) countedElsewhere.push_back(siteMainFile);
  progress.Planned(plan.FileCount(), plan.PageCount());
  const std::size_t outside =
      BuildOutputFolder(files, place, plan, siteMainFile, mainFilePath,
                        countedElsewhere, progress);

  // The old output now stands where the new one was built.
  try {
    if (files.LookAt(place.build).isFolder)
      RemoveFolderTree(files, place.build);
    if (files.FolderEntries(place.bookkeeping).empty()) {
      files.RemoveFolder(place.bookkeeping);
    }
  } catch (const FileError&) {
  }
  if (outside > 0) {
    progress.Notice(
        std::to_string(outside) +
        (outside == 1 ? " reference leads outside '" + NativePath(siteFolder) +
                            "' and was left as it is"
                      : " references lead outside '" + NativePath(siteFolder) +
                            "' and were left as they are"));
  }
  progress.Finished(finishedNote);
  return ConversionOutcome::kConverted;
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
  if (request.TOCBULLETS != 0) tocFrameText = AddTocBullets(tocFrameText);
  bool tocFrameShown = true;
  if (request.LEVELSTOBREAK > 0) {
    PagedContents paged =
        ConvertToPages(std::move(site), std::move(tocFrameText), request, plan);
    tocFrameText = std::move(paged.tocFrameText);
    tocFrameShown = paged.mainFileShowsTocFrame;
  }
  if (!madeFramesPage.empty() && !plan.Plans(mainFilePath)) {
    plan.AddBytes(mainFilePath, std::move(madeFramesPage));
  }
  // The contents frame page the run made, once the main file is no frames
  // page, would be reached by nothing, and its links would lead to the
  // bookmarks made for the pages, which the document itself lacks. It is
  // not written, nor the bullet images beside it.
  if (madeFrames && !tocFrameShown) return plan;
  plan.AddBytes(tocFramePath, std::move(tocFrameText));
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
  const std::string siteFolder = SitePath(mainFilePath).Folder().text();
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
  progress.Reading();
  if (!request.OUTDIR.empty()) {
    return ConvertIntoFolder(mainFilePath, request, files, progress);
  }
  std::string recoveryNotice;
  const Recovery recovery =
      RecoverInterruptedCommit(files, siteFolder, &recoveryNotice);
  if (!recoveryNotice.empty()) progress.Notice(recoveryNotice);
  if (recovery == Recovery::kCompleted) {
    return ConversionOutcome::kCompletedInterrupted;
  }

  SiteInputs site = ReadSiteInputs(mainFilePath, request);
  if (!site.tocSource) return ConversionOutcome::kNoTocFrame;
  RefuseConvertedSite(site);
  const std::string tocFramePath = site.tocFramePath;
  const std::string siteMainFile = site.mainFilePath;
  std::string finishedNote = BuiltFramesNote(site, siteMainFile);
  if (finishedNote.empty()) {
    finishedNote = ConvertedNote(std::string(), siteMainFile);
  }
  progress.Planning();
  const ConversionPlan plan = PlanConversion(std::move(site), request);

  progress.Planned(plan.FileCount(), plan.PageCount());
  StagedSiteWriter writer(files, siteFolder, siteMainFile, tocFramePath);
  try {
    {
      // Pages are made here while the files before them are staged.
      BackgroundWriter background(writer);
      ReportingWriter reporting(background, progress);
      plan.WriteTo(reporting, [&writer](const std::string& path) {
        return writer.KeyOf(path);
      });
      background.Finish();
    }
    writer.Commit();
  } catch (const FileError&) {
    writer.Discard();
    throw;
  }
  progress.Finished(finishedNote);
  return ConversionOutcome::kConverted;
}

}  // namespace quillery
