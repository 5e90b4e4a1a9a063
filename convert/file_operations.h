// The one door through which a conversion reaches the disk: every read,
// look, lock and change of convert/ is one call here, so that tests can run
// a conversion on a file system in memory and make any call fail, or stop
// the run there as a kill would. The real file system (SystemFileOperations)
// is the only user of platform/ in convert/.
#ifndef QUILLERY_CONVERT_FILE_OPERATIONS_H_
#define QUILLERY_CONVERT_FILE_OPERATIONS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_system.h"

namespace quillery {

// A lock on a folder, held until it is destroyed.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
};

class FileOperations {
 public:
  virtual ~FileOperations() = default;

  // Reading the user's own files (the document, the header, footer and
  // template, pictures), links followed as the user made them. Text refuses
  // a zero byte and anything but a regular file (FileError naming the file
  // and why); bytes take any regular file.
  virtual std::string ReadText(const std::string& path) = 0;
  virtual std::string ReadBytes(const std::string& path) = 0;
  // ReadText for the content page the pages are cut from. A large one may
  // be shared with its file instead of copied (ReadDocumentFile); the
  // conversion then asks it before the commit whether it is still the file
  // it read.
  virtual SharedText ReadDocument(const std::string& path) {
    return SharedText(ReadText(path));
  }
  // The path with every link, "." and ".." resolved; nothing when it does
  // not exist.
  virtual std::optional<std::string> RealPath(const std::string& path) = 0;
  // True when something exists at the path, a link followed.
  virtual bool Exists(const std::string& path) = 0;
  // True when the path names a file (not a folder) that can be opened for
  // reading.
  virtual bool CanOpenForReading(const std::string& path) = 0;

  // Looking at what our writer makes or finds (changes nothing), a link
  // never followed.
  virtual PathFacts LookAt(const std::string& path) = 0;
  virtual std::vector<std::string> FolderEntries(const std::string& path) = 0;
  // A regular file of at most `maxBytes`, never through a link.
  virtual std::string ReadFile(const std::string& path,
                               std::uint64_t maxBytes) = 0;
  // True when the file system of `folder` takes names in it that differ
  // only in letter case (FoldedLetterCase) for one name, as Windows and
  // macOS do by default and Linux does in a folder made case-insensitive.
  virtual bool FoldsLetterCase(const std::string& folder) = 0;

  // One run at a time per folder: the lock, or nothing when another run
  // holds it. Throws FileError when the folder cannot be opened.
  virtual std::unique_ptr<HeldLock> LockFolder(const std::string& folder) = 0;
  // The permissions a new file gets.
  virtual std::uint32_t NewFileMode() = 0;
  // How many threads write through this object at once while a conversion
  // stages its files, each thread its own files.
  virtual std::size_t WritesAtOnce() { return 1; }

  // Changing: what the platform functions of the same names do.
  virtual void MakeFolder(const std::string& path) = 0;
  virtual void WriteNewFile(const std::string& path, std::string_view bytes,
                            std::uint32_t mode) = 0;
  virtual void CopyNewFile(const std::string& from, const std::string& to,
                           std::uint32_t mode) = 0;
  virtual void SyncFileSystem(const std::string& path) = 0;
  virtual void SyncFolder(const std::string& path) = 0;
  virtual void RenameFile(const std::string& from, const std::string& to) = 0;
  virtual void RenameNewFile(const std::string& from,
                             const std::string& to) = 0;
  // False when the system cannot swap two folders in one step.
  virtual bool ExchangeFolders(const std::string& first,
                               const std::string& second) = 0;
  virtual bool LinkFile(const std::string& from, const std::string& to) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  virtual void RemoveFolder(const std::string& path) = 0;
};

// The real file system, each folder opened once and used through its
// handle, no link followed (FolderHandles).
class SystemFileOperations : public FileOperations {
 public:
  std::string ReadText(const std::string& path) override;
  std::string ReadBytes(const std::string& path) override;
  SharedText ReadDocument(const std::string& path) override;
  std::optional<std::string> RealPath(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool CanOpenForReading(const std::string& path) override;
  std::unique_ptr<HeldLock> LockFolder(const std::string& folder) override;
  std::uint32_t NewFileMode() override;
  // One for each processor (WritingThreadCount): the folder handles are
  // shared by the threads.
  std::size_t WritesAtOnce() override;
  PathFacts LookAt(const std::string& path) override;
  std::vector<std::string> FolderEntries(const std::string& path) override;
  std::string ReadFile(const std::string& path,
                       std::uint64_t maxBytes) override;
  // Looks up a name in the folder (or, in a folder without one, the
  // folder's own name) with the case of its ASCII letters changed: the
  // same file under both means the names fold. Where nothing can be looked
  // at so, Windows and macOS are taken to fold and other systems not to.
  bool FoldsLetterCase(const std::string& folder) override;
  void MakeFolder(const std::string& path) override;
  void WriteNewFile(const std::string& path, std::string_view bytes,
                    std::uint32_t mode) override;
  void CopyNewFile(const std::string& from, const std::string& to,
                   std::uint32_t mode) override;
  void SyncFileSystem(const std::string& path) override;
  void SyncFolder(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
  void RenameNewFile(const std::string& from, const std::string& to) override;
  bool ExchangeFolders(const std::string& first,
                       const std::string& second) override;
  bool LinkFile(const std::string& from, const std::string& to) override;
  void RemoveFile(const std::string& path) override;
  void RemoveFolder(const std::string& path) override;

 private:
  FolderHandles handles_;
};

// Removes a folder and everything in it; links are removed, not followed.
void RemoveFolderTree(FileOperations& files, const std::string& folder);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_FILE_OPERATIONS_H_
