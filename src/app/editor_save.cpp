#include "app/editor.h"

namespace kavrel {

// Placeholder until the save writer lands in this file.
bool Editor::saveAs(Sender) { return false; }

}  // namespace kavrel
