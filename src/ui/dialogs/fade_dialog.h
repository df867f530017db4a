#pragma once
// Fade In/Out: the direction and the magnitude slider. Returns what OK
// accepted, or, when the user left the dialog otherwise, the same marked
// as not accepted (the slider memory and the direction follow the user
// either way).

#include <optional>

#include "editing/gain_ops.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

// `place`: where the dialog opens, and where it was when it closed.
std::optional<FadeDialogResult> showFadeDialog(QWidget* parent, const FadeDialogState& state,
                                               WindowPosition& place);

}  // namespace kavrel
