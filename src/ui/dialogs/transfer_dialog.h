#pragma once
// The tag data transfer dialog: which of the seven common fields to copy
// between the ID3v1 and the ID3v2 editor, whether into blank boxes only, and
// whether to remember the choice. A double click on its title turns the
// direction round.

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "settings/options.h"
#include "tags/tag_transfer.h"

namespace kavrel {

struct TransferChoice {
  TransferDirection direction = TransferDirection::V1ToV2;
  uint16_t word = kTransferDefault;
};

// Shown modally towards `direction`. OK stores a remembered word into
// `stored` (both directions when so chosen) and the "show this dialog next
// time" box into `showNextTime`, and returns the direction and word to run;
// cancel returns nothing. The dialog opens at `place` and keeps its place there.
std::optional<TransferChoice> showTransferDialog(QWidget* parent, TransferDirection direction,
                                                 std::array<uint16_t, 2>& stored, bool& showNextTime,
                                                 WindowPosition& place);

}  // namespace kavrel
