#pragma once

namespace kavrel {
// Starts the editor window; a single file argument is loaded.
int runGui(int argc, char** argv);
}  // namespace kavrel
