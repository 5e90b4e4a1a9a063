// The all-or-nothing writer of a conversion in place; see staged_writer.h.
#include "convert/staged_writer.h"

#include <algorithm>
#include <utility>

#include "convert/staging_folder.h"
#include "text/site_path.h"

namespace quillery {

StagedSiteWriter::StagedSiteWriter(FileOperations& files,
                                   const std::string& siteFolder,
                                   const std::string& mainFilePath,
                                   const std::string& tocFramePath)
    : files_(files), paths_(files, siteFolder) {
  siteFolder_ = paths_.siteFolder();
  bookkeeping_ = Below(siteFolder_, kBookkeepingFolder);
  staging_ = Below(bookkeeping_, kStagingFolder);
  stagingDevice_ = files_.LookAt(siteFolder_).device;
  mainKey_ = KeyOf(mainFilePath);
  tocKey_ = KeyOf(tocFramePath);
}

StagedSiteWriter::~StagedSiteWriter() {
  try {
    Discard();
  } catch (...) {
    // Nothing is lost: what stays is our own staging folder, which the next
    // run of the site removes. A destructor must not throw.
  }
}

std::string StagedSiteWriter::Resolve(const std::string& path) {
  std::string key = paths_.KeyOf(path);
  // Looking at the folder opens it once, checked, for every later write.
  const std::string folder = SitePath(key).Folder().text();
  if (checkedFolders_.insert(folder).second &&
      files_.LookAt(folder).device != stagingDevice_) {
    throw FileError("refusing to write '" + ShownPath(path) +
                    "': its folder is on another file system than '" +
                    ShownPath(siteFolder_) + "'");
  }
  if (paths_.MayHold(key)) mayExist_.insert(key);
  return key;
}

void StagedSiteWriter::MakeStagingFolder() {
  if (!CheckBookkeepingFolder(files_, siteFolder_)) {
    files_.MakeFolder(bookkeeping_);
    madeBookkeeping_ = true;
  }
  files_.MakeFolder(staging_);
  staged_ = true;
}

std::string StagedSiteWriter::StagedPath(const Entry& entry) const {
  return Below(staging_, entry.stagedName);
}

std::string StagedSiteWriter::BackupPath(const Entry& entry) const {
  return Below(Below(staging_, kBackups), entry.stagedName);
}

void StagedSiteWriter::WriteFile(std::size_t place, const std::string& path,
                                 std::string_view bytes) {
  Entry entry;
  entry.place = place;
  entry.target = path;
  entry.key = ResolvedKey(path);
  // A name its folder did not hold when listed is taken for a new file,
  // without a look of its own: should a file come there meanwhile, the
  // commit refuses to replace it (RenameNewFile).
  if (mayExist_.count(entry.key) != 0) {
    entry.original = files_.LookAt(entry.key);
  }
  if (entry.original.exists && !entry.original.isRegular) {
    throw FileError("cannot write '" + ShownPath(path) + "': " +
                    (entry.original.isFolder ? "a folder is in the way"
                                             : "it is not a regular file"));
  }
  // The staging name follows from the place, whichever thread stages the
  // file and when.
  if (entry.key == mainKey_) {
    entry.role = RenameRole::kMainFile;
    entry.stagedName = StagedName(0, paths_.foldsLetterCase());
  } else if (entry.key == tocKey_) {
    entry.role = RenameRole::kTocFramePage;
    entry.stagedName = StagedName(1, paths_.foldsLetterCase());
  } else {
    entry.stagedName = StagedName(2 + place, paths_.foldsLetterCase());
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!staged_) MakeStagingFolder();
  }
  // A replaced file keeps its permissions. A failure names the file the
  // user knows, not its staging name.
  try {
    files_.WriteNewFile(
        StagedPath(entry), bytes,
        entry.original.exists ? entry.original.mode : files_.NewFileMode());
  } catch (const FileError& error) {
    throw FileError("cannot write", path, error.reason());
  }
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(std::move(entry));
}

