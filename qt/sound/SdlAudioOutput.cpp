#include "SdlAudioOutput.h"

#include "SdlLibrary.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarnwick {

namespace {

// 768 frames at 48 kHz: 16 ms per buffer. A cue that cuts off another is
// heard after what is already buffered (about a buffer and a half: 1024
// frames made that 31 ms), and a busy machine still has time to refill the
// buffer; with 512 frames a loaded two-core machine drops out.
constexpr Uint16 kBufferFrames = 768;

// Silence played after a clip before the device may close. It must outlast
// the buffering between us and the speaker, or closing cuts off the tail.
constexpr std::size_t kTailFrames = PcmClip::kSampleRate * 150 / 1000;

// How long to wait after failing to open the device before trying again,
// in case an audio server has started in the meantime.
constexpr std::chrono::seconds kRetryDelay { 3 };

// Asking whether the clip has played out a little after it should have
// keeps it to one wake-up of the worker per cue.
constexpr std::chrono::milliseconds kCheckMargin { 20 };

} // namespace

SdlAudioOutput::~SdlAudioOutput()
{
    closeDevice();
    if (m_audioStarted) {
        m_sdl->QuitSubSystem(SDL_INIT_AUDIO);
    }
    // SDL keeps an error buffer per thread and frees none of them when a
    // thread ends; this one (the cue worker's) ends with this output.
    if (m_sdl != nullptr) {
        m_sdl->TLSCleanup();
    }
}

void SdlAudioOutput::warmUp()
{
    m_sdl = SdlLibrary::get();
}

bool SdlAudioOutput::open()
{
    if (m_device != 0) {
        return true;
    }
    // Without a device, asking again at every move would cost each cue
    // the probing of every audio system; ask again only after a while.
    const auto now = Clock::now();
    if (now < m_retryAfter) {
        return false;
    }
    if (!openDevice()) {
        m_retryAfter = now + kRetryDelay;
        return false;
    }
    return true;
}

void SdlAudioOutput::play(std::shared_ptr<const PcmClip> clip)
{
    if (!clip || clip->samples.empty()) {
        stop();
        return;
    }
    if (open()) {
        replaceVoice(std::move(clip));
    }
}

void SdlAudioOutput::stop()
{
    if (m_device != 0) {
        replaceVoice(nullptr);
    }
}

std::optional<AudioOutput::Clock::duration> SdlAudioOutput::closeIfIdle()
{
    if (m_device == 0) {
        return std::nullopt;
    }
    m_sdl->LockAudioDevice(m_device);
    std::size_t framesLeft = kTailFrames - std::min(kTailFrames, m_voice.silentFrames);
    if (m_voice.clip) {
        framesLeft += (m_voice.clip->samples.size() - m_voice.position) / PcmClip::kChannels;
    }
    m_sdl->UnlockAudioDevice(m_device);
    // Kept open by the clock, not by the frames played: a loaded machine
    // plays them late, which over seconds kept the device open far longer.
    const auto now = Clock::now();
    if (framesLeft == 0 && now >= m_keepOpenUntil) {
        closeDevice();
        return std::nullopt;
    }
    const auto playing = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(framesLeft) / PcmClip::kSampleRate));
    return std::max(playing, m_keepOpenUntil - now) + kCheckMargin;
}

void SdlAudioOutput::replaceVoice(std::shared_ptr<const PcmClip> clip)
{
    m_sdl->LockAudioDevice(m_device);
    if (clip) {
        m_keepOpenUntil = Clock::now() + kKeepOpen
            + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                static_cast<double>(clip->frameCount()) / PcmClip::kSampleRate));
    }
    std::swap(m_voice.clip, clip);
    m_voice.position = 0;
    m_voice.silentFrames = 0;
    m_sdl->UnlockAudioDevice(m_device);
    // The clip that was cut off is released here, not on the audio thread.
}

bool SdlAudioOutput::openDevice()
{
    warmUp();
    if (m_sdl == nullptr) {
        return false;
    }
    // Started once and kept: starting probes every audio system and connects
    // to the server, which made the slowest cues a few milliseconds slower.
    if (!m_audioStarted) {
        if (m_sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return false;
        }
        m_audioStarted = true;
    }
    SDL_AudioSpec wanted {};
    wanted.freq = PcmClip::kSampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = PcmClip::kChannels;
    wanted.samples = kBufferFrames;
    wanted.callback = &SdlAudioOutput::fill;
    wanted.userdata = this;
    // No allowed changes: SDL converts to whatever the device wants.
    m_device = m_sdl->OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (m_device == 0) {
        // Probe afresh next time: a server may start meanwhile.
        m_sdl->QuitSubSystem(SDL_INIT_AUDIO);
        m_audioStarted = false;
        return false;
    }
    m_voice = Voice {};
    m_keepOpenUntil = Clock::now() + kKeepOpen;
    m_sdl->PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioOutput::closeDevice()
{
    if (m_device == 0) {
        return;
    }
    // Waits a couple of buffers for SDL's audio thread to end; this is the
    // cue worker, so nobody else waits with it.
    m_sdl->CloseAudioDevice(m_device);
    m_device = 0;
    m_voice = Voice {};
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
    m_voice.silentFrames += (sampleCount - copied) / PcmClip::kChannels;
}

} // namespace tarnwick
