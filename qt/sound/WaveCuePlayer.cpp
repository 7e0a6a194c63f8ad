#include "WaveCuePlayer.h"

#include "SdlAudioOutput.h"
#include "WaveCueBackend.h"

#include <QFile>

#include <utility>

namespace tarnwick {

WaveCuePlayer::WaveCuePlayer(const QString& folder)
    : WaveCuePlayer(folder, std::make_unique<SdlAudioOutput>())
{ }

WaveCuePlayer::WaveCuePlayer(const QString& folder, std::unique_ptr<AudioOutput> output)
    : m_folder(folder)
    // The file system's own bytes for the name, whatever the locale.
    , m_worker(std::make_unique<WaveCueBackend>(
          std::filesystem::path(QFile::encodeName(folder).toStdString()), std::move(output)))
{ }

void WaveCuePlayer::playCue(Cue cue)
{
    m_worker.playCue(cue);
}

void WaveCuePlayer::warmUp()
{
    m_worker.warmUp();
}

} // namespace tarnwick
