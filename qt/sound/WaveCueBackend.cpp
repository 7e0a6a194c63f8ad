#include "WaveCueBackend.h"

#include "CueFileName.h"
#include "WaveDecoder.h"

#include <fstream>
#include <system_error>
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
    // A cue that will not play still stops the one before it.
    auto clip = Clock::now() <= startBy ? clipFor(cue) : nullptr;
    if (clip) {
        m_output->play(std::move(clip), startBy);
    } else {
        m_output->stop();
    }
}

std::optional<CueBackend::Clock::duration> WaveCueBackend::closeIfIdle()
{
    return m_output->closeIfIdle();
}

std::shared_ptr<const PcmClip> WaveCueBackend::clipFor(Cue cue)
{
    CachedClip& cached = m_cache.at(static_cast<std::size_t>(cue));
    const std::filesystem::path path = m_folder / cueFileName(cue);
    std::error_code error;
    const bool isFile = std::filesystem::is_regular_file(path, error);
    const std::uintmax_t size = isFile ? std::filesystem::file_size(path, error) : 0;
    const auto modified = isFile ? std::filesystem::last_write_time(path, error)
                                 : std::filesystem::file_time_type {};
    if (!isFile || error || size == 0 || size > kMaxFileBytes) {
        cached = CachedClip {};
        return nullptr;
    }
    if (cached.size == size && cached.modified == modified) {
        return cached.clip;
    }

    std::vector<char> bytes(size);
    std::ifstream file(path, std::ios::binary);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(size))) {
        cached = CachedClip {};
        return nullptr;
    }
    cached = CachedClip { modified, size, WaveDecoder::decode(bytes) };
    return cached.clip;
}

} // namespace tarnwick
