#pragma once
// Fade In/Out: the direction and the magnitude slider. Modal; returns what
// OK accepted, nothing when Esc or the close box cancelled.

#include <optional>

#include "editing/gain_ops.h"

class QWidget;

namespace kavrel {

std::optional<FadeDialogResult> showFadeDialog(QWidget* parent, const FadeDialogState& state);

}  // namespace kavrel
