// The single-document creation sequence; see document_template.h.
#include "window/document_template.h"

#include <utility>

#include "platform/file_io.h"

namespace quillery {

CSingleDocTemplate::CSingleDocTemplate(int resourceId,
                                       std::string programFolder)
    : resourceId_(resourceId), programFolder_(std::move(programFolder)) {}

bool CSingleDocTemplate::OpenDocumentFile(const std::string& path,
                                          bool makeVisible) {
  auto document = std::make_unique<CQuilleryDoc>();
  const bool opened = path.empty()
                          ? document->OnNewDocument()
                          : document->OnOpenDocument(InternalPath(path));
  if (!opened) return false;

  auto frame = std::make_unique<CMainFrame>(resourceId_);
  if (!frame->LoadFrame(resourceId_)) return false;

  auto view = std::make_unique<CQuilleryView>();
  view->Create(frame.get());
  view->OnInitialUpdate(programFolder_);
  if (makeVisible) frame->ShowWindow(/*show=*/true);

  document_ = std::move(document);
  frame_ = std::move(frame);
  view_ = std::move(view);
  return true;
}

}  // namespace quillery
