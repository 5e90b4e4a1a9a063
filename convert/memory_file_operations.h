// A file system in memory behind FileOperations, for tests: folders, files
// and symbolic links that behave as SystemFileOperations finds them on the
// disk, with the same error messages, and a hook before every call that can
// make it fail or stop there as a kill would.
//
//   MemoryFileOperations files;
//   files.AddFile("\\site\\doc.htm", "<frameset>...");
//   files.SetHook([](const FileCall& call) {
//     if (call.name == "RenameFile") throw FileError("disk full");
//   });
//   RunSomething(files);
//   EXPECT_EQ(files.Tree(), before);
#ifndef QUILLERY_CONVERT_MEMORY_FILE_OPERATIONS_H_
#define QUILLERY_CONVERT_MEMORY_FILE_OPERATIONS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/file_operations.h"

namespace quillery {

// One call through the door, as the hook sees it: the member's name
// ("ReadText", "RenameFile", ...), its path as passed, and for the calls
// with two paths (RenameFile, RenameNewFile, ExchangeFolders, LinkFile,
// CopyNewFile) the second one.
struct FileCall {
  std::string_view name;
  const std::string& path;
  const std::string& to;

  // A rename of either kind: over what stands there, or onto a free name.
  [[nodiscard]] bool IsRename() const {
    return name == "RenameFile" || name == "RenameNewFile";
  }
};

// Paths are internal ("\site\doc.htm"); as on the disk, a "/" in them
// separates names too. The calls that read the user's files (ReadText,
// ReadBytes, RealPath, Exists, CanOpenForReading, LockFolder) follow links
// and fold ".." through the folder reached; the others never follow a link
// on the way, refuse "..", and look at a link itself. Safe to use from two
// threads at once; the hook runs outside the fake's own lock.
class MemoryFileOperations : public FileOperations {
 public:
  MemoryFileOperations();
  ~MemoryFileOperations() override;
  MemoryFileOperations(const MemoryFileOperations&) = delete;
  MemoryFileOperations& operator=(const MemoryFileOperations&) = delete;

  // Setting up, no hook called and nothing counted. Each makes the missing
  // folders above the path, and replaces what stands at the path. A link's
  // target is kept as given: relative to the link's folder, or absolute when
  // it begins with "\" or "/".
  void AddFolder(const std::string& path);
  void AddFile(const std::string& path, std::string_view bytes,
               std::uint32_t mode = 0644);
  void AddLink(const std::string& path, const std::string& target);
  // Things made in the folder from now on lie on `device` (a rename or hard
  // link to another device fails as on the disk). Everything starts on 1.
  void SetDevice(const std::string& folder, std::uint64_t device);

  // Reading back, no hook called: the bytes of the regular file at the path
  // (a link is not followed), nothing when there is none.
  [[nodiscard]] std::optional<std::string> Contents(
      const std::string& path) const;
  // Everything below `folder`, by absolute path: a file's bytes; a folder
  // as its path with "\" at the end and ""; a link as "-> " and its target.
  [[nodiscard]] std::map<std::string, std::string> Tree(
      const std::string& folder = "\\") const;

  // Fault injection. The hook is called before every call, after it is
  // counted; what it throws leaves the call undone: a FileError stands for a
  // failure of the call, any other type for the process killed there.
  void SetHook(std::function<void(const FileCall&)> hook);
  // The calls made through the door so far.
  [[nodiscard]] std::size_t calls() const;
  // Without hard links LinkFile makes nothing and returns false.
  void SetHardLinks(bool available);
  // Without an exchange of folders ExchangeFolders changes nothing and
  // returns false, as on a system that has no such call.
  void SetExchange(bool available);
  // With folding, names that differ only in letter case (FoldedLetterCase)
  // name one entry in every folder, as on the volumes of Windows and macOS:
  // a name keeps the case it was made with (a rename to another case of it
  // changes the case in place, a rename over it takes the new name), every
  // lookup ignores case, and RealPath gives the names as made. Chosen before
  // anything is added; off at first.
  void SetFoldsLetterCase(bool folds);
  // How many threads a conversion writes through the fake with; 1 at first,
  // so that the calls come in one order every time.
  void SetWritesAtOnce(std::size_t threads);
  // The syncs done, in order: "SyncFileSystem <path>" or "SyncFolder <path>".
  [[nodiscard]] std::vector<std::string> syncs() const;

