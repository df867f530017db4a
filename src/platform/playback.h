#pragma once
// Finding the programs that play an mp3 file and add one to a player's
// queue, and bringing their command lines into the form we start them in: a
// program and its switches, with the file appended as the last word.
//
// Where they come from, first match wins:
//   1. $KAVREL_PLAYER / $KAVREL_ENQUEUE. A configured player replaces the
//      desktop opener for playback, and then the desktop is not asked at all
//      (the queue command comes from $KAVREL_ENQUEUE only), so that the
//      chosen program is the one that plays.
//   2. The desktop entry `xdg-mime query default audio/mpeg` names: its Exec
//      line plays, an action named like "Enqueue" queues.
// Without either, playback goes through the desktop opener alone.

#include <string>

namespace kavrel {

struct PlayerCommands {
  std::string player;   // program and switches; empty when none
  std::string enqueue;  // the same for adding to the queue
  // The player was configured: it is started in place of the desktop opener.
  bool playerReplacesOpener = false;
};

// Looks both commands up in the environment and the desktop's association.
PlayerCommands lookUpPlayerCommands();

// --- the command-line rules (no side effects but the file test noted)

// A player command without its file placeholder: a command starting with a
// quoted program keeps only that program; otherwise the text from the first
// "%" after the first character on is cut, with a final quote and trailing
// blanks, and what remains is quoted. What remains is quoted only when it
// has no blank or names an existing file: "mpv --no-video %f" keeps its
// switch as a separate word. Shorter than 2 characters: unchanged.
std::string cutPlayerCommand(const std::string& command);

// An enqueue command without its last word (normally the file placeholder);
// blanks inside double quotes do not count. `"p.exe" /add "%1"` gives
// `"p.exe" /add`.
std::string cutEnqueueCommand(const std::string& command);

// An enqueue command split at its first blank outside double quotes.
struct CommandSplit {
  std::string program;   // `"p.exe"`
  std::string switches;  // `/add`; empty without a blank
};
CommandSplit splitEnqueueCommand(const std::string& command);

// The command of a desktop entry's Exec value: its quoting and escapes
// resolved, the field codes removed (the file is appended instead; %% is a
// per cent sign), words with blanks quoted again.
std::string desktopExecCommand(const std::string& exec);

// The commands a desktop entry offers: the main Exec line, and the Exec line
// of the first action whose id or name contains "enqueue" (any case).
struct DesktopEntryCommands {
  std::string open;
  std::string enqueue;
};
DesktopEntryCommands readDesktopEntry(const std::string& text);

// The file of desktop entry `id` in the XDG data folders; empty when none.
std::string findDesktopEntry(const std::string& id);

}  // namespace kavrel
