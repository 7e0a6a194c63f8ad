#pragma once

#include "CuePlayer.h"

#include <string>

namespace tarnwick {

/// The name of @p cue's wave file beside the program: the lower-case cue
/// name and an upper-case extension, e.g. "pickup.WAV". The generator writes
/// these names and every front-end looks them up, so a player replaces a cue
/// under the same name on every platform.
std::string cueFileName(Cue cue);

} // namespace tarnwick