void StagedSiteWriter::BackUpOriginals() {
  for (Entry& entry : entries_) {
    if (!entry.original.exists) continue;
    const std::string backups = Below(staging_, kBackups);
    if (!files_.LookAt(backups).exists) files_.MakeFolder(backups);
    if (!files_.LinkFile(entry.key, BackupPath(entry))) {
      files_.WriteNewFile(BackupPath(entry),
                          files_.ReadFile(entry.key, entry.original.size),
                          entry.original.mode);
    }
    entry.backedUp = true;
  }
}

void StagedSiteWriter::WriteRecord() {
  const RecordBinding binding =
      BindingOf(files_, siteFolder_, files_.LookAt(staging_).inode);
  std::vector<RecordedRename> recorded;
  for (std::size_t i : order_) {
    const Entry& entry = entries_[i];
    RecordedRename rename;
    rename.role = entry.role;
    rename.stagedName = entry.stagedName;
    rename.existed = entry.original.exists;
    rename.size = entry.original.size;
    rename.modifiedNs = entry.original.modifiedNs;
    rename.target = paths_.RelativeOf(entry.key);
    recorded.push_back(std::move(rename));
  }
  const std::string recordPart = Below(staging_, kRecordPart);
  files_.WriteNewFile(recordPart, FormatRecord(binding, recorded),
                      files_.NewFileMode());
  // Every staged file and the record durable before the record counts.
  files_.SyncFileSystem(staging_);
  files_.RenameFile(recordPart, Below(staging_, kRecord));
  files_.SyncFolder(staging_);
}

void StagedSiteWriter::Commit() {
  if (!staged_) return;
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return a.place < b.place; });
  // The commit order: new files in the plan's order, then the contents
  // frame page, then the main file.
  for (RenameRole role : {RenameRole::kNewFile, RenameRole::kTocFramePage,
                          RenameRole::kMainFile}) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].role == role) order_.push_back(i);
    }
  }
  BackUpOriginals();
  WriteRecord();

  std::vector<StagedRename> renames;
  renames.reserve(order_.size());
  for (std::size_t i : order_) {
    const Entry& entry = entries_[i];
    renames.push_back(StagedRename{StagedPath(entry), entry.key, entry.role,
                                   !entry.original.exists});
  }
  std::vector<char> done(renames.size(), 0);
  try {
    RenameInOrder(files_, renames, done);
  } catch (...) {
    Rollback(done);
    throw;
  }
  committed_ = true;
  RemoveStaging(files_, bookkeeping_, staging_);
}

void StagedSiteWriter::Rollback(const std::vector<char>& done) {
  // Without the record a kill from here on leaves a staging folder the
  // next run removes; the main file, renamed last, is put back first.
  try {
    files_.RemoveFile(Below(staging_, kRecord));
  } catch (const FileError&) {
    // Nothing is lost: the renames below go on; a record left behind finds
    // its targets changed, and the next run removes it unapplied.
  }
  for (std::size_t index = order_.size(); index-- > 0;) {
    if (!done[index]) continue;
    const Entry& entry = entries_[order_[index]];
    try {
      if (entry.backedUp) {
        files_.RenameFile(BackupPath(entry), entry.key);
      } else if (!entry.original.exists) {
        files_.RemoveFile(entry.key);
      }
      files_.SyncFolder(SitePath(entry.key).Folder().text());
    } catch (const FileError&) {
      // The other files are still put back. (A second failure here, after
      // the first, is the one case where an original can stay unrestored.)
    }
  }
}

void StagedSiteWriter::Discard() {
  if (committed_) return;
  if (staged_) {
    RemoveStaging(files_, bookkeeping_, staging_);
  } else if (madeBookkeeping_) {
    try {
      files_.RemoveFolder(bookkeeping_);
    } catch (const FileError&) {
      // Nothing is lost: an empty bookkeeping folder, which the next run
      // removes.
    }
  }
  staged_ = false;
  madeBookkeeping_ = false;
}

}  // namespace quillery
