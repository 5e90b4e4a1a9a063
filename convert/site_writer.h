// Where a conversion's plan puts its files: the staged writer on disk, or
// memory in tests.
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
  virtual void WriteFile(const std::string& path, std::string bytes) = 0;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_WRITER_H_
