// Creation of the main frame and its bars; see main_frame.h.
#include "window/main_frame.h"

#include <vector>

namespace quillery {
namespace {

constexpr int kFrameWidth = 600;
constexpr int kFrameHeight = 630;

bool CreateToolBar(CMainFrame& frame, int resourceId) {
  return frame.toolBar.CreateEx(&frame, kTbstyleFlat,
                                kWsChild | kWsVisible | kCbrsTop |
                                    kCbrsGripper | kCbrsTooltips | kCbrsFlyby |
                                    kCbrsSizeDynamic,
                                kAfxIdwToolbar) &&
         frame.toolBar.LoadToolBar(resourceId);
}

bool CreateStatusBar(CMainFrame& frame) {
  static const std::vector<int> kIndicators = {
      kIdSeparator, kIdIndicatorCaps, kIdIndicatorNum, kIdIndicatorScrl};
  return frame.statusBar.Create(&frame, kWsChild | kWsVisible | kCbrsBottom,
                                kAfxIdwStatusBar) &&
         frame.statusBar.SetIndicators(kIndicators);
}

}  // namespace

bool CMainFrame::PreCreateWindow(CreateStruct& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return false;
  cs.cx = kFrameWidth;
  cs.cy = kFrameHeight;
  return true;
}

int CMainFrame::OnCreate() {
  if (CFrameWnd::OnCreate() == -1) return -1;
  if (!CreateToolBar(*this, toolBarResourceId_)) return -1;
  if (!CreateStatusBar(*this)) return -1;

  toolBar.EnableDocking(kCbrsAlignAny);
  EnableDocking(kCbrsAlignAny);
  DockControlBar(toolBar);

  // A run never shows the dialog, so a dialog that could not be made changes
  // nothing the user sees; the frame is created either way.
  static_cast<void>(progressDialog.Create(kIddProgress, this));
  if (CProgressCtrl* bar = progressDialog.progressBar()) {
    bar->SetRange(0, 100);
    bar->SetPos(0);
  }
  return 0;
}

}  // namespace quillery
