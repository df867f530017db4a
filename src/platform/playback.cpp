#include "platform/playback.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/desktop.h"
#include "base/paths.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

// A question to xdg-mime should take milliseconds; a hanging one must not
// keep the program from starting.
constexpr int kQueryTimeoutMs = 3000;

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool hasBlank(const std::string& s) { return s.find_first_of(" \t") != std::string::npos; }

// The word as splitCommandWords() reads it back.
std::string quotedIfNeeded(const std::string& word) {
  if (!word.empty() && !hasBlank(word) && word.find('"') == std::string::npos) return word;
  std::string quoted = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The escapes of a desktop entry's string values.
std::string unescapeValue(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    switch (next) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default:
        // Not a value escape: it belongs to the Exec quoting below.
        out += '\\';
        out += next;
        break;
    }
  }
  return out;
}


bool isFileCode(char c) { return c == 'f' || c == 'F' || c == 'u' || c == 'U'; }

}  // namespace

std::string cutPlayerCommand(const std::string& command) {
  if (command.size() < 2) return command;
  if (command[0] == '"') {
    const size_t close = command.find('"', 1);
    return close == std::string::npos ? command : command.substr(0, close + 1);
  }
  const size_t percent = command.find('%', 1);
  if (percent == std::string::npos) return command;
  std::string rest = command.substr(0, percent);
  if (!rest.empty() && rest.back() == '"') rest.pop_back();
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\0')) rest.pop_back();
  if (rest.empty()) return rest;
  // A program path with blanks stays one word; so does one without. Words
  // that are not one file's name are a program and its switches.
  std::error_code ec;
  if (!hasBlank(rest) || fs::is_regular_file(rest, ec)) return "\"" + rest + "\"";
  return rest;
}

std::string cutEnqueueCommand(const std::string& command) {
  if (command.size() < 2) return command;
  bool outside = true;
  for (size_t i = command.size() - 1; i >= 1; --i) {
    if (command[i] == '"') {
      outside = !outside;
    } else if (command[i] == ' ' && outside) {
      return command.substr(0, i);
    }
  }
  return command;
}

CommandSplit splitEnqueueCommand(const std::string& command) {
  bool outside = true;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '"') {
      outside = !outside;
    } else if (command[i] == ' ' && outside) {
      return {command.substr(0, i), command.substr(i + 1)};
    }
  }
  return {command, {}};
}

std::string desktopExecCommand(const std::string& exec) {
  std::string command;
  for (const std::string& word : splitCommandWords(unescapeValue(exec), true)) {
    std::string kept;
    bool dropped = false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (word[i] != '%' || i + 1 == word.size()) {
        kept += word[i];
        continue;
      }
      const char code = word[++i];
      if (code == '%') {
        kept += '%';
      } else if (isFileCode(code)) {
        // The file goes last instead; "--file=%f" has no meaning without it.
        dropped = true;
      }
      // %i %c %k and the deprecated codes expand to nothing we pass on.
    }
    if (dropped || (kept.empty() && !word.empty())) continue;
    if (!command.empty()) command += ' ';
    command += quotedIfNeeded(kept);
  }
  return command;
}

DesktopEntryCommands readDesktopEntry(const std::string& text) {
  struct Action {
    std::string id;
    std::string name;
    std::string exec;
  };
  std::string group;
  std::string mainExec;
  std::vector<std::string> actionOrder;
  std::vector<Action> actions;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      group = line.substr(1, line.size() - 2);
      if (group.rfind("Desktop Action ", 0) == 0) actions.push_back({group.substr(15), {}, {}});
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = trimmed(line.substr(0, eq));
    const std::string value = trimmed(line.substr(eq + 1));
    if (group == "Desktop Entry") {
      if (key == "Exec") mainExec = value;
      if (key == "Actions") {
        std::string id;
        std::istringstream list(value);
        while (std::getline(list, id, ';'))
          if (!trimmed(id).empty()) actionOrder.push_back(trimmed(id));
      }
    } else if (group.rfind("Desktop Action ", 0) == 0 && !actions.empty()) {
      if (key == "Name") actions.back().name = value;
      if (key == "Exec") actions.back().exec = value;
    }
  }
  DesktopEntryCommands result;
  if (!mainExec.empty()) result.open = desktopExecCommand(mainExec);
  auto isEnqueue = [](const Action& a) {
    return !a.exec.empty() && (lowerAscii(a.id).find("enqueue") != std::string::npos ||
                               lowerAscii(a.name).find("enqueue") != std::string::npos);
  };
  // The declared actions in their order; an entry that lists none still
  // gets its action groups looked at.
  std::vector<const Action*> ordered;
  for (const std::string& id : actionOrder)
    for (const Action& a : actions)
      if (a.id == id) ordered.push_back(&a);
  if (actionOrder.empty())
    for (const Action& a : actions) ordered.push_back(&a);
  for (const Action* a : ordered) {
    if (isEnqueue(*a)) {
      result.enqueue = desktopExecCommand(a->exec);
      break;
    }
  }
  return result;
}

std::string findDesktopEntry(const std::string& id) {
  if (id.empty() || id.find('/') != std::string::npos || id.rfind('.', 0) == 0) return {};
  std::vector<std::string> folders;
  std::string home = environmentValue("XDG_DATA_HOME");
  if (home.empty()) home = homeFolder() + "/.local/share";
  if (!home.empty()) folders.push_back(home);
  std::string dirs = environmentValue("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::istringstream list(dirs);
  std::string dir;
  while (std::getline(list, dir, ':'))
    if (!dir.empty()) folders.push_back(dir);

  // "vendor-app.desktop" may live as vendor/app.desktop.
  std::vector<std::string> names{id};
  std::string nested = id;
  for (size_t dash = nested.find('-'); dash != std::string::npos; dash = nested.find('-', dash + 1)) {
    nested[dash] = '/';
    names.push_back(nested);
  }
  for (const std::string& folder : folders) {
    for (const std::string& name : names) {
      const std::string path = folder + "/applications/" + name;
      std::error_code ec;
      if (fs::is_regular_file(path, ec)) return path;
    }
  }
  return {};
}

PlayerCommands lookUpPlayerCommands() {
  PlayerCommands commands;
  const std::string player = trimmed(environmentValue("KAVREL_PLAYER"));
  const std::string enqueue = trimmed(environmentValue("KAVREL_ENQUEUE"));
  // A placeholder marks where the file went; we append it instead.
  if (!enqueue.empty())
    commands.enqueue = enqueue.find('%') != std::string::npos ? cutEnqueueCommand(enqueue) : enqueue;
  if (!player.empty()) {
    commands.player = player.find('%') != std::string::npos ? cutPlayerCommand(player) : player;
    commands.playerReplacesOpener = true;
    return commands;
  }
  const std::optional<std::string> answer =
      captureOutput({"xdg-mime", "query", "default", "audio/mpeg"}, kQueryTimeoutMs);
  if (!answer) return commands;
  const std::string id = trimmed(answer->substr(0, answer->find('\n')));
  const std::string entry = findDesktopEntry(id);
  if (entry.empty()) return commands;
  std::ifstream in(entry, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const DesktopEntryCommands offered = readDesktopEntry(text.str());
  commands.player = offered.open;
  if (commands.enqueue.empty()) commands.enqueue = offered.enqueue;
  return commands;
}

}  // namespace kavrel
