#include "WinmmCueBackend.h"

#include "CueFile.h"
#include "CueFileName.h"
#include "MemoryWave.h"
#include "WaveReader.h"
#include "WideText.h"
#include "Win32Api.h"

#include <mmsystem.h>

#include <filesystem>
#include <optional>

namespace tarnwick {

WinmmCueBackend::WinmmCueBackend(std::wstring folder)
    : m_folder(std::move(folder))
{ }

WinmmCueBackend::~WinmmCueBackend()
{
    stop();
}

void WinmmCueBackend::stop()
{
    sndPlaySoundW(nullptr, 0);
    m_playing.clear();
}

void WinmmCueBackend::warmUp()
{
    // The multimedia library is linked; nothing to load ahead.
}

void WinmmCueBackend::play(Cue cue, Clock::time_point startBy)
{
    // A new cue cuts off the one that plays, heard or not.
    stop();
    if (Clock::now() > startBy) {
        return; // too late to be heard
    }
    // Looked up afresh at every play. A missing file is silent; so is one
    // the reader refuses.
    m_playing = cueWave(cue);
    if (m_playing.empty()) {
        return;
    }
    sndPlaySoundW(
        reinterpret_cast<LPCWSTR>(m_playing.data()), SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}

std::optional<CueBackend::Clock::duration> WinmmCueBackend::closeIfIdle()
{
    // The multimedia library closes its device by itself.
    return std::nullopt;
}

std::vector<char> WinmmCueBackend::loadCue(Cue cue) const
{
    return CueFile::read(std::filesystem::path(cuePath(cue)));
}

std::vector<char> WinmmCueBackend::cueWave(Cue cue) const
{
    const std::optional<WaveSound> sound = WaveReader::read(loadCue(cue));
    return sound ? memoryWave(*sound) : std::vector<char> {};
}

std::wstring WinmmCueBackend::cuePath(Cue cue) const
{
    return m_folder + L"\\" + wideText(cueFileName(cue));
}

} // namespace tarnwick
