// Writing into a folder of its own; see output_folder.h.
#include "convert/output_folder.h"

#include <optional>
#include <utility>

#include "convert/conversion_error.h"
#include "convert/folder_swap.h"
#include "convert/referenced_files.h"
#include "convert/staging_folder.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// A failure that names the build folder, the bookkeeping folder or the real
// target, told with the output folder the user gave instead, and one that
// names the real parent, with the parent as the user gave it: the user never
// sees the folders under the bookkeeping folder, nor where links led.
FileError NamingTheOutput(const FileError& error, const OutputPlace& place) {
  if (error.path().empty()) return error;
  const std::string typedParent = SitePath(place.output).Folder().text();
  const std::pair<const std::string*, const std::string*> shownAs[] = {
      {&place.build, &place.output},
      {&place.bookkeeping, &place.output},
      {&place.target, &place.output},
      {&place.parent, &typedParent}};
  for (const auto& [hidden, shown] : shownAs) {
    if (!hidden->empty() &&
        SitePath(error.path()).IsInside(SitePath(*hidden))) {
      return error.Naming(*shown + error.path().substr(hidden->size()));
    }
  }
  return error;
}

// Finishes a swap that was stopped between its renames, and removes what an
// earlier build left under the bookkeeping folder; a link there is removed
// itself. A bookkeeping folder that is no folder of ours is refused as it
// is.
void RemoveEarlierBuild(FileOperations& files, const OutputPlace& place) {
  if (!CheckBookkeepingFolder(files, place.parent)) return;
  FinishInterruptedSwap(files, place.parent);
  const PathFacts build = files.LookAt(place.build);
  if (build.isFolder) {
    RemoveFolderTree(files, place.build);
  } else if (build.exists) {
    files.RemoveFile(place.build);
  }
}

}  // namespace

OutputPlace PrepareOutputFolder(FileOperations& files,
                                const std::string& outdir,
                                const std::string& siteFolder) {
  OutputPlace place;
  const SitePath output = SitePath(outdir).Normal();
  place.output = output.text();
  const std::optional<std::string> parent =
      files.RealPath(output.Folder().text());
  if (!parent) {
    throw FileError("cannot write '" + ShownPath(place.output) +
                    "': its folder does not exist");
  }
  place.parent = *parent;
  const SitePath target = SitePath(*parent).Join(output.Name());
  place.target = target.text();
  // Where the site's file system folds letter case, "\Site" is "\site".
  const bool folds = files.FoldsLetterCase(siteFolder);
  const SitePath site(folds ? FoldedLetterCase(siteFolder) : siteFolder);
  const SitePath compared(folds ? FoldedLetterCase(target.text())
                                : target.text());
  if (compared.IsInside(site) || site.IsInside(compared)) {
    throw Refusal("refusing the output folder '" + ShownPath(place.output) +
                  "': it must lie outside the document's folder '" +
                  ShownPath(siteFolder) + "' and not hold it");
  }
  place.bookkeeping = place.parent + "\\" + std::string(kBookkeepingFolder);
  place.build = Below(place.bookkeeping, kBuildFolder);
  try {
    place.lock = files.LockFolder(place.parent);
    if (!place.lock) {
      throw Refusal("cannot write '" + ShownPath(place.output) +
                    "': another conversion is writing into its folder '" +
                    ShownPath(output.Folder().text()) + "'");
    }
    RemoveEarlierBuild(files, place);
    const PathFacts existing = files.LookAt(place.target);
    place.replaces = existing.exists;
    if (!existing.exists) return place;
    if (!existing.isFolder) {
      throw FileError("cannot write '" + ShownPath(place.output) +
                      "': " + (existing.isLink ? "a symbolic link" : "a file") +
                      " is in the way");
    }
    if (!files.FolderEntries(place.target).empty() &&
        !files.LookAt(place.target + "\\" + std::string(kOutputRecord))
             .exists) {
      throw Refusal("refusing to write into '" + ShownPath(place.output) +
                    "': it holds files that are no output of quillery");
    }
    return place;
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place);
  }
}

