#pragma once
// The log of silent script runs: appended to, never truncated.

#include <string>

#include "app/options.h"

namespace kavrel {

// The user's home folder ($HOME, else the password database).
std::string homeFolder();

// ~/kavrel.log (the home folder from $HOME, else the password database).
std::string defaultLogPath();
// The configured log path, or the default one.
std::string effectiveLogPath(const Options& options);

// Appends `text` and CR LF. A log that cannot be opened or written loses the
// entry silently: logging must never end a run.
void logAppend(const std::string& path, const std::string& text);

// The local date and time as the log writes it: 2026-03-05 14:07:09.
std::string localDateTimeText();

}  // namespace kavrel
