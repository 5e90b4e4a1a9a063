// Finishing or removing an interrupted commit; see interrupted_commit.h.
#include "convert/interrupted_commit.h"

#include <optional>
#include <utility>
#include <vector>

#include "convert/staging_folder.h"
#include "convert/staging_record.h"
#include "text/site_path.h"

namespace quillery {
namespace {

bool SameAsRecorded(const PathFacts& now, const RecordedRename& recorded) {
  if (now.exists != recorded.existed) return false;
  return !now.exists ||
         (now.size == recorded.size && now.modifiedNs == recorded.modifiedNs);
}

// Refuses a staging folder that holds what our writer does not make: a
// name of another kind, or a folder where a staged file or the record
// belongs. Nothing of it is removed then, so the refusal names the way out.
// Returns how many names the staging folder holds.
std::size_t RefuseForeignEntries(FileOperations& files, const std::string& site,
                                 const std::string& bookkeeping,
                                 const std::string& staging) {
  auto refuse = [&](const std::string& path) {
    throw FileError("refusing to work in '" + ShownPath(site) + "': '" +
                    ShownPath(path) +
                    "' was not put there by quillery; remove '" +
                    ShownPath(bookkeeping) + "' and run again");
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
  std::vector<StagedRename> renames;
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
      remaining.problem = "the way to '" + ShownPath(target) + "' is blocked";
      return remaining;
    }
    if (targetFacts.exists && !targetFacts.isRegular) {
      remaining.problem = "'" + ShownPath(target) + "' is no regular file";
      return remaining;
    }
    if (!stagedFacts.exists) continue;
    // Its target must be as recorded, or the user has changed the site
    // since.
    if (!SameAsRecorded(targetFacts, entry)) remaining.changed = true;
    remaining.renames.push_back(
        StagedRename{staged, target, entry.role, !entry.existed});
  }
  return remaining;
}

}  // namespace

Recovery RecoverInterruptedCommit(FileOperations& files,
                                  const std::string& siteFolder,
                                  std::string* notice) {
  const std::string site = files.RealPath(siteFolder).value_or(siteFolder);
  if (!CheckBookkeepingFolder(files, site)) return Recovery::kNothingLeft;
  const std::string bookkeeping = Below(site, kBookkeepingFolder);
  const std::string staging = Below(bookkeeping, kStagingFolder);
  const PathFacts stagingFacts = files.LookAt(staging);
  if (!stagingFacts.exists) return Recovery::kNothingLeft;
  auto discard = [&](const std::string& why) {
    if (notice != nullptr && !why.empty()) {
      *notice = "removed what an interrupted conversion left in '" +
                ShownPath(bookkeeping) + "' without applying it: " + why;
    }
    return Recovery::kDiscarded;
  };
  if (!stagingFacts.isFolder) {
    // The name is ours; what stands there is removed itself, never followed.
    files.RemoveFile(staging);
    CheckBookkeepingFolder(files, site);
    return discard("'" + ShownPath(staging) + "' was no folder");
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
    const RecordBinding binding = BindingOf(files, site, stagingFacts.inode);
    const bool foldsLetterCase = files.FoldsLetterCase(site);
    record = ParseRecord(files.ReadFile(recordPath, longest), binding, problem,
                         foldsLetterCase);
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

  std::vector<char> done(remaining.renames.size(), 0);
  RenameInOrder(files, remaining.renames, done);
  RemoveStaging(files, bookkeeping, staging);
  return Recovery::kCompleted;
}

}  // namespace quillery
