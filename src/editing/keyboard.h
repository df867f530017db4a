#pragma once
// The main window's key map. The window sees every key before the focused
// control; it hands the key over as a Windows virtual-key code with its
// modifiers and performs the command this map names.

#include <cstdint>

namespace kavrel {

// Virtual-key codes the map knows.
inline constexpr int kVkPageUp = 0x21;
inline constexpr int kVkPageDown = 0x22;
inline constexpr int kVkEnd = 0x23;
inline constexpr int kVkHome = 0x24;
inline constexpr int kVkInsert = 0x2D;
inline constexpr int kVkDelete = 0x2E;
inline constexpr int kVkA = 0x41;
inline constexpr int kVkC = 0x43;
inline constexpr int kVkV = 0x56;
inline constexpr int kVkX = 0x58;
inline constexpr int kVkZ = 0x5A;
inline constexpr int kVkNumpad1 = 0x61;
inline constexpr int kVkNumpad3 = 0x63;
inline constexpr int kVkF4 = 0x73;
inline constexpr int kVkF7 = 0x76;
inline constexpr int kVkF8 = 0x77;
inline constexpr int kVkF9 = 0x78;
inline constexpr int kVkF11 = 0x7A;
inline constexpr int kVkF12 = 0x7B;

struct KeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

enum class KeyCommand {
  None,
  PageUp,    // view one page (84 frames) back
  PageDown,  // view one page on
  ViewEnd,   // view at the end
  ViewHome,  // view at the start
  InsertFile,
  Delete,
  SelectAll,
  Unselect,
  Copy,
  Paste,
  Cut,
  Undo,
  CloseDocument,      // Ctrl+F4
  CloseAllInstances,  // Shift+F4
  SaveSelection,      // Ctrl+F8
  Split,              // Ctrl+F12
};

struct KeyAction {
  KeyCommand command = KeyCommand::None;
  // The key goes no further (the focused edit box doesn't see it).
  bool consumed = false;
};

// The command of a key. The view keys act only when the view can scroll
// (maxViewOffset >= 1); the command keys act whatever the document's length,
// the commands themselves check whether they are available.
KeyAction keyAction(int virtualKey, KeyModifiers modifiers, int32_t maxViewOffset);

// The view offset after one of the four view commands (others leave it).
int32_t viewOffsetAfter(KeyCommand command, int32_t viewOffset, int32_t maxViewOffset);

}  // namespace kavrel
