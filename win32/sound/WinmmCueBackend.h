#pragma once

#include "CueBackend.h"

#include <string>
#include <vector>

namespace tarnwick {

/// Plays the cue files with the multimedia library's sndPlaySoundW, on the
/// cue worker's thread: "\pickup.WAV" and the rest, beside the program file.
///
/// The file is read here, by its wide path, and handed over from memory: the
/// multimedia library narrows a file name to the ANSI code page before
/// opening it (Wine's does), and a folder named in another script, such as a
/// user folder in Greek or Chinese on an English system, would leave every
/// cue silent.
///
/// The library never sees the player's bytes: it trusts the sizes of a wave
/// in memory, so a crafted header would make it read past the buffer. The
/// file goes through WaveReader, and what it decoded is handed over as a
/// canonical 16-bit wave (memoryWave()).
class WinmmCueBackend final : public CueBackend {
public:
    /// Cues are looked up in @p folder, which has no trailing separator.
    explicit WinmmCueBackend(std::wstring folder);
    /// Stops the cue that plays before its buffer goes.
    ~WinmmCueBackend() override;

    WinmmCueBackend(const WinmmCueBackend&) = delete;
    WinmmCueBackend& operator=(const WinmmCueBackend&) = delete;

    void warmUp() override;
    void play(Cue cue, Clock::time_point startBy) override;
    std::optional<Clock::duration> closeIfIdle() override;

    /// The file @p cue is played from: the folder, a backslash, the name, ".WAV".
    [[nodiscard]] std::wstring cuePath(Cue cue) const;

    /// The bytes of @p cue's file as it is now, read by its wide path within
    /// CueFile's bounds; empty when it is missing, empty, unreadable, not a
    /// file or too large.
    [[nodiscard]] std::vector<char> loadCue(Cue cue) const;

    /// What play() hands the library for @p cue: its file through WaveReader
    /// (mono, or stereo as StereoDownmix mixes it) as memoryWave(); empty
    /// where there is nothing to play.
    [[nodiscard]] std::vector<char> cueWave(Cue cue) const;

private:
    /// Stops playback, then frees its buffer: never the other way round.
    void stop();

    std::wstring m_folder;
    // The cue that plays, which must outlive its asynchronous playing.
    std::vector<char> m_playing;
};

} // namespace tarnwick
