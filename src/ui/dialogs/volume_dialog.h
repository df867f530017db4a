#pragma once
// Volume & Balance Change: the gain slider (-30..+30 dB) and the channel it
// applies to. Modal; returns what OK accepted, nothing when Esc or the close
// box cancelled.

#include <optional>

#include "editing/gain_ops.h"

class QWidget;

namespace kavrel {

std::optional<VolumeDialogResult> showVolumeDialog(QWidget* parent, const VolumeDialogState& state);

}  // namespace kavrel
