#pragma once

#include "AudioOutput.h"
#include "CueBackend.h"
#include "CueCatalog.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace tarnwick {

/// The Linux cue backend: each cue from its wave file in a folder, decoded
/// and played through an AudioOutput. Standard C++ only, for the worker.
///
/// Every play looks at the file afresh, so a file replaced while the game
/// runs is heard the next time. A decoded file is kept while its device,
/// inode, size, modification and status-change times all stay the same: a
/// copy that keeps the time stamp (cp -p, rsync -a, an unpacked archive)
/// still changes the inode or the status-change time. The file is read with
/// CueFile's bounds and decoded through WaveReader. A missing or broken file
/// plays nothing and says nothing.
///
/// How late a cue may be: it must reach the device within the worker's
/// start-by time (CueWorker::kStaleAfter after it was asked for: a stalled
/// game or disk), not counting the time the device spent opening meanwhile
/// for the cue before it; opening the device for it may then take up to
/// kOpenWait. So a cue is heard at most kStaleAfter + kOpenWait (0.6 s)
/// after it was asked for, and is skipped only when its device has not
/// opened within kOpenWait or the game stalled before.
class WaveCueBackend final : public CueBackend {
public:
    /// How long a cue waits for the device to open (a sink waking up).
    static constexpr std::chrono::milliseconds kOpenWait { 500 };

    /// Plays the cue files in @p folder through @p output.
    WaveCueBackend(std::filesystem::path folder, std::unique_ptr<AudioOutput> output);

    void warmUp() override;
    void play(Cue cue, Clock::time_point startBy) override;
    std::optional<Clock::duration> closeIfIdle() override;

private:
    /// What tells one file at a path from another, as stat() says.
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    struct CachedClip {
        std::optional<FileIdentity> file; ///< Nothing while nothing is cached.
        std::shared_ptr<const PcmClip> clip; ///< Null for a file that did not decode.
    };

    std::shared_ptr<const PcmClip> clipFor(Cue cue);
    /// How long the device spent opening after @p since, at most kOpenWait.
    Clock::duration openingSince(Clock::time_point since) const;

    std::filesystem::path m_folder;
    std::unique_ptr<AudioOutput> m_output;
    std::array<CachedClip, kCueCount> m_cache;
    Clock::time_point m_openingBegan {}; ///< Of the device's last opening.
    Clock::time_point m_openingEnded {};
};

} // namespace tarnwick
