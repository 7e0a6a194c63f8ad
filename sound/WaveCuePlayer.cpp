#include "WaveCuePlayer.h"

#include "SdlAudioOutput.h"
#include "WaveDecoder.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace tarnwick {

namespace {

// A cue is a few seconds at most; anything far larger is not worth
// reading on the interface thread.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

} // namespace

WaveCuePlayer::WaveCuePlayer(QString folder)
    : WaveCuePlayer(std::move(folder), std::make_unique<SdlAudioOutput>())
{ }

WaveCuePlayer::WaveCuePlayer(QString folder, std::unique_ptr<AudioOutput> output)
    : m_folder(std::move(folder))
    , m_output(std::move(output))
{ }

WaveCuePlayer::~WaveCuePlayer() = default;

void WaveCuePlayer::playCue(Cue cue)
{
    // A cue whose file will not play still stops the one before it.
    if (auto clip = clipFor(cue)) {
        m_output->play(std::move(clip));
    } else {
        m_output->stop();
    }
}

std::shared_ptr<const PcmClip> WaveCuePlayer::clipFor(Cue cue)
{
    CachedClip& cached = m_cache.at(static_cast<std::size_t>(cue));
    const QFileInfo info(m_folder.filePath(cue));
    if (!info.isFile() || info.size() <= 0 || info.size() > kMaxFileBytes) {
        cached = CachedClip {};
        return nullptr;
    }
    const QDateTime modified = info.lastModified();
    if (cached.size == info.size() && cached.modified == modified) {
        return cached.clip;
    }

    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        cached = CachedClip {};
        return nullptr;
    }
    cached = CachedClip { modified, info.size(), WaveDecoder::decode(file.readAll()) };
    return cached.clip;
}

} // namespace tarnwick
