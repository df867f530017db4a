#pragma once
// Add empty frames: the length of the silence (typed in seconds, or stepped
// by a frame or a second), where it goes, and its bitrate, sampling rate and
// channel mode. Modal; returns what OK or Enter accepted, nothing when Esc
// or the close box cancelled.

#include <optional>

#include "editing/silence.h"

class QWidget;

namespace kavrel {

std::optional<SilenceDialogResult> showSilenceDialog(QWidget* parent, const SilenceDialogState& state);

}  // namespace kavrel
