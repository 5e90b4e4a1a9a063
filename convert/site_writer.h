// The one door through which a conversion puts its files on disk.
#ifndef QUILLERY_CONVERT_SITE_WRITER_H_
#define QUILLERY_CONVERT_SITE_WRITER_H_

#include <string>
#include <string_view>

namespace quillery {

class SiteWriter {
 public:
  virtual ~SiteWriter() = default;
  // Puts `bytes` at `path` (internal form) as the file's whole content,
  // replacing what stood there. Throws FileError when it cannot.
  virtual void WriteFile(const std::string& path, std::string_view bytes) = 0;
};

// Replaces each file whole through a temporary file beside it
// (WriteFileAtomically): a failure leaves that file as it was, but files
// written before it stay written.
class FileByFileWriter : public SiteWriter {
 public:
  void WriteFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_WRITER_H_
