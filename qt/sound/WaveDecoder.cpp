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

/// Which side channel @p index of a frame goes to: 0 left, 1 right, 2 both.
int sideOf(std::size_t index)
{
    if (index == 2 || index == 3) {
        return 2;
    }
    return static_cast<int>(index % 2);
}

/// @p sound with one or two channels, as it is, or mixed down to two.
std::vector<std::int16_t> toAtMostStereo(const WaveSound& sound)
{
    const auto channels = static_cast<std::size_t>(sound.channels);
    if (channels <= 2) {
        return sound.samples;
    }
    int leftCount = 0;
    int rightCount = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        leftCount += sideOf(c) != 1 ? 1 : 0;
        rightCount += sideOf(c) != 0 ? 1 : 0;
    }
    std::vector<std::int16_t> stereo(sound.frameCount() * 2);
    for (std::size_t frame = 0; frame < sound.frameCount(); ++frame) {
        int left = 0;
        int right = 0;
        for (std::size_t c = 0; c < channels; ++c) {
            const int sample = sound.samples[frame * channels + c];
            left += sideOf(c) != 1 ? sample : 0;
            right += sideOf(c) != 0 ? sample : 0;
        }
        stereo[frame * 2] = static_cast<std::int16_t>(left / leftCount);
        stereo[frame * 2 + 1] = static_cast<std::int16_t>(right / rightCount);
    }
    return stereo;
}

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
    const std::vector<std::int16_t> input = toAtMostStereo(sound);
    const int channels = sound.channels == 1 ? 1 : 2;
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
