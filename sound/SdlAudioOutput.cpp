#include "SdlAudioOutput.h"

#include <QCoreApplication>
#include <QEvent>

#include <SDL.h>
#ifdef TARNWICK_HAVE_ALSA // platform layer: Linux only
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace tarnwick {

namespace {

// 1024 frames at 48 kHz: about 21 ms per buffer. Cues still start within a
// few milliseconds (each opens a fresh stream), and a busy machine has time
// to refill the buffer; with 512 frames a loaded two-core machine drops out.
constexpr Uint16 kBufferFrames = 1024;

// Silence played after a clip before the device closes. It must outlast
// the buffering between us and the speaker, or closing cuts off the tail.
constexpr std::size_t kTailFrames = PcmClip::kSampleRate * 150 / 1000;

/// Runs a callback on its own thread when it receives a "played out" event.
class PlayedOutReceiver final : public QObject {
public:
    static QEvent::Type eventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    explicit PlayedOutReceiver(std::function<void()> onPlayedOut)
        : m_onPlayedOut(std::move(onPlayedOut))
    { }

    bool event(QEvent* event) override
    {
        if (event->type() != eventType()) {
            return QObject::event(event);
        }
        m_onPlayedOut();
        return true;
    }

private:
    std::function<void()> m_onPlayedOut;
};

// How long to wait after failing to open the device before trying again,
// in case an audio server has started in the meantime.
constexpr std::chrono::seconds kRetryDelay { 3 };

#ifdef TARNWICK_HAVE_ALSA // platform layer: Linux only
void ignoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
    const char* /*format*/, ...)
{ }

// ALSA prints a screenful of configuration errors on a machine without a
// sound card each time SDL probes it; the game should stay silent instead.
void silenceAlsa()
{
    static const bool once = [] {
        snd_lib_error_set_handler(&ignoreAlsaError);
        return true;
    }();
    (void)once;
}
#else
// The other systems' audio back ends do not print on their own.
void silenceAlsa() { }
#endif

} // namespace

SdlAudioOutput::SdlAudioOutput()
    : m_receiver(std::make_unique<PlayedOutReceiver>([this] { closeIfIdle(); }))
{ }

SdlAudioOutput::~SdlAudioOutput()
{
    waitForClose();
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_device = 0;
    }
}

void SdlAudioOutput::play(std::shared_ptr<const PcmClip> clip)
{
    if (!clip || clip->samples.empty()) {
        stop();
        return;
    }
    if (m_device == 0) {
        // Without a device, asking again at every move would cost each cue
        // the probing of every audio system; ask again only after a while.
        const auto now = std::chrono::steady_clock::now();
        if (now < m_retryAfter) {
            return;
        }
        if (!openDevice()) {
            m_retryAfter = now + kRetryDelay;
            return;
        }
    }
    replaceVoice(std::move(clip));
}

void SdlAudioOutput::stop()
{
    if (m_device != 0) {
        replaceVoice(nullptr);
    }
}

void SdlAudioOutput::replaceVoice(std::shared_ptr<const PcmClip> clip)
{
    SDL_LockAudioDevice(m_device);
    std::swap(m_voice.clip, clip);
    m_voice.position = 0;
    m_voice.silentFrames = 0;
    m_voice.idleReported = false;
    SDL_UnlockAudioDevice(m_device);
    // The clip that was cut off is released here, not on the audio thread.
}

bool SdlAudioOutput::openDevice()
{
    waitForClose();
    silenceAlsa();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tarnwick");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound cues");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec wanted {};
    wanted.freq = PcmClip::kSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = PcmClip::kChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlAudioOutput::fill;
    wanted.userdata = this;
    // No allowed changes: SDL converts to whatever the device wants.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (m_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    m_voice = Voice {};
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioOutput::fill(void* self, std::uint8_t* stream, int length)
{
    static_cast<SdlAudioOutput*>(self)->fillOnAudioThread(reinterpret_cast<std::int16_t*>(stream),
        static_cast<std::size_t>(length) / sizeof(std::int16_t));
}

void SdlAudioOutput::fillOnAudioThread(std::int16_t* out, std::size_t sampleCount)
{
    std::size_t copied = 0;
    if (m_voice.clip) {
        const auto& samples = m_voice.clip->samples;
        copied = std::min(sampleCount, samples.size() - m_voice.position);
        std::memcpy(out, samples.data() + m_voice.position, copied * sizeof(std::int16_t));
        m_voice.position += copied;
    }
    std::fill(out + copied, out + sampleCount, std::int16_t { 0 });

    if (copied == sampleCount || m_voice.idleReported) {
        return;
    }
    m_voice.silentFrames += (sampleCount - copied) / PcmClip::kChannels;
    if (m_voice.silentFrames >= kTailFrames) {
        m_voice.idleReported = true;
        // Closing joins this thread, so it has to happen on the owner's thread.
        QCoreApplication::postEvent(m_receiver.get(), new QEvent(PlayedOutReceiver::eventType()));
    }
}

void SdlAudioOutput::closeIfIdle()
{
    if (m_device == 0) {
        return;
    }
    SDL_LockAudioDevice(m_device);
    // A clip started since the note was sent keeps the device open.
    const bool idle = m_voice.idleReported;
    SDL_UnlockAudioDevice(m_device);
    if (idle) {
        closeDeviceInBackground();
    }
}

void SdlAudioOutput::closeDeviceInBackground()
{
    // SDL waits a couple of buffers for the audio thread to finish; that wait
    // belongs on a helper thread, not in the middle of the player's drag.
    const SDL_AudioDeviceID device = m_device;
    SDL_LockAudioDevice(device);
    m_voice.clip.reset();
    SDL_UnlockAudioDevice(device);
    m_device = 0;
    m_closer = std::thread([device] {
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    });
}

void SdlAudioOutput::waitForClose()
{
    if (m_closer.joinable()) {
        m_closer.join();
    }
}

} // namespace tarnwick
