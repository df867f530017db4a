#pragma once
// The log of silent script runs: appended to, never truncated.

#include <string>

namespace kavrel {

// Appends `text` and CR LF. A log that cannot be opened or written loses the
// entry silently: logging must never end a run.
void logAppend(const std::string& path, const std::string& text);

// The local date and time as the log writes it: 2026-03-05 14:07:09.
std::string localDateTimeText();

}  // namespace kavrel
