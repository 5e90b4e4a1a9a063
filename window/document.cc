// Opening and starting the empty document; see document.h.
#include "window/document.h"

#include "platform/file_io.h"

namespace quillery {

bool CQuilleryDoc::OnNewDocument() { return true; }

bool CQuilleryDoc::OnOpenDocument(const std::string& internalPath) {
  // The document holds no data: opening only needs a readable file. An
  // unreadable one makes opening fail, and start-up then ends without a
  // conversion.
  return CanOpenForReading(internalPath);
}

}  // namespace quillery
