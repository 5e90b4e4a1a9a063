// Where a conversion's plan puts its files: the staged writer on disk, or
// memory in tests.
#ifndef QUILLERY_CONVERT_SITE_WRITER_H_
#define QUILLERY_CONVERT_SITE_WRITER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quillery {

class SiteWriter {
 public:
  virtual ~SiteWriter() = default;
  // Puts `bytes` at `path` (internal form) as the file's whole content,
  // replacing what stood there. `place` is the file's place in the list
  // being written (0, 1, 2, ...), each place once: files may come out of
  // order, from several threads at once (ConversionPlan::WriteTo), and the
  // place keeps the list's order where it matters. Throws FileError when it
  // cannot.
  virtual void WriteFile(std::size_t place, const std::string& path,
                         std::string_view bytes) = 0;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_SITE_WRITER_H_
