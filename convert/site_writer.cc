// Writing a conversion's files; see site_writer.h.
#include "convert/site_writer.h"

#include "platform/file_io.h"

namespace quillery {

void FileByFileWriter::WriteFile(const std::string& path,
                                 std::string_view bytes) {
  WriteFileAtomically(path, bytes);
}

}  // namespace quillery
