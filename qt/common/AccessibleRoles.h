#pragma once

namespace tarnwick {

/// Gives the game's plain widgets the roles screen readers expect: each
/// top-level window is a frame and each hole cell a graphic. Left alone, Qt
/// reports both as fillers, which screen readers skip. Safe to call often;
/// the first call installs the roles for the rest of the run.
void installAccessibleRoles();

} // namespace tarnwick
