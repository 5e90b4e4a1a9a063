// The all-or-nothing writer; see staged_writer.h.
//
// The staging folder holds each staged file under a short name, a folder
// "_originals" with second names (hard links) of the files the commit replaces,
// so that a failure can put them back, and, once everything staged is durable,
// the record "record": one line per rename in commit order,
//   <role> <staged name> <target existed 0/1> <size> <mtime ns> <target>
// the target given relative to the main file's folder, its bytes below 33,
// "%" and DEL written as %XX. The record appears by a rename, so a record
// that exists is whole.
#include "convert/staged_writer.h"

#include <optional>
#include <set>
#include <sstream>

#include "platform/file_io.h"

namespace quillery {
namespace {

constexpr std::string_view kRecord = "record";
constexpr std::string_view kRecordPart = "record.part";
// Staged names are letters and digits only, so this name is free.
constexpr std::string_view kBackups = "_originals";
constexpr std::string_view kRecordHeading = "quillery staging record 1";

// Short staging names: 0-9, a-z, A-Z, then two characters and more. The
// main file and the contents frame page get "0" and "1", which no final name
// is shorter than; the others follow from "2", and their final names are at
// least 5 bytes long ("x.css").
std::string ShortName(std::size_t number) {
  static constexpr std::string_view kDigits =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string name;
  do {
    name.insert(name.begin(), kDigits[number % kDigits.size()]);
    number /= kDigits.size();
  } while (number > 0);
  return name;
}

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 32 || byte == '%' || byte == 127) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> Unescaped(std::string_view text) {
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      plain += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    plain += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return plain;
}

bool SameAsRecorded(const PathFacts& now, const PathFacts& recorded) {
  if (now.exists != recorded.exists) return false;
  return !now.exists ||
         (now.size == recorded.size && now.modifiedNs == recorded.modifiedNs);
}

// Removes the staging folder and all it holds, the record last, then the
// bookkeeping folder when nothing else is in it. Best effort: what cannot be
// removed stays for the next run, which finishes a commit whose record is
// still there, and removes the rest.
void RemoveStaging(FileOperations& files, const std::string& bookkeeping,
                   const std::string& staging) {
  try {
    const std::string backups = staging + "\\" + std::string(kBackups);
    if (files.LookAt(backups).isFolder) RemoveFolderTree(files, backups);
    bool recorded = false;
    for (const std::string& name : files.FolderEntries(staging)) {
      if (name == kRecord) {
        recorded = true;
        continue;
      }
      files.RemoveFile(staging + "\\" + name);
    }
    if (recorded) files.RemoveFile(staging + "\\" + std::string(kRecord));
    files.RemoveFolder(staging);
    if (files.FolderEntries(bookkeeping).empty()) {
      files.RemoveFolder(bookkeeping);
    }
  } catch (const FileError&) {
  }
}

// One line of the record.
struct RecordedRename {
  char role = 'n';
  std::string stagedName;
  PathFacts original;
  std::string target;  // relative to the site folder
};

std::optional<std::vector<RecordedRename>> ParseRecord(
    const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != kRecordHeading) return std::nullopt;
  std::vector<RecordedRename> renames;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    RecordedRename rename;
    int existed = 0;
    std::string target;
    if (!(fields >> rename.role >> rename.stagedName >> existed >>
          rename.original.size >> rename.original.modifiedNs >> target)) {
      return std::nullopt;
    }
    std::optional<std::string> plain = Unescaped(target);
    if (!plain || plain->empty()) return std::nullopt;
    rename.original.exists = existed != 0;
    rename.target = *plain;
    renames.push_back(std::move(rename));
  }
  return renames;
}

// Renames in commit order, making each group durable before the next: the
// new files, then the contents frame page, then the main file. `renamed`
// counts the renames done, also when one fails.
void RenameInOrder(
    FileOperations& files,
    const std::vector<std::pair<std::string, std::string>>& renames,
    const std::vector<char>& roles, std::size_t& renamed) {
  std::set<std::string> folders;
  for (std::size_t i = 0; i < renames.size(); ++i) {
    files.RenameFile(renames[i].first, renames[i].second);
    ++renamed;
    folders.insert(FolderOfPath(renames[i].second));
    if (i + 1 < renames.size() && roles[i + 1] == roles[i]) continue;
    for (const std::string& folder : folders) files.SyncFolder(folder);
    folders.clear();
  }
}

}  // namespace

StagedSiteWriter::StagedSiteWriter(FileOperations& files,
                                   const std::string& siteFolder,
                                   const std::string& mainFilePath,
                                   const std::string& tocFramePath)
    : files_(files), paths_(siteFolder) {
  siteFolder_ = paths_.siteFolder();
  bookkeeping_ = siteFolder_ + "\\" + std::string(kBookkeepingFolder);
  staging_ = bookkeeping_ + "\\" + std::string(kStagingFolder);
  stagingDevice_ = files_.LookAt(siteFolder_).device;
  mainKey_ = KeyOf(mainFilePath);
  tocKey_ = KeyOf(tocFramePath);
}

