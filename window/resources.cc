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
