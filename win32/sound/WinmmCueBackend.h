#pragma once

#include "CueBackend.h"

#include <string>

namespace tarnwick {

/// Plays the cue files with the multimedia library's sndPlaySoundW, on the
/// cue worker's thread: "\pickup.WAV" and the rest, beside the program file.
/// The wide call and path reach a folder named in any script, which the
/// ANSI call cannot outside the system's code page.
class WinmmCueBackend final : public CueBackend {
public:
    /// Cues are looked up in @p folder, which has no trailing separator.
    explicit WinmmCueBackend(std::wstring folder);

    void warmUp() override;
    void play(Cue cue, Clock::time_point startBy) override;
    std::optional<Clock::duration> closeIfIdle() override;

    /// The file @p cue is played from: the folder, a backslash, the name, ".WAV".
    [[nodiscard]] std::wstring cuePath(Cue cue) const;

private:
    std::wstring m_folder;
};

} // namespace tarnwick
