#include "WaveCueBackend.h"

#include "CueFile.h"
#include "CueFileName.h"
#include "CueWorker.h"
#include "WaveDecoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tarnwick {

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
    if (::stat(path.c_str(), &status) != 0) {
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

    // Not a regular file, too large, or empty: nothing to keep either.
    const std::vector<char> bytes = CueFile::read(path);
    if (bytes.empty()) {
        cached = CachedClip {};
        return nullptr;
    }
    cached = CachedClip { identity, WaveDecoder::decode(bytes) };
    return cached.clip;
}

} // namespace tarnwick
