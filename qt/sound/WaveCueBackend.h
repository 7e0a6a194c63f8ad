#pragma once

#include "AudioOutput.h"
#include "CueBackend.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace tarnwick {

/// The Linux cue backend: each cue from its wave file in a folder, decoded
/// and played through an AudioOutput. Standard C++ only, for the worker.
///
/// Every play looks at the file afresh, so a file replaced while the game
/// runs is heard the next time; decoded files are kept while their size and
/// time stamp stay the same. A missing or broken file plays nothing and says
/// nothing.
class WaveCueBackend final : public CueBackend {
public:
    /// Plays the cue files in @p folder through @p output.
    WaveCueBackend(std::filesystem::path folder, std::unique_ptr<AudioOutput> output);

    void warmUp() override;
    void play(Cue cue, Clock::time_point startBy) override;
    std::optional<Clock::duration> closeIfIdle() override;

private:
    struct CachedClip {
        std::filesystem::file_time_type modified {};
        std::uintmax_t size = 0;
        std::shared_ptr<const PcmClip> clip; ///< Null for a file that did not decode.
    };

    std::shared_ptr<const PcmClip> clipFor(Cue cue);

    std::filesystem::path m_folder;
    std::unique_ptr<AudioOutput> m_output;
    std::array<CachedClip, 6> m_cache;
};

} // namespace tarnwick
