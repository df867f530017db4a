// The main window's key map.
#include "editing/keyboard.h"

#include <gtest/gtest.h>

namespace kavrel {
namespace {

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kCtrl{false, true, false};
constexpr KeyModifiers kShift{true, false, false};
constexpr KeyModifiers kCtrlAlt{false, true, true};
constexpr KeyModifiers kCtrlShift{true, true, false};

KeyCommand command(int key, KeyModifiers m, int32_t maxView = 100) {
  return keyAction(key, m, maxView).command;
}

TEST(Keyboard, CtrlKeysNameTheEditCommands) {
  EXPECT_EQ(command(kVkInsert, kCtrl), KeyCommand::InsertFile);
  EXPECT_EQ(command(kVkDelete, kCtrl), KeyCommand::Delete);
  EXPECT_EQ(command(kVkA, kCtrl), KeyCommand::SelectAll);
  EXPECT_EQ(command(kVkA, kCtrlAlt), KeyCommand::Unselect);
  EXPECT_EQ(command(kVkC, kCtrl), KeyCommand::Copy);
  EXPECT_EQ(command(kVkV, kCtrl), KeyCommand::Paste);
  EXPECT_EQ(command(kVkX, kCtrl), KeyCommand::Cut);
  EXPECT_EQ(command(kVkZ, kCtrl), KeyCommand::Undo);
  EXPECT_EQ(command(kVkF8, kCtrl), KeyCommand::SaveSelection);
  EXPECT_EQ(command(kVkF12, kCtrl), KeyCommand::Split);
  EXPECT_EQ(command(kVkF4, kCtrl), KeyCommand::CloseDocument);
  EXPECT_EQ(command(kVkF4, kShift), KeyCommand::CloseAllInstances);
  EXPECT_EQ(command(kVkF4, kCtrlShift), KeyCommand::None);
  // The second code of each letter does the same.
  EXPECT_EQ(command(kVkNumpad1, kCtrl), KeyCommand::SelectAll);
  EXPECT_EQ(command(kVkNumpad1, kCtrlAlt), KeyCommand::Unselect);
  EXPECT_EQ(command(kVkNumpad3, kCtrl), KeyCommand::Copy);
  EXPECT_EQ(command(kVkF7, kCtrl), KeyCommand::Paste);
  EXPECT_EQ(command(kVkF9, kCtrl), KeyCommand::Cut);
  EXPECT_EQ(command(kVkF11, kCtrl), KeyCommand::Undo);
  // Without Ctrl they are ordinary keys.
  for (int key : {kVkInsert, kVkDelete, kVkA, kVkC, kVkV, kVkX, kVkZ, kVkF8, kVkF12, kVkF7, kVkF4})
    EXPECT_EQ(command(key, kNone), KeyCommand::None) << key;
  // Only copy, paste and closing every copy keep the key from the focused box.
  EXPECT_TRUE(keyAction(kVkF4, kShift, 0).consumed);
  EXPECT_TRUE(keyAction(kVkC, kCtrl, 100).consumed);
  EXPECT_TRUE(keyAction(kVkF7, kCtrl, 100).consumed);
  EXPECT_FALSE(keyAction(kVkX, kCtrl, 100).consumed);
  EXPECT_FALSE(keyAction(kVkA, kCtrl, 100).consumed);
}

TEST(Keyboard, ViewKeysOnlyWhenTheViewCanScroll) {
  EXPECT_EQ(command(kVkPageUp, kNone), KeyCommand::PageUp);
  EXPECT_EQ(command(kVkPageDown, kShift), KeyCommand::PageDown);
  EXPECT_EQ(command(kVkEnd, kCtrl), KeyCommand::ViewEnd);
  EXPECT_EQ(command(kVkHome, kCtrl), KeyCommand::ViewHome);
  EXPECT_EQ(command(kVkEnd, kNone), KeyCommand::None);
  EXPECT_EQ(command(kVkHome, kShift), KeyCommand::None);
  for (int key : {kVkPageUp, kVkPageDown, kVkEnd, kVkHome})
    EXPECT_EQ(command(key, kCtrl, 0), KeyCommand::None);
  EXPECT_EQ(command(kVkC, kCtrl, 0), KeyCommand::Copy);  // edit keys whatever the length

  EXPECT_EQ(viewOffsetAfter(KeyCommand::PageUp, 84, 500), 0);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::PageUp, 85, 500), 1);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::PageDown, 415, 500), 499);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::PageDown, 416, 500), 500);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::PageDown, 0, 10), 10);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::ViewEnd, 3, 500), 500);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::ViewHome, 300, 500), 0);
  EXPECT_EQ(viewOffsetAfter(KeyCommand::Copy, 300, 500), 300);
}

}  // namespace
}  // namespace kavrel
