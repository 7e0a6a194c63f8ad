#include "WebCuePlayer.h"

#include "PageBridge.h"

namespace tarnwick {

void WebCuePlayer::playCue(Cue cue)
{
    tarnwick_page_play_cue(fileName(cue).c_str());
}

std::string WebCuePlayer::fileName(Cue cue)
{
    return std::string(cueName(cue)) + ".WAV";
}

} // namespace tarnwick
