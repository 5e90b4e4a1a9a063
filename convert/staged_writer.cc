// The all-or-nothing writer; see staged_writer.h.
//
// The staging folder holds each staged file under a short name
// (StagedName), a folder "_originals" with second names (hard links) of the
// files the commit replaces, so that a failure can put them back, and, once
// everything staged is durable, the record "record" (staging_record.h). The
// record appears by a rename, so a record that exists is whole.
#include "convert/staged_writer.h"

#include <set>

#include "platform/file_io.h"
#include "text/site_path.h"

namespace quillery {
namespace {

constexpr std::string_view kRecord = "record";
constexpr std::string_view kRecordPart = "record.part";
// Staged names are letters and digits only, so this name is free.
constexpr std::string_view kBackups = "_originals";

std::string Below(const std::string& folder, std::string_view name) {
  return folder + "\\" + std::string(name);
}

bool SameAsRecorded(const PathFacts& now, const RecordedRename& recorded) {
  if (now.exists != recorded.existed) return false;
  return !now.exists ||
         (now.size == recorded.size && now.modifiedNs == recorded.modifiedNs);
}

// True for the names our writer puts into the staging folder.
bool IsOurStagingName(std::string_view name) {
  return IsStagedName(name) || name == kRecord || name == kRecordPart ||
         name == kBackups;
}

// Removes the names our writer makes in the staging folder (a link itself,
// never what it points to), the record last, then the staging folder and
// the bookkeeping folder when nothing else is in them. Best effort: what
// cannot be removed stays for the next run, which finishes a commit whose
// record is still there, and removes the rest.
void RemoveStaging(FileOperations& files, const std::string& bookkeeping,
                   const std::string& staging) {
  try {
    const std::string backups = Below(staging, kBackups);
    const PathFacts backupFacts = files.LookAt(backups);
    if (backupFacts.isFolder) {
      for (const std::string& name : files.FolderEntries(backups)) {
        if (IsStagedName(name)) files.RemoveFile(Below(backups, name));
      }
      files.RemoveFolder(backups);
    } else if (backupFacts.exists) {
      files.RemoveFile(backups);
    }
    bool recorded = false;
    for (const std::string& name : files.FolderEntries(staging)) {
      if (name == kRecord) {
        recorded = true;
      } else if (IsStagedName(name) || name == kRecordPart) {
        files.RemoveFile(Below(staging, name));
      }
    }
    if (recorded) files.RemoveFile(Below(staging, kRecord));
    files.RemoveFolder(staging);
    if (files.FolderEntries(bookkeeping).empty()) {
      files.RemoveFolder(bookkeeping);
    }
  } catch (const FileError&) {
  }
}

// Renames in commit order, making each group durable before the next: the
// new files, then the contents frame page, then the main file. `renamed`
// counts the renames done, also when one fails.
void RenameInOrder(
    FileOperations& files,
    const std::vector<std::pair<std::string, std::string>>& renames,
    const std::vector<RenameRole>& roles, std::size_t& renamed) {
  std::set<std::string> folders;
  for (std::size_t i = 0; i < renames.size(); ++i) {
    files.RenameFile(renames[i].first, renames[i].second);
    ++renamed;
    folders.insert(SitePath(renames[i].second).Folder().text());
    if (i + 1 < renames.size() && roles[i + 1] == roles[i]) continue;
    for (const std::string& folder : folders) files.SyncFolder(folder);
    folders.clear();
  }
}

// Refuses a staging folder that holds what our writer does not make: a
// name of another kind, or a folder where a staged file or the record
// belongs. Nothing of it is removed then, so the refusal names the way out.
// Returns how many names the staging folder holds.
std::size_t RefuseForeignEntries(FileOperations& files, const std::string& site,
                                 const std::string& bookkeeping,
                                 const std::string& staging) {
  auto refuse = [&](const std::string& path) {
    throw FileError("refusing to work in '" + NativePath(site) + "': '" +
                    NativePath(path) +
                    "' was not put there by quillery; remove '" +
                    NativePath(bookkeeping) + "' and run again");
  };
  const std::vector<std::string> names = files.FolderEntries(staging);
  for (const std::string& name : names) {
    const std::string path = Below(staging, name);
    if (!IsOurStagingName(name)) refuse(path);
    const bool isFolder = files.LookAt(path).isFolder;
    if (name != kBackups && isFolder) refuse(path);
    if (name != kBackups || !isFolder) continue;
    for (const std::string& backup : files.FolderEntries(path)) {
      const std::string backupPath = Below(path, backup);
      if (!IsStagedName(backup) || files.LookAt(backupPath).isFolder) {
        refuse(backupPath);
      }
    }
  }
  return names.size();
}

// The renames a recorded commit still has to do: those whose staged file
// is still there, in commit order.
struct RemainingRenames {
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<RenameRole> roles;
  std::string problem;   // what makes acting on the record unsafe, or ""
  bool changed = false;  // a target is no longer as recorded
};

RemainingRenames FindRemainingRenames(
    FileOperations& files, const std::string& site, const std::string& staging,
    const std::vector<RecordedRename>& record) {
  RemainingRenames remaining;
  for (const RecordedRename& entry : record) {
    const std::string staged = Below(staging, entry.stagedName);
    const std::string target = Below(site, entry.target);
    const PathFacts stagedFacts = files.LookAt(staged);
    if (stagedFacts.exists &&
        (!stagedFacts.isRegular || stagedFacts.links != 1)) {
      remaining.problem = "the staged file '" + entry.stagedName +
                          "' is no regular file of its own";
      return remaining;
    }
    PathFacts targetFacts;
    try {
      targetFacts = files.LookAt(target);
    } catch (const FileError&) {
      remaining.problem = "the way to '" + NativePath(target) + "' is blocked";
      return remaining;
    }
    if (targetFacts.exists && !targetFacts.isRegular) {
      remaining.problem = "'" + NativePath(target) + "' is no regular file";
      return remaining;
    }
    if (!stagedFacts.exists) continue;
    // Its target must be as recorded, or the user has changed the site
    // since.
    if (!SameAsRecorded(targetFacts, entry)) remaining.changed = true;
    remaining.renames.emplace_back(staged, target);
    remaining.roles.push_back(entry.role);
  }
  return remaining;
}

// The folders a record made now for `site` and `stagingInode` names.
RecordBinding BindingOf(FileOperations& files, const std::string& site,
                        std::uint64_t stagingInode) {
  const PathFacts siteFacts = files.LookAt(site);
  RecordBinding binding;
  binding.siteDevice = siteFacts.device;
  binding.siteInode = siteFacts.inode;
  binding.stagingInode = stagingInode;
  return binding;
}

}  // namespace

bool CheckBookkeepingFolder(FileOperations& files, const std::string& folder) {
  const std::string bookkeeping = Below(folder, kBookkeepingFolder);
  const PathFacts facts = files.LookAt(bookkeeping);
  if (!facts.exists) return false;
  if (!facts.isFolder) {
    const std::string what = facts.isLink      ? "a symbolic link"
                             : facts.isRegular ? "a file"
                                               : "no folder";
    throw FileError("refusing to work in '" + NativePath(folder) + "': '" +
                    NativePath(bookkeeping) + "' is " + what +
                    ", not quillery's own folder; remove it and run again");
  }
  if (!files.FolderEntries(bookkeeping).empty()) return true;
  files.RemoveFolder(bookkeeping);
  return false;
}

StagedSiteWriter::StagedSiteWriter(FileOperations& files,
                                   const std::string& siteFolder,
                                   const std::string& mainFilePath,
                                   const std::string& tocFramePath)
    : files_(files), paths_(siteFolder) {
  siteFolder_ = paths_.siteFolder();
  bookkeeping_ = Below(siteFolder_, kBookkeepingFolder);
  staging_ = Below(bookkeeping_, kStagingFolder);
  stagingDevice_ = files_.LookAt(siteFolder_).device;
  mainKey_ = KeyOf(mainFilePath);
  tocKey_ = KeyOf(tocFramePath);
}

std::string StagedSiteWriter::KeyOf(const std::string& path) {
  const std::string key = paths_.KeyOf(path);
  // Looking at the folder opens it once, checked, for every later write.
  const std::string folder = SitePath(key).Folder().text();
  if (checkedFolders_.insert(folder).second &&
      files_.LookAt(folder).device != stagingDevice_) {
    throw FileError("refusing to write '" + NativePath(path) +
                    "': its folder is on another file system than '" +
                    NativePath(siteFolder_) + "'");
  }
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

void StagedSiteWriter::WriteFile(const std::string& path, std::string bytes) {
  Entry entry;
  entry.target = path;
  entry.key = KeyOf(path);
  entry.original = files_.LookAt(entry.key);
  if (entry.original.exists && !entry.original.isRegular) {
    throw FileError("cannot write '" + NativePath(path) + "': " +
                    (entry.original.isFolder ? "a folder is in the way"
                                             : "it is not a regular file"));
  }
  if (entry.key == mainKey_) {
    entry.role = RenameRole::kMainFile;
    entry.stagedName = StagedName(0);
  } else if (entry.key == tocKey_) {
    entry.role = RenameRole::kTocFramePage;
    entry.stagedName = StagedName(1);
  } else {
    entry.stagedName = StagedName(2 + newFiles_++);
  }
  if (!staged_) MakeStagingFolder();
  // A replaced file keeps its permissions. A failure names the file the
  // user knows, not its staging name.
  try {
    files_.WriteNewFile(
        StagedPath(entry), bytes,
        entry.original.exists ? entry.original.mode : NewFileMode());
  } catch (const FileError& error) {
    const std::string message = error.what();
    const std::size_t reason = message.find("': ");
    throw FileError("cannot write '" + NativePath(path) + "'" +
                    (reason == std::string::npos ? std::string()
                                                 : message.substr(reason + 1)));
  }
  entries_.push_back(std::move(entry));
}

void StagedSiteWriter::Commit() {
  if (!staged_) return;
  // The commit order: new files in the plan's order, then the contents
  // frame page, then the main file.
  for (RenameRole role : {RenameRole::kNewFile, RenameRole::kTocFramePage,
                          RenameRole::kMainFile}) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].role == role) order_.push_back(i);
    }
  }

  // Second names of the files to be replaced, to put them back after a
  // failure; on a file system without hard links, copies of them.
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
                      NewFileMode());
  // Every staged file and the record durable before the record counts.
  files_.SyncFileSystem(staging_);
  files_.RenameFile(recordPart, Below(staging_, kRecord));
  files_.SyncFolder(staging_);

  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<RenameRole> roles;
  for (std::size_t i : order_) {
    renames.emplace_back(StagedPath(entries_[i]), entries_[i].key);
    roles.push_back(entries_[i].role);
  }
  std::size_t renamed = 0;
  try {
    RenameInOrder(files_, renames, roles, renamed);
  } catch (const FileError&) {
    Rollback(renamed);
    throw;
  }
  committed_ = true;
  RemoveStaging(files_, bookkeeping_, staging_);
}

