#include "WaveDecoder.h"

#include "SdlLibrary.h"

#include <cmath>
#include <memory>
#include <vector>

namespace tarnwick {

namespace {

struct AudioStreamDeleter {
    const SdlLibrary* sdl;
    void operator()(SDL_AudioStream* stream) const { sdl->FreeAudioStream(stream); }
};

} // namespace

std::shared_ptr<const PcmClip> WaveDecoder::decode(std::span<const char> bytes)
{
    const std::optional<WaveSound> sound = WaveReader::read(bytes);
    return sound ? decode(*sound) : nullptr;
}

std::shared_ptr<const PcmClip> WaveDecoder::decode(const WaveSound& sound)
{
    const SdlLibrary* sdl = SdlLibrary::get();
    if (sdl == nullptr || sound.frameCount() == 0 || sound.sampleRate <= 0) {
        return nullptr;
    }
    // The reader has mixed anything wider down to stereo.
    if (sound.channels < 1 || sound.channels > 2) {
        return nullptr;
    }
    const std::vector<std::int16_t>& input = sound.samples;
    const int channels = sound.channels;
    const std::size_t inputFrames = sound.frameCount();
    const auto outputFrames = static_cast<std::size_t>(
        std::llround(static_cast<double>(inputFrames) * PcmClip::kSampleRate / sound.sampleRate));

    // SDL's resampler holds back the last part of its input even when
    // flushed; feed it a tenth of a second of silence after the sound and
    // keep exactly as many frames as the sound lasts.
    const std::vector<std::int16_t> padding(
        static_cast<std::size_t>(sound.sampleRate / 10) * static_cast<std::size_t>(channels));

    // The reader keeps every size far below what an int holds.
    const auto byteCount = [](const std::vector<std::int16_t>& samples) {
        return static_cast<int>(samples.size() * sizeof(std::int16_t));
    };
    const std::unique_ptr<SDL_AudioStream, AudioStreamDeleter> stream(
        sdl->NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(channels), sound.sampleRate,
            AUDIO_S16SYS, PcmClip::kChannels, PcmClip::kSampleRate),
        AudioStreamDeleter { sdl });
    if (!stream || sdl->AudioStreamPut(stream.get(), input.data(), byteCount(input)) != 0
        || sdl->AudioStreamPut(stream.get(), padding.data(), byteCount(padding)) != 0
        || sdl->AudioStreamFlush(stream.get()) != 0) {
        return nullptr;
    }

    auto clip = std::make_shared<PcmClip>();
    clip->samples.resize(outputFrames * PcmClip::kChannels);
    const int got
        = sdl->AudioStreamGet(stream.get(), clip->samples.data(), byteCount(clip->samples));
    if (got < 0) {
        return nullptr;
    }
    clip->samples.resize(static_cast<std::size_t>(got) / sizeof(std::int16_t));
    // Keep whole frames only.
    clip->samples.resize(clip->frameCount() * PcmClip::kChannels);
    if (clip->samples.empty()) {
        return nullptr;
    }
    return clip;
}

} // namespace tarnwick
