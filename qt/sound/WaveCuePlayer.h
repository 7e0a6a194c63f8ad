#pragma once

#include "AudioOutput.h"
#include "CueFolder.h"
#include "CuePlayer.h"
#include "CueWorker.h"

#include <memory>

namespace tarnwick {

/// Plays each cue from its wave file in a folder, e.g. the program's own,
/// on the cue worker's thread (see WaveCueBackend for how files are found).
/// playCue() only hands the cue over, so the game never waits on the disk,
/// the audio library or the audio server.
class WaveCuePlayer final : public CuePlayer {
public:
    /// Plays the cue files in @p folder on the computer's audio device.
    explicit WaveCuePlayer(const QString& folder);

    /// Plays the cue files in @p folder through @p output.
    WaveCuePlayer(const QString& folder, std::unique_ptr<AudioOutput> output);

    WaveCuePlayer(const WaveCuePlayer&) = delete;
    WaveCuePlayer& operator=(const WaveCuePlayer&) = delete;

    void playCue(Cue cue) override;

    /// Loads the audio library on the worker; call once the window shows.
    void warmUp();

    /// Where the cue files are looked up.
    const CueFolder& cueFolder() const { return m_folder; }

private:
    CueFolder m_folder;
    CueWorker m_worker;
};

} // namespace tarnwick