void StagedSiteWriter::Rollback(std::size_t renamed) {
  // Without the record a kill from here on leaves a staging folder the
  // next run removes; the main file, renamed last, is put back first.
  try {
    files_.RemoveFile(Below(staging_, kRecord));
  } catch (const FileError&) {
  }
  for (std::size_t done = renamed; done-- > 0;) {
    const Entry& entry = entries_[order_[done]];
    try {
      if (entry.backedUp) {
        files_.RenameFile(BackupPath(entry), entry.key);
      } else if (!entry.original.exists) {
        files_.RemoveFile(entry.key);
      }
      files_.SyncFolder(SitePath(entry.key).Folder().text());
    } catch (const FileError&) {
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
    }
  }
  staged_ = false;
  madeBookkeeping_ = false;
}

Recovery RecoverInterruptedCommit(FileOperations& files,
                                  const std::string& siteFolder,
                                  std::string* notice) {
  const std::string site = RealPath(siteFolder).value_or(siteFolder);
  if (!CheckBookkeepingFolder(files, site)) return Recovery::kNothingLeft;
  const std::string bookkeeping = Below(site, kBookkeepingFolder);
  const std::string staging = Below(bookkeeping, kStagingFolder);
  const PathFacts stagingFacts = files.LookAt(staging);
  if (!stagingFacts.exists) return Recovery::kNothingLeft;
  auto discard = [&](const std::string& why) {
    if (notice != nullptr && !why.empty()) {
      *notice = "removed what an interrupted conversion left in '" +
                NativePath(bookkeeping) + "' without applying it: " + why;
    }
    return Recovery::kDiscarded;
  };
  if (!stagingFacts.isFolder) {
    // The name is ours; what stands there is removed itself, never followed.
    files.RemoveFile(staging);
    CheckBookkeepingFolder(files, site);
    return discard("'" + NativePath(staging) + "' was no folder");
  }
  const std::size_t stagedNames =
      RefuseForeignEntries(files, site, bookkeeping, staging);

  const std::string recordPath = Below(staging, kRecord);
  const PathFacts recordFacts = files.LookAt(recordPath);
  if (!recordFacts.exists) {
    RemoveStaging(files, bookkeeping, staging);
    return discard(std::string());
  }
  // No plan makes a record longer than a line for each staged file.
  const std::uint64_t longest = (stagedNames + 1) * kMaxRecordLine;
  std::string problem;
  std::optional<std::vector<RecordedRename>> record;
  if (!recordFacts.isRegular || recordFacts.links != 1) {
    problem = "the record is no regular file of its own";
  } else if (recordFacts.size > longest) {
    problem = "the record is larger than any conversion writes";
  } else {
    record = ParseRecord(files.ReadFile(recordPath, longest),
                         BindingOf(files, site, stagingFacts.inode), problem);
  }
  RemainingRenames remaining;
  if (record) {
    remaining = FindRemainingRenames(files, site, staging, *record);
    problem = remaining.problem;
  }
  if (!problem.empty() || remaining.changed) {
    RemoveStaging(files, bookkeeping, staging);
    return discard(problem);
  }

  std::size_t renamed = 0;
  RenameInOrder(files, remaining.renames, remaining.roles, renamed);
  RemoveStaging(files, bookkeeping, staging);
  return Recovery::kCompleted;
}

}  // namespace quillery
