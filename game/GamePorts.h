#pragma once

#include "CuePlayer.h"
#include "HoleView.h"
#include "ModalMessage.h"
#include "ProgramControl.h"
#include "RandomSource.h"

namespace tarnwick {

/// Everything outside the rules that the game talks to. The referenced
/// objects must outlive the game.
struct GamePorts {
    HoleView& view;
    CuePlayer& cues;
    ModalMessage& message;
    RandomSource& random;
    ProgramControl& program;
};

} // namespace tarnwick
