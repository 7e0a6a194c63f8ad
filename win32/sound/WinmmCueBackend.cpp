#include "WinmmCueBackend.h"

#include "WideText.h"
#include "Win32Api.h"

#include <mmsystem.h>

namespace tarnwick {

WinmmCueBackend::WinmmCueBackend(std::wstring folder)
    : m_folder(std::move(folder))
{ }

void WinmmCueBackend::warmUp()
{
    // The multimedia library is linked; nothing to load ahead.
}

void WinmmCueBackend::play(Cue cue, Clock::time_point startBy)
{
    if (Clock::now() > startBy) {
        // Too late to be heard, but it still cuts off what plays.
        sndPlaySoundW(nullptr, 0);
        return;
    }
    // Looked up afresh at every play; a missing or broken file is silent and
    // stops the cue that plays, as a new cue always does.
    sndPlaySoundW(cuePath(cue).c_str(), SND_ASYNC | SND_NODEFAULT);
}

std::optional<CueBackend::Clock::duration> WinmmCueBackend::closeIfIdle()
{
    // The multimedia library closes its device by itself.
    return std::nullopt;
}

std::wstring WinmmCueBackend::cuePath(Cue cue) const
{
    return m_folder + L"\\" + wideText(cueName(cue)) + L".WAV";
}

} // namespace tarnwick
