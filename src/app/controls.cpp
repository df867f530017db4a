#include "app/controls.h"

namespace kavrel {

std::string_view controlName(Control c) {
  static constexpr std::array<std::string_view, kControlCount> kNames = {
      "ButQuickSave", "MenuQuickSave", "MenuSaveAs",
      "DelBut", "MenuDel", "CutBut", "MenuCut", "Copybut", "MenuCopy", "Pastebut", "MenuPaste",
      "TrimBut", "MenuCrop", "UndoBut", "MenuUndo", "InsertBut", "MenuInsert",
      "SelAllBut", "MenuSelAll", "Unselbut", "SelClrBut", "MenuUnsel",
      "Amplifybut", "MenuAmplify", "FadeBut", "MenuFade", "Emptybut", "SplitBut",
      "MenuSaveSel", "MenuPlaySel", "ButPselect",
      "SleftBit", "SrightBit",
      "RiffCheck", "HeadTagCheck", "UheadCheck", "UfootCheck", "Lyrics3Check", "FootTagCheck",
      "vhtbut", "vuhbut", "vufbut", "vl3button", "vftbut",
      "MenuPlaySrc", "MenuPlayOut", "MenuPlayPreview", "MenuEnqueueInput", "MenuEnqueueOutput",
      "MenuEnqueuePreview"};
  return kNames[size_t(c)];
}

Control blockCheckBox(Block b) {
  static constexpr std::array<Control, kBlockCount> kBoxes = {Control::RiffCheck,  Control::HeadTagCheck,
                                                              Control::UheadCheck, Control::UfootCheck,
                                                              Control::Lyrics3Check, Control::FootTagCheck};
  return kBoxes[size_t(b)];
}

}  // namespace kavrel