std::string StagedSiteWriter::KeyOf(const std::string& path) {
  const std::string key = paths_.KeyOf(path);
  if (checkedFolders_.insert(FolderOfPath(key)).second &&
      files_.LookAt(FolderOfPath(key)).device != stagingDevice_) {
    throw FileError("refusing to write '" + NativePath(path) +
                    "': its folder is on another file system than '" +
                    NativePath(siteFolder_) + "'");
  }
  return key;
}

void StagedSiteWriter::MakeStagingFolder() {
  if (!files_.LookAt(bookkeeping_).exists) {
    files_.MakeFolder(bookkeeping_);
    madeBookkeeping_ = true;
  }
  files_.MakeFolder(staging_);
  staged_ = true;
}

std::string StagedSiteWriter::StagedPath(const Entry& entry) const {
  return staging_ + "\\" + entry.stagedName;
}

std::string StagedSiteWriter::BackupPath(const Entry& entry) const {
  return staging_ + "\\" + std::string(kBackups) + "\\" + entry.stagedName;
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
    entry.role = Role::kMainFile;
    entry.stagedName = "0";
  } else if (entry.key == tocKey_) {
    entry.role = Role::kTocFramePage;
    entry.stagedName = "1";
  } else {
    entry.stagedName = ShortName(2 + newFiles_++);
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
  for (Role role : {Role::kNewFile, Role::kTocFramePage, Role::kMainFile}) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].role == role) order_.push_back(i);
    }
  }

  // Second names of the files to be replaced, to put them back after a
  // failure; a file system without hard links goes without.
  for (Entry& entry : entries_) {
    if (!entry.original.exists) continue;
    const std::string backups = staging_ + "\\" + std::string(kBackups);
    if (!files_.LookAt(backups).exists) files_.MakeFolder(backups);
    entry.backedUp = files_.LinkFile(entry.key, BackupPath(entry));
  }

  std::string record(kRecordHeading);
  record += '\n';
  for (std::size_t i : order_) {
    const Entry& entry = entries_[i];
    record += entry.role == Role::kNewFile        ? 'n'
              : entry.role == Role::kTocFramePage ? 't'
                                                  : 'm';
    record += ' ' + entry.stagedName + ' ' +
              (entry.original.exists ? "1 " : "0 ") +
              std::to_string(entry.original.size) + ' ' +
              std::to_string(entry.original.modifiedNs) + ' ' +
              Escaped(paths_.RelativeOf(entry.key)) + '\n';
  }
  const std::string recordPart = staging_ + "\\" + std::string(kRecordPart);
  files_.WriteNewFile(recordPart, record, NewFileMode());
  // Every staged file and the record durable before the record counts.
  files_.SyncFileSystem(staging_);
  files_.RenameFile(recordPart, staging_ + "\\" + std::string(kRecord));
  files_.SyncFolder(staging_);

  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<char> roles;
  for (std::size_t i : order_) {
    renames.emplace_back(StagedPath(entries_[i]), entries_[i].key);
    roles.push_back(static_cast<char>(entries_[i].role));
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
    files_.RemoveFile(staging_ + "\\" + std::string(kRecord));
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
      files_.SyncFolder(FolderOfPath(entry.key));
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
                                  const std::string& siteFolder) {
  const std::string site = RealPath(siteFolder).value_or(siteFolder);
  const std::string bookkeeping = site + "\\" + std::string(kBookkeepingFolder);
  const std::string staging = bookkeeping + "\\" + std::string(kStagingFolder);
  if (!files.LookAt(staging).isFolder) return Recovery::kNothingLeft;

  const std::string recordPath = staging + "\\" + std::string(kRecord);
  std::optional<std::vector<RecordedRename>> record;
  if (files.LookAt(recordPath).isRegular) {
    record = ParseRecord(files.ReadFile(recordPath));
  }
  if (!record) {
    RemoveStaging(files, bookkeeping, staging);
    return Recovery::kDiscarded;
  }
  // A rename still to do has its staged file; its target must be as
  // recorded, or the user has changed the site since.
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<char> roles;
  for (const RecordedRename& entry : *record) {
    const std::string staged = staging + "\\" + entry.stagedName;
    if (!files.LookAt(staged).exists) continue;
    const std::string target = site + "\\" + entry.target;
    if (!SameAsRecorded(files.LookAt(target), entry.original)) {
      RemoveStaging(files, bookkeeping, staging);
      return Recovery::kDiscarded;
    }
    renames.emplace_back(staged, target);
    roles.push_back(entry.role);
  }
  std::size_t renamed = 0;
  RenameInOrder(files, renames, roles, renamed);
  RemoveStaging(files, bookkeeping, staging);
  return Recovery::kCompleted;
}

}  // namespace quillery