OutputFolderWriter::OutputFolderWriter(
    FileOperations& files, const OutputPlace& place,
    const std::string& mainFilePath, const std::string& sourceName,
    const std::vector<std::string>& countedElsewhere)
    : files_(files),
      place_(place),
      paths_(files, SitePath(mainFilePath).Folder().text()),
      sourceName_(sourceName) {
  try {
    std::set<std::string> uncounted;
    for (const std::string& path : countedElsewhere) {
      uncounted.insert(paths_.RelativeOf(paths_.KeyOf(path)));
    }
    referenced_.emplace(paths_.RelativeOf(paths_.KeyOf(mainFilePath)),
                        std::move(uncounted), paths_.foldsLetterCase());
    if (!files_.LookAt(place_.bookkeeping).exists) {
      files_.MakeFolder(place_.bookkeeping);
      madeBookkeeping_ = true;
    }
    files_.MakeFolder(place_.build);
    madeBuild_ = true;
  } catch (const FileError& error) {
    Discard();
    throw NamingTheOutput(error, place_);
  }
}

OutputFolderWriter::~OutputFolderWriter() {
  try {
    Discard();
  } catch (...) {
    // Nothing is lost: what stays is our own build folder under the
    // bookkeeping folder, which the next run into this place removes. A
    // destructor must not throw.
  }
}

SwapFolders OutputFolderWriter::Folders() const {
  return {place_.parent, place_.bookkeeping, place_.build, place_.target};
}

void OutputFolderWriter::Swap() {
  if (!place_.replaces) {
    files_.RenameFile(place_.build, place_.target);
    swap_ = SwapKind::kMoved;
  } else if (files_.ExchangeFolders(place_.build, place_.target)) {
    swap_ = SwapKind::kExchanged;
  } else {
    SwapByRenames(files_, Folders());
    swap_ = SwapKind::kRenamed;
  }
}

void OutputFolderWriter::MakeSwapDurable() {
  if (swap_ == SwapKind::kRenamed) {
    SyncSwappedFolders(files_, Folders());
  } else {
    files_.SyncFolder(place_.parent);
  }
}

void OutputFolderWriter::SwapBack() {
  switch (swap_) {
    case SwapKind::kMoved:
      files_.RenameFile(place_.target, place_.build);
      break;
    case SwapKind::kExchanged:
      if (!files_.ExchangeFolders(place_.build, place_.target)) {
        throw FileError("write", place_.target,
                        "the folders can no longer be swapped back");
      }
      break;
    case SwapKind::kRenamed:
      SwapBackByRenames(files_, Folders());
      break;
  }
}

void OutputFolderWriter::RemoveEarlierOutput() {
  if (swap_ == SwapKind::kRenamed) {
    RemovePreviousOutput(files_, Folders());
  } else if (files_.LookAt(place_.build).isFolder) {
    RemoveFolderTree(files_, place_.build);
  }
}

void OutputFolderWriter::Discard() {
  if (committed_) return;
  try {
    if (madeBuild_ && files_.LookAt(place_.build).isFolder) {
      RemoveFolderTree(files_, place_.build);
    }
    if (madeBookkeeping_) files_.RemoveFolder(place_.bookkeeping);
  } catch (const FileError&) {
    // Nothing is lost: the build folder is ours, and the next run into this
    // place removes it.
  }
  madeBuild_ = false;
  madeBookkeeping_ = false;
}

std::string OutputFolderWriter::Resolve(const std::string& path) {
  try {
    std::string key = paths_.KeyOf(path);
    // Every path resolved is written before the referenced files are
    // copied.
    referenced_->WillBeWritten(paths_.RelativeOf(key));
    if (paths_.MayHold(key)) mayExist_.insert(key);
    return key;
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place_);
  }
}

void OutputFolderWriter::MakeFoldersFor(const std::string& relative) {
  std::size_t separator = relative.find('\\');
  while (separator != std::string::npos) {
    const std::string folder = relative.substr(0, separator);
    if (madeFolders_.insert(folder).second) {
      files_.MakeFolder(place_.build + "\\" + folder);
    }
    separator = relative.find('\\', separator + 1);
  }
}

