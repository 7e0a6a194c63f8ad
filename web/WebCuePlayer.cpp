#include "WebCuePlayer.h"

#include "CueFileName.h"
#include "PageBridge.h"

namespace tarnwick {

void WebCuePlayer::playCue(Cue cue)
{
    tarnwick_page_play_cue(cueFileName(cue).c_str());
}

} // namespace tarnwick
