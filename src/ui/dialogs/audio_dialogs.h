#pragma once
// The audio dialogs: normalise (target loudness, true-peak ceiling, or
// ReplayGain fields instead) and split at silences (name pattern, silence
// rules, drop the silences, number the tracks).

#include <optional>

#include "audio/audio_plan.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

std::optional<NormalizeRequest> showNormalizeDialog(QWidget* parent, const NormalizeDialogState& state,
                                                    WindowPosition& place);
std::optional<PartSplitRequest> showSilenceSplitDialog(QWidget* parent, const SilenceSplitDialogState& state,
                                                       WindowPosition& place);

}  // namespace kavrel
