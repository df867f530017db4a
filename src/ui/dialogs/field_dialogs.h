#pragma once
// The ID3v2 editor's three small dialogs: how a file loaded into a field
// relates to the field's leading parts, which parts of a stored field go
// into a file, and a field's text over several lines. Each is modal, opens
// at its remembered place and writes its place back however it closes.

#include <optional>
#include <string>

#include "app/field_files.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

class Host;

// " enter additional field description": closed without O&K, the answer's
// ok is false and its values are the boxes as they were left.
FieldLoadDialogAnswer showFieldLoadDialog(QWidget* parent, const FieldLoadDialogRequest& request,
                                          WindowPosition& place);
// "save additional field descriptors", the same way.
FieldSaveDialogAnswer showFieldSaveDialog(QWidget* parent, const FieldSaveDialogRequest& request,
                                          WindowPosition& place);

struct MultiLineRequest {
  std::string title;
  std::string text;      // the field's text as it is
  std::string original;  // what "original" puts into the memo
};
// The several-lines dialog: the memo's text when "&OK" closed it after a
// change (line breaks as CR LF), nothing when it closed otherwise. Losing
// the focus with a changed text asks `host` whether to keep it. `size` holds
// the client width and height.
std::optional<std::string> showMultiLineDialog(QWidget* parent, Host& host, const MultiLineRequest& request,
                                               WindowPosition& place, WindowPosition& size);

}  // namespace kavrel
