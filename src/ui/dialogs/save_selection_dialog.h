#pragma once
// Save the selection as: the attach boxes of the blocks the file has and the
// file the selection goes to; OK needs a name. Returns what OK accepted,
// nothing when the user left the dialog otherwise.

#include <optional>

#include "editing/split_plan.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

// `place`: where the dialog opens, and where it was when it closed.
std::optional<SaveSelectionDialogResult> showSaveSelectionDialog(QWidget* parent,
                                                                 const SaveSelectionDialogState& state,
                                                                 WindowPosition& place);

}  // namespace kavrel
