// The resource tables; see resources.h.
#include "window/resources.h"

namespace quillery {

std::string_view LoadResourceString(int id) {
  switch (id) {
    case kIdrMainFrame:
      return kMainFrameDocString;
    case kIdToolbarOptions:
      return "Display Conversion Options\nDisplay Conversion Options";
    case kIdToolbarTocFormat:
      return "Table of Contents Format\nTable of Contents Format";
    case kAfxIdsIdleMessage:
      return "Ready";
    default:
      return std::string_view();
  }
}

const std::vector<MenuPopup>& MainFrameMenu() {
  static const std::vector<MenuPopup> kMenu = {
      {"&File",
       {"Save &As...", "&Print...\tCtrl+P", "P&rint Setup...", "E&xit"}},
      {"Options", {"Conversion Options"}},
      {"&Help", {"Help", "&About Quillery..."}},
  };
  return kMenu;
}

const std::vector<Accelerator>& MainFrameAccelerators() {
  static const std::vector<Accelerator> kAccelerators = {
      {"Ctrl+N", kIdFileNew},
      {"Ctrl+O", kIdFileOpen},
      {"Ctrl+S", kIdFileSave},
      {"Ctrl+P", kIdFilePrint},
      {"Ctrl+Z", kIdEditUndo},
      {"Ctrl+X", kIdEditCut},
      {"Ctrl+C", kIdEditCopy},
      {"Ctrl+V", kIdEditPaste},
      {"Alt+Backspace", kIdEditUndo},
      {"Shift+Delete", kIdEditCut},
      {"Ctrl+Insert", kIdEditCopy},
      {"Shift+Insert", kIdEditPaste},
      {"F6", kIdNextPane},
      {"Shift+F6", kIdPrevPane},
  };
  return kAccelerators;
}

const ToolBarResource* FindToolBarResource(int id) {
  static const ToolBarResource kMainFrameToolBar = {
      kIdrMainFrame,
      16,
      15,
      {kIdFileSave, kIdFilePrint, kIdSeparator, kIdToolbarOptions,
       kIdToolbarTocFormat, kIdSeparator, kIdAppAbout}};
  return id == kMainFrameToolBar.id ? &kMainFrameToolBar : nullptr;
}

const DialogResource* FindDialogResource(int id) {
  static const DialogResource kProgressDialog = {
      kIddProgress,
      "Progress",
      "MS Shell Dlg",
      8,
      198,
      103,
      /*visible=*/false,
      {
          {kIdcStatic, ControlKind::kGroupBox, "Conversion In Progress", true},
          {kIdcConvertingLabel, ControlKind::kLabel, "Converting ", true},
          {kIdcItemLabel, ControlKind::kLabel, "Item 0/10", true},
          {kIdcProgressBar, ControlKind::kProgressBar, "", true},
          {kIdProgressCancel, ControlKind::kPushButton, "Cancel", true},
          {kIdProgressOk, ControlKind::kDefaultPushButton, "OK", false},
      }};
  return id == kProgressDialog.id ? &kProgressDialog : nullptr;
}

}  // namespace quillery
