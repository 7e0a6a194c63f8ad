#pragma once

#include "AudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarnwick {

struct SdlLibrary;

/// Plays clips through SDL's audio device, one at a time.
///
/// The device is opened at the first clip and closed by closeIfIdle() once a
/// clip has been heard to its end, so an idle game keeps no audio thread
/// awake; SDL's audio subsystem (its connection to the server, asleep while
/// idle) stays up until destruction. With no audio library, device or server every call is a quiet
/// no-op, and the device is looked for again at most every few seconds.
/// Every call must come from one thread (the cue worker's): SDL's audio
/// subsystem is started and stopped there, and decoding uses it too.
class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;

    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    void warmUp() override;
    void play(std::shared_ptr<const PcmClip> clip, Clock::time_point startBy) override;
    void stop() override;
    std::optional<Clock::duration> closeIfIdle() override;

    /// True while the audio device is open (a clip or its fade-out tail plays).
    bool isDeviceOpen() const { return m_device != 0; }

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
    Voice m_voice;
};

} // namespace tarnwick
