#include "WebCuePlayer.h"

#include "CueFileName.h"
#include "PageBridge.h"

#include <cstddef>

namespace tarnwick {

void WebCuePlayer::loadAll()
{
    for (std::size_t index = 0; index < kCueNames.size(); ++index) {
        tarnwick_page_load_cue(cueFileName(static_cast<Cue>(index)).c_str());
    }
}

void WebCuePlayer::playCue(Cue cue)
{
    tarnwick_page_play_cue(cueFileName(cue).c_str());
}

} // namespace tarnwick
