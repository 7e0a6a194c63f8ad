#pragma once

#include "AudioOutput.h"

#include <QObject>

#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>

namespace tarnwick {

/// Plays clips through SDL's audio device, one at a time.
///
/// The device is opened at the first clip and closed again once a clip has
/// been heard to its end, so an idle game keeps no audio thread awake. With
/// no audio device or server every call is a quiet no-op, and the device is
/// looked for again at most every few seconds. Must be created,
/// used and destroyed on a thread that runs a Qt event loop.
class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput();
    ~SdlAudioOutput() override;

    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    void play(std::shared_ptr<const PcmClip> clip) override;
    void stop() override;

    /// True while the audio device is open (a clip or its fade-out tail plays).
    bool isDeviceOpen() const { return m_device != 0; }

private:
    /// What the audio thread reads; guarded by the device lock.
    struct Voice {
        std::shared_ptr<const PcmClip> clip;
        std::size_t position = 0; ///< Next sample of clip to play.
        std::size_t silentFrames = 0; ///< Frames of silence since the clip ran out.
        bool idleReported = false;
    };

    static void fill(void* self, std::uint8_t* stream, int length);
    void fillOnAudioThread(std::int16_t* out, std::size_t sampleCount);
    void replaceVoice(std::shared_ptr<const PcmClip> clip);
    bool openDevice();
    void closeIfIdle();
    void closeDeviceInBackground();
    void waitForClose();

    std::uint32_t m_device = 0;
    std::chrono::steady_clock::time_point m_retryAfter {};
    Voice m_voice;
    std::thread m_closer;
    /// Receives the audio thread's "played out" notes on the owner's thread;
    /// notes still queued die with it.
    std::unique_ptr<QObject> m_receiver;
};

} // namespace tarnwick
