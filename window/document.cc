// Opening and starting the empty document; see document.h.
#include "window/document.h"

#include "platform/file_io.h"

namespace quillery {

bool CQuilleryDoc::OnNewDocument() { return true; }

bool CQuilleryDoc::OnOpenDocument(const std::string& internalPath) {
  // An unreadable document is not an error of the run: opening fails, and
  // start-up then ends without a conversion.
  try {
    static_cast<void>(ReadFile(internalPath));
  } catch (const FileError&) {
    return false;
  }
  return true;
}

}  // namespace quillery
