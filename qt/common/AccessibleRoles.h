#pragma once

namespace tarnwick {

/// Gives the game's plain widgets the roles screen readers expect: each
/// top-level window is a frame, each hole cell a graphic and the board's tab
/// stop a canvas. Left alone, Qt reports them as fillers, which screen readers
/// skip. Safe to call often; the first call installs the roles for the rest of
/// the run.
void installAccessibleRoles();

} // namespace tarnwick
