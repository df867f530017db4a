#pragma once
// The commands whose "enabled" state the program tracks. Scripts check the
// same flags the buttons show; the GUI names its widgets after them.

#include <array>
#include <cstddef>
#include <string_view>

#include "document/blocks.h"

namespace kavrel {

enum class Control : int {
  ButQuickSave, MenuQuickSave, MenuSaveAs,
  DelBut, MenuDel, CutBut, MenuCut, Copybut, MenuCopy, Pastebut, MenuPaste,
  TrimBut, MenuCrop, UndoBut, MenuUndo, InsertBut, MenuInsert,
  SelAllBut, MenuSelAll, Unselbut, SelClrBut, MenuUnsel,
  Amplifybut, MenuAmplify, FadeBut, MenuFade, Emptybut, SplitBut,
  MenuSaveSel, MenuPlaySel, ButPselect,
  SleftBit, SrightBit,
  RiffCheck, HeadTagCheck, UheadCheck, UfootCheck, Lyrics3Check, FootTagCheck,
  vhtbut, vuhbut, vufbut, vl3button, vftbut,
  MenuPlaySrc, MenuPlayOut, MenuPlayPreview, MenuEnqueueInput, MenuEnqueueOutput, MenuEnqueuePreview,
  Count
};

inline constexpr size_t kControlCount = size_t(Control::Count);

std::string_view controlName(Control c);

// The check box of each block ("checked" = not written when saving).
Control blockCheckBox(Block b);

}  // namespace kavrel
