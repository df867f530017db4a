// The main window's key map and the view offset after a page key.
#include "editing/keyboard.h"

#include <gtest/gtest.h>

namespace kavrel {
namespace {

TEST(Keyboard, KeyMapAndViewOffsets) {
  using C = KeyCommand;
  constexpr KeyModifiers kNone{}, kCtrl{false, true, false}, kShift{true, false, false};
  constexpr KeyModifiers kCtrlAlt{false, true, true}, kCtrlShift{true, true, false};
  // The second code of each letter (numpad or function key) does the same with Ctrl; only copy, paste and
  // closing every copy keep the key from the focused box; the view keys need a view that can scroll (a last
  // offset of 1 or more); without Ctrl the edit keys are ordinary keys.
  const std::tuple<int, KeyModifiers, int32_t, C, bool> keys[] = {
      {kVkInsert, kCtrl, 100, C::InsertFile, false}, {kVkDelete, kCtrl, 100, C::Delete, false},
      {kVkA, kCtrl, 100, C::SelectAll, false},       {kVkA, kCtrlAlt, 100, C::Unselect, false},
      {kVkC, kCtrl, 100, C::Copy, true},             {kVkV, kCtrl, 100, C::Paste, true},
      {kVkX, kCtrl, 100, C::Cut, false},             {kVkZ, kCtrl, 100, C::Undo, false},
      {kVkF8, kCtrl, 100, C::SaveSelection, false},  {kVkF12, kCtrl, 100, C::Split, false},
      {kVkF4, kCtrl, 100, C::CloseDocument, false},  {kVkF4, kShift, 0, C::CloseAllInstances, true},
      {kVkF4, kCtrlShift, 100, C::None, false},      {kVkNumpad1, kCtrl, 100, C::SelectAll, false},
      {kVkNumpad1, kCtrlAlt, 100, C::Unselect, false}, {kVkNumpad3, kCtrl, 100, C::Copy, true},
      {kVkF7, kCtrl, 100, C::Paste, true},           {kVkF9, kCtrl, 100, C::Cut, false},
      {kVkF11, kCtrl, 100, C::Undo, false},          {kVkC, kCtrl, 0, C::Copy, true},
      {kVkPageUp, kNone, 1, C::PageUp, false},       {kVkPageDown, kShift, 100, C::PageDown, false},
      {kVkEnd, kCtrl, 100, C::ViewEnd, false},       {kVkHome, kCtrl, 100, C::ViewHome, false},
      {kVkEnd, kNone, 100, C::None, false},          {kVkHome, kShift, 100, C::None, false}};
  for (const auto& [key, mods, maxView, command, consumed] : keys) {
    const KeyAction a = keyAction(key, mods, maxView);
    EXPECT_EQ(std::pair(a.command, a.consumed), std::pair(command, consumed)) << key << " ctrl " << mods.ctrl;
  }
  for (int key : {kVkInsert, kVkDelete, kVkA, kVkC, kVkV, kVkX, kVkZ, kVkF8, kVkF12, kVkF7, kVkF4})
    EXPECT_EQ(keyAction(key, kNone, 100).command, C::None) << key;
  for (int key : {kVkPageUp, kVkPageDown, kVkEnd, kVkHome})
    EXPECT_EQ(keyAction(key, kCtrl, 0).command, C::None);
  // A page is 84 frames, never past either end.
  const std::tuple<C, int32_t, int32_t, int32_t> offsets[] = {
      {C::PageUp, 84, 500, 0},      {C::PageUp, 85, 500, 1},     {C::PageDown, 415, 500, 499},
      {C::PageDown, 416, 500, 500}, {C::PageDown, 0, 10, 10},    {C::ViewEnd, 3, 500, 500},
      {C::ViewHome, 300, 500, 0},   {C::Copy, 300, 500, 300}};
  for (const auto& [command, offset, max, after] : offsets)
    EXPECT_EQ(viewOffsetAfter(command, offset, max), after) << offset << " of " << max;
}

}  // namespace
}  // namespace kavrel
