#include "WinmmCueBackend.h"

#include "CueFileName.h"
#include "MemoryWave.h"
#include "WaveReader.h"
#include "WideText.h"
#include "Win32Api.h"

#include <mmsystem.h>

namespace tarnwick {

namespace {

// The largest cue file, on every platform; a larger file is not read.
constexpr LONGLONG kLargestCue = 64LL * 1024 * 1024;

std::vector<char> readFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::vector<char> bytes;
    LARGE_INTEGER size {};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestCue) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)
            || read != bytes.size()) {
            bytes.clear();
        }
    }
    CloseHandle(file);
    return bytes;
}

} // namespace

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
    const std::vector<char> file = loadCue(cue);
    const std::optional<WaveSound> sound = WaveReader::read(file);
    if (!sound) {
        return;
    }
    m_playing = memoryWave(*sound);
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
    return readFile(cuePath(cue));
}

std::wstring WinmmCueBackend::cuePath(Cue cue) const
{
    return m_folder + L"\\" + wideText(cueFileName(cue));
}

} // namespace tarnwick
