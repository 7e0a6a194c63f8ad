#pragma once

#include "AudioOutput.h"
#include "CueFolder.h"
#include "CuePlayer.h"

#include <QDateTime>

#include <array>
#include <memory>

namespace tarnwick {

/// Plays each cue from its wave file in a folder, e.g. the program's own.
///
/// Every call looks at the file afresh, so a file replaced while the game runs
/// is heard the next time; decoded files are kept while their size and time
/// stamp stay the same. A missing or broken file plays nothing and says nothing.
class WaveCuePlayer final : public CuePlayer {
public:
    /// Plays the cue files in @p folder on the computer's audio device.
    explicit WaveCuePlayer(QString folder);

    /// Plays the cue files in @p folder through @p output.
    WaveCuePlayer(QString folder, std::unique_ptr<AudioOutput> output);

    ~WaveCuePlayer() override;

    WaveCuePlayer(const WaveCuePlayer&) = delete;
    WaveCuePlayer& operator=(const WaveCuePlayer&) = delete;

    void playCue(Cue cue) override;

    /// Where the cue files are looked up.
    const CueFolder& cueFolder() const { return m_folder; }

private:
    struct CachedClip {
        QDateTime modified;
        qint64 size = -1;
        std::shared_ptr<const PcmClip> clip; ///< Null for a file that did not decode.
    };

    std::shared_ptr<const PcmClip> clipFor(Cue cue);

    CueFolder m_folder;
    std::unique_ptr<AudioOutput> m_output;
    std::array<CachedClip, 6> m_cache;
};

} // namespace tarnwick