  std::string ReadText(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  std::optional<std::string> RealPath(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;
  std::unique_ptr<HeldLock> LockFolder(const std::string& folder) override;
  // 0644.
  std::uint32_t NewFileMode() override;
  std::size_t WritesAtOnce() override;
  PathFacts LookAt(const std::string& path) override;
  // Sorted by name.
  std::vector<std::string> FolderEntries(const std::string& path) override;
  std::string ReadFile(const std::string& path,
                       std::uint64_t maxBytes) override;
  bool FoldsLetterCase(const std::string& folder) override;
  void MakeFolder(const std::string& path) override;
  void WriteNewFile(const std::string& path, std::string_view bytes,
                    std::uint32_t mode) override;
  void CopyNewFile(const std::string& from, const std::string& to,
                   std::uint32_t mode) override;
  void SyncFileSystem(const std::string& path) override;
  void SyncFolder(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
  // Fails with "File exists" where anything stands at `to`.
  void RenameNewFile(const std::string& from, const std::string& to) override;
  bool ExchangeFolders(const std::string& first,
                       const std::string& second) override;
  bool LinkFile(const std::string& from, const std::string& to) override;
  void RemoveFile(const std::string& path) override;
  void RemoveFolder(const std::string& path) override;

 private:
  // What hard links share: a file's bytes or a link's target, and facts.
  struct Inode {
    std::string bytes;
    std::uint32_t mode = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t device = 1;
    std::uint64_t number = 0;
    std::uint64_t links = 1;
  };
  enum class Kind { kFolder, kFile, kLink };
  struct Node {
    Kind kind = Kind::kFolder;
    std::shared_ptr<Inode> inode;
    // A folder's entries: each key's last name, and the name as made.
    std::map<std::string, std::string> names;
  };
  // A folder and all below it, by path below it ("" for the folder).
  using Subtree = std::vector<std::pair<std::string, Node>>;
  struct LockTable;
  class Lock;

  // Counts the call and runs the hook.
  void Enter(std::string_view name, const std::string& path,
             const std::string& to = std::string());
  // The key of `path` with every link followed and ".." folded, or the
  // errno of the failure.
  int Resolve(const std::string& path, std::string& key) const;
  // The key of the folder holding `path`, and its last name, for the calls
  // that follow no link; throws as the real door does.
  std::string PlaceOf(const std::string& path, std::string_view verb,
                      std::string& name) const;
  // The folders and keys of the two paths of a rename, an exchange or a
  // link, and whether their folders lie on one device.
  struct TwoPlaces {
    std::string fromFolder;
    std::string fromKey;
    std::string toFolder;
    std::string toKey;
    std::string toName;  // the last name of the second path, as given
  };
  TwoPlaces PlacesOf(const std::string& from, const std::string& to) const;
  // The rename itself, with the fake's lock held.
  void RenameHeld(const std::string& from, const std::string& to);
  bool OnOneDevice(const TwoPlaces& places) const;
  // The key of the folder `path` itself, which must exist.
  std::string FolderAt(const std::string& path, std::string_view verb) const;
  // The key of the existing folder of the first `count` of `names`, "" when
  // it does not exist and `missingIsEmpty`; else throws.
  std::string OpenFolder(const std::vector<std::string>& names,
                         std::size_t count, const std::string& path,
                         std::string_view verb, bool missingIsEmpty) const;
  Node* Find(const std::string& key);
  const Node* Find(const std::string& key) const;
  // The key of a path (with ".." folded), letter case folded or not.
  std::string KeyOf(const std::string& path) const;
  // The path of an existing key with each name as it was made.
  std::string PathAsMade(const std::string& key) const;
  // Puts `node` at `key` in its existing parent folder, named `name`.
  void Insert(const std::string& key, const std::string& name, Node node);
  // Makes the file `path`, which must not exist yet, with `bytes` and
  // `mode` (WriteNewFile, CopyNewFile); the mutex is held.
  void MakeNewFile(const std::string& path, std::string bytes,
                   std::uint32_t mode);
  void Erase(const std::string& key);
  // Takes the node at `key` and all below it out of the tree, and puts
  // such a subtree at `key`, whose folder exists and which is free.
  Subtree Extract(const std::string& key);
  void Place(const std::string& key, const std::string& name, Subtree subtree);
  std::shared_ptr<Inode> NewInode(const std::string& parentKey);
  void Touch(const std::string& folderKey);
  // AddFolder of a path with ".." folded, without the lock.
  void MakeFolders(const std::string& path);
  std::string ReadResolved(const std::string& path, bool refuseZeroByte);

  mutable std::mutex mutex_;
  std::map<std::string, Node> nodes_;
  std::function<void(const FileCall&)> hook_;
  std::size_t calls_ = 0;
  bool hardLinks_ = true;
  bool exchange_ = true;
  bool foldsLetterCase_ = false;
  std::size_t writesAtOnce_ = 1;
  std::vector<std::string> syncs_;
  std::uint64_t nextInode_ = 2;
  std::int64_t clock_ = 0;
  // Shared with the locks handed out, which may outlive the fake.
  std::shared_ptr<LockTable> locks_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_MEMORY_FILE_OPERATIONS_H_
