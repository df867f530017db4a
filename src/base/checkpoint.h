#pragma once
// The answer of the progress checkpoint that long operations (loading,
// saving, writing a tag) call now and then: go on, stop at the user's Esc,
// or stop because the window closes.

namespace kavrel {

enum class Checkpoint { Continue, Cancel, CloseWindow };

}  // namespace kavrel
