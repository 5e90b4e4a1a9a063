// The file operations through which a conversion commits its files, one
// call each, so that tests can make any of them fail, or stop the run there
// as a kill would.
#ifndef QUILLERY_CONVERT_FILE_OPERATIONS_H_
#define QUILLERY_CONVERT_FILE_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace quillery {

class FileOperations {
 public:
  virtual ~FileOperations() = default;

  // Looking (changes nothing).
  virtual PathFacts LookAt(const std::string& path) = 0;
  virtual std::vector<std::string> FolderEntries(const std::string& path) = 0;
  // A regular file of at most `maxBytes`, never through a link.
  virtual std::string ReadFile(const std::string& path,
                               std::uint64_t maxBytes) = 0;

  // Changing: what the platform functions of the same names do.
  virtual void MakeFolder(const std::string& path) = 0;
  virtual void WriteNewFile(const std::string& path, std::string_view bytes,
                            std::uint32_t mode) = 0;
  virtual void SyncFileSystem(const std::string& path) = 0;
  virtual void SyncFolder(const std::string& path) = 0;
  virtual void RenameFile(const std::string& from, const std::string& to) = 0;
  virtual void ExchangeFolders(const std::string& first,
                               const std::string& second) = 0;
  virtual bool LinkFile(const std::string& from, const std::string& to) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  virtual void RemoveFolder(const std::string& path) = 0;
};

// The real file system, each folder opened once and used through its
// handle, no link followed (FolderHandles).
class SystemFileOperations : public FileOperations {
 public:
  PathFacts LookAt(const std::string& path) override;
  std::vector<std::string> FolderEntries(const std::string& path) override;
  std::string ReadFile(const std::string& path,
                       std::uint64_t maxBytes) override;
  void MakeFolder(const std::string& path) override;
  void WriteNewFile(const std::string& path, std::string_view bytes,
                    std::uint32_t mode) override;
  void SyncFileSystem(const std::string& path) override;
  void SyncFolder(const std::string& path) override;
  void RenameFile(const std::string& from, const std::string& to) override;
  void ExchangeFolders(const std::string& first,
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
