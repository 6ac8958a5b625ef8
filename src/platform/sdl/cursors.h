#pragma once

namespace platform {
namespace sdl {

// The system cursors, made once the video system runs and freed before it stops.
void LoadCursors();
void FreeCursors();

// Shows the cursor of a platform::CursorKind, or none when hidden. A kind
// outside the known ones changes nothing.
void ShowCursorKind(bool hidden, int kind);

}  // namespace sdl
}  // namespace platform
