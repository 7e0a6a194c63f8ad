#include "WaveCueBackend.h"

#include "CueFileName.h"
#include "CueWorker.h"
#include "WaveDecoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <utility>
#include <vector>

namespace tarnwick {

namespace {

// A cue is a few seconds at most; anything far larger is not worth reading.
constexpr std::uintmax_t kMaxFileBytes = 64ULL * 1024 * 1024;

} // namespace

WaveCueBackend::WaveCueBackend(std::filesystem::path folder, std::unique_ptr<AudioOutput> output)
    : m_folder(std::move(folder))
    , m_output(std::move(output))
{ }

void WaveCueBackend::warmUp()
{
    m_output->warmUp();
}

void WaveCueBackend::play(Cue cue, Clock::time_point startBy)
{
    // Waiting while the device opened for the cue before is no stall: the
    // winner posted with the last drop is heard after the drop.
    startBy += openingSince(startBy - CueWorker::kStaleAfter);
    auto clip = Clock::now() <= startBy ? clipFor(cue) : nullptr;
    if (clip && !m_output->isOpen()) {
        m_openingBegan = Clock::now();
        const bool opened = m_openingBegan <= startBy && m_output->open();
        m_openingEnded = Clock::now();
        if (!opened || m_openingEnded - m_openingBegan > kOpenWait) {
            clip = nullptr;
        }
    }
    // A cue that will not play still stops the one before it.
    if (clip) {
        m_output->play(std::move(clip));
    } else {
        m_output->stop();
    }
}

CueBackend::Clock::duration WaveCueBackend::openingSince(Clock::time_point since) const
{
    const Clock::duration spent = m_openingEnded - std::max(m_openingBegan, since);
    return std::clamp<Clock::duration>(spent, Clock::duration::zero(), kOpenWait);
}

std::optional<CueBackend::Clock::duration> WaveCueBackend::closeIfIdle()
{
    return m_output->closeIfIdle();
}

std::shared_ptr<const PcmClip> WaveCueBackend::clipFor(Cue cue)
{
    CachedClip& cached = m_cache.at(static_cast<std::size_t>(cue));
    const std::filesystem::path path = m_folder / cueFileName(cue);
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0
        || static_cast<std::uintmax_t>(status.st_size) > kMaxFileBytes) {
        cached = CachedClip {};
        return nullptr;
    }
    // The times are as fine as the file system keeps them; a file rewritten
    // in place within one clock tick of its last change, after it was read,
    // would look the same, which no player's copy does.
    const FileIdentity identity { status.st_dev, status.st_ino, status.st_size,
        status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_ctim.tv_sec,
        status.st_ctim.tv_nsec };
    if (cached.file == identity) {
        return cached.clip;
    }

    const auto size = static_cast<std::size_t>(status.st_size);
    std::vector<char> bytes(size);
    std::ifstream file(path, std::ios::binary);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(size))) {
        cached = CachedClip {};
        return nullptr;
    }
    cached = CachedClip { identity, WaveDecoder::decode(bytes) };
    return cached.clip;
}

} // namespace tarnwick
