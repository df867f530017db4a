#pragma once
// Add empty frames: the length of the silence (typed in seconds, or stepped
// by a frame or a second, the step buttons repeating while held), where it
// goes, and its bitrate, sampling rate and channel mode. Returns what OK or
// Enter accepted, nothing when the user left the dialog otherwise.

#include <optional>

#include "editing/silence.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

// `place`: where the dialog opens, and where it was when it closed.
std::optional<SilenceDialogResult> showSilenceDialog(QWidget* parent, const SilenceDialogState& state,
                                                     WindowPosition& place);

}  // namespace kavrel
