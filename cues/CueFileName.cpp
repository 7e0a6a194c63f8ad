#include "CueFileName.h"

namespace tarnwick {

std::string cueFileName(Cue cue)
{
    return std::string(cueName(cue)) + ".WAV";
}

} // namespace tarnwick