void OutputFolderWriter::Put(const std::string& relative,
                             std::string_view bytes, std::uint32_t mode) {
  MakeFoldersFor(relative);
  files_.WriteNewFile(place_.build + "\\" + relative, bytes, mode);
  referenced_->Written(relative, bytes);
}

void OutputFolderWriter::WriteFile(std::size_t place, const std::string& path,
                                   std::string_view bytes) {
  const std::string& key = ResolvedKey(path);
  try {
    // The file keeps the permissions of the site's file it stands for. A
    // new page has none: its folder, listed once, did not hold its name.
    const PathFacts source =
        mayExist_.count(key) != 0 ? files_.LookAt(key) : PathFacts();
    const std::string relative = paths_.RelativeOf(key);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      MakeFoldersFor(relative);
    }
    files_.WriteNewFile(place_.build + "\\" + relative, bytes,
                        source.isRegular ? source.mode : files_.NewFileMode());
    ReferencedFiles::ScannedFile scanned = referenced_->Scan(relative, bytes);
    std::lock_guard<std::mutex> lock(mutex_);
    scanned_.emplace(place, std::move(scanned));
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place_);
  }
}

void OutputFolderWriter::Commit() {
  for (auto& file : scanned_) referenced_->Add(std::move(file.second));
  scanned_.clear();
  try {
    CopyReferencedFiles();
    files_.WriteNewFile(place_.build + "\\" + std::string(kOutputRecord),
                        "This folder is the output of quillery from '" +
                            ShownPath(sourceName_) + "'.\n",
                        files_.NewFileMode());
    files_.SyncFileSystem(place_.build);
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place_);
  }
  // The step that puts the new output in place of the old (one exchange, or
  // two recorded renames); until it is durable it is taken back on a
  // failure, so that the earlier output stays.
  try {
    Swap();
  } catch (const FileError& error) {
    throw NamingTheOutput(error, place_);
  }
  try {
    MakeSwapDurable();
  } catch (const FileError& error) {
    try {
      SwapBack();
    } catch (const FileError&) {
      // The new output stays in place and the earlier one under the
      // bookkeeping folder: nothing is removed.
      committed_ = true;
    }
    throw NamingTheOutput(error, place_);
  }
  committed_ = true;
  try {
    RemoveEarlierOutput();
    if (files_.FolderEntries(place_.bookkeeping).empty()) {
      files_.RemoveFolder(place_.bookkeeping);
    }
  } catch (const FileError&) {
    // Nothing is lost: the new output is in place; the old one left under
    // the bookkeeping folder is removed by the next run into this place.
  }
  // What was learnt of every file written is given back now, while the
  // plan is given back on a thread of its own, rather than after it.
  outside_ = referenced_->outside();
  referenced_.reset();
  std::unordered_set<std::string>().swap(mayExist_);
  ForgetResolvedKeys();
}

void OutputFolderWriter::CopyReferencedFiles() {
  while (const std::optional<ReferencedFiles::Candidate> candidate =
             referenced_->Next()) {
    const std::optional<std::string> real =
        files_.RealPath(paths_.siteFolder() + "\\" + candidate->relative);
    if (!real) continue;  // a broken link stays broken
    if (!paths_.IsInsideSite(*real)) {
      referenced_->LeadsOutside(*candidate);
      continue;
    }
    const PathFacts facts = files_.LookAt(*real);
    if (!facts.isRegular) continue;
    // Where letter case folds, the copy is named as the site names the file,
    // whichever spelling the reference found first has.
    const std::string spelled = paths_.SpelledAsInTheSite(candidate->relative);
    if (referenced_->FollowsReferences(spelled)) {
      Put(spelled, files_.ReadBytes(*real), facts.mode);
      continue;
    }
    // A picture, or any file that refers to nothing, is copied by the
    // system without passing through the program.
    MakeFoldersFor(spelled);
    files_.CopyNewFile(*real, place_.build + "\\" + spelled, facts.mode);
    referenced_->Written(spelled, std::string_view());
  }
}

}  // namespace quillery
