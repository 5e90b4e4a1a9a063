// CMainFrame: the main window, 600 x 630 pixels, with a toolbar docked at the
// top, a status bar at the bottom and the hidden progress dialog.
#ifndef QUILLERY_WINDOW_MAIN_FRAME_H_
#define QUILLERY_WINDOW_MAIN_FRAME_H_

#include "window/progress_dialog.h"
#include "window/resources.h"
#include "window/widgets.h"

namespace quillery {

class CMainFrame : public CFrameWnd {
 public:
  // The toolbar comes from toolbar resource `toolBarResourceId`.
  explicit CMainFrame(int toolBarResourceId = kIdrMainFrame)
      : toolBarResourceId_(toolBarResourceId) {}

  // The base class's choice, then 600 x 630 pixels.
  bool PreCreateWindow(CreateStruct& cs) override;
  // Creates and docks the toolbar, creates the status bar with its four panes
  // (message, Caps Lock, Num Lock, Scroll Lock), creates the progress dialog
  // hidden and sets its bar to 0 of 0..100. Returns -1, at once, when the
  // toolbar or the status bar cannot be made; 0 otherwise.
  int OnCreate() override;

  CProgressDialog progressDialog;
  CStatusBar statusBar;
  CToolBar toolBar;

 private:
  int toolBarResourceId_;
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_MAIN_FRAME_H_
