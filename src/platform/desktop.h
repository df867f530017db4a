#pragma once
// Handing files to other programs without waiting for them: the desktop's
// opener for a file's type, and a configured command line. Results keep the
// classic shell-call scale the messages are keyed on: 33 and above is
// success, 0..32 a failure code, -1 a call that could not be made at all.

#include <optional>
#include <string>
#include <vector>

namespace kavrel {

inline constexpr int kShellSuccess = 33;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellCallFailed = -1;

// Opens `path` with the program the desktop associates with its type
// (xdg-open). A missing file gives 2, no opener or no handler 31.
int shellOpen(const std::string& path);

// Starts `command` (a program followed by switches; double quotes group
// words) with `arguments` appended as separate words. 33 once the program
// runs, 2 when the program does not exist, 31 when it cannot be started.
int shellRun(const std::string& command, const std::vector<std::string>& arguments);

// The text shown for a failing result (any value up to 32).
std::string shellErrorText(int result);

// --- building blocks, also used by the player lookup

// Words of a command line: blanks, tabs and line feeds separate them,
// double quotes group (and are removed); "" is an empty word. Inside double
// quotes \" is a quote and \\ a backslash, and every other backslash is
// itself, unless `escapeAllQuoted` (desktop-entry Exec lines): then a
// backslash inside quotes takes whatever character follows it.
std::vector<std::string> splitCommandWords(const std::string& command, bool escapeAllQuoted = false);

// The executable `program` names: itself when it holds a "/", else the first
// match on $PATH. Empty when there is none.
std::string findProgram(const std::string& program);

// Runs `argv` to its end and returns what it wrote on stdout, or nothing when
// it could not start, failed, or ran past `timeoutMs` (it is killed then).
std::optional<std::string> captureOutput(const std::vector<std::string>& argv, int timeoutMs);

}  // namespace kavrel
