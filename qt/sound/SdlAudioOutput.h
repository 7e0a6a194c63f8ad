#pragma once

#include "AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarnwick {

struct SdlLibrary;

/// Plays clips through SDL's audio device, one at a time.
///
/// The device is opened at the first clip and closed by closeIfIdle() once
/// nothing has played for kKeepOpen, so the cues of one move share one
/// opening while an idle game keeps no audio thread awake; SDL's audio subsystem (its connection to
/// the server, asleep while idle) stays up until destruction. With no audio library, device or
/// server every call is a quiet no-op, and the device is looked for again at most every few
/// seconds. Every call must come from one thread (the cue worker's): SDL's audio subsystem is
/// started and stopped there, and decoding uses it too.
class SdlAudioOutput final : public AudioOutput {
public:
    /// How long the device stays open after a clip has played out: the
    /// cues of one move (pick-up, drop, the end of a game) come within it.
    static constexpr std::chrono::seconds kKeepOpen { 3 };

    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;

    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    void warmUp() override;
    bool open() override;
    bool isOpen() const override { return m_device != 0; }
    void play(std::shared_ptr<const PcmClip> clip) override;
    void stop() override;
    std::optional<Clock::duration> closeIfIdle() override;

private:
    /// What the audio thread reads; guarded by the device lock.
    struct Voice {
        std::shared_ptr<const PcmClip> clip;
        std::size_t position = 0; ///< Next sample of clip to play.
        std::size_t silentFrames = 0; ///< Frames of silence since the clip ran out.
    };

    static void fill(void* self, std::uint8_t* stream, int length);
    void fillOnAudioThread(std::int16_t* out, std::size_t sampleCount);
    void replaceVoice(std::shared_ptr<const PcmClip> clip);
    bool openDevice();
    void closeDevice();

    const SdlLibrary* m_sdl = nullptr;
    bool m_audioStarted = false; ///< SDL's audio subsystem is up.
    std::uint32_t m_device = 0;
    Clock::time_point m_retryAfter {};
    Clock::time_point m_keepOpenUntil {}; ///< Kept open until then, for a move's next cue.
    Voice m_voice;
};

} // namespace tarnwick
