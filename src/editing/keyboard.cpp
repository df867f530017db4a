#include "editing/keyboard.h"

namespace kavrel {

namespace {

constexpr int32_t kPage = 84;

}  // namespace

KeyAction keyAction(int virtualKey, KeyModifiers m, int32_t maxViewOffset) {
  // Shift+F4 closes every copy of the program whatever else holds.
  if (virtualKey == kVkF4 && m.shift && !m.ctrl) return {KeyCommand::CloseAllInstances, true};

  if (maxViewOffset >= 1) {
    switch (virtualKey) {
      case kVkPageUp: return {KeyCommand::PageUp, false};
      case kVkPageDown: return {KeyCommand::PageDown, false};
      case kVkEnd: return m.ctrl ? KeyAction{KeyCommand::ViewEnd, false} : KeyAction{};
      case kVkHome: return m.ctrl ? KeyAction{KeyCommand::ViewHome, false} : KeyAction{};
      default: break;
    }
  }
  if (!m.ctrl) return {};
  switch (virtualKey) {
    case kVkInsert: return {KeyCommand::InsertFile, false};
    case kVkDelete: return {KeyCommand::Delete, false};
    // The second code of each letter is a numeric-keypad or function key;
    // with Ctrl it does the same.
    case kVkA:
    case kVkNumpad1: return {m.alt ? KeyCommand::Unselect : KeyCommand::SelectAll, false};
    case kVkC:
    case kVkNumpad3: return {KeyCommand::Copy, true};
    case kVkV:
    case kVkF7: return {KeyCommand::Paste, true};
    case kVkX:
    case kVkF9: return {KeyCommand::Cut, false};
    case kVkZ:
    case kVkF11: return {KeyCommand::Undo, false};
    case kVkF4: return m.shift ? KeyAction{} : KeyAction{KeyCommand::CloseDocument, false};
    case kVkF8: return {KeyCommand::SaveSelection, false};
    case kVkF12: return {KeyCommand::Split, false};
    default: return {};
  }
}

int32_t viewOffsetAfter(KeyCommand command, int32_t viewOffset, int32_t maxViewOffset) {
  switch (command) {
    case KeyCommand::PageUp: return viewOffset > kPage ? viewOffset - kPage : 0;
    case KeyCommand::PageDown: return viewOffset < maxViewOffset - kPage ? viewOffset + kPage : maxViewOffset;
    case KeyCommand::ViewEnd: return maxViewOffset;
    case KeyCommand::ViewHome: return 0;
    default: return viewOffset;
  }
}

}  // namespace kavrel
