#pragma once
// Volume & Balance Change: the gain slider (-30..+30 dB) and the channel it
// applies to. Returns what OK accepted, or, when the user left the dialog
// otherwise, the same marked as not accepted (the core remembers what the
// user touched either way).

#include <optional>

#include "editing/gain_ops.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

// `place`: where the dialog opens, and where it was when it closed.
std::optional<VolumeDialogResult> showVolumeDialog(QWidget* parent, const VolumeDialogState& state,
                                                   WindowPosition& place);

}  // namespace kavrel
