#include "WaveDecoder.h"

#include "SdlLibrary.h"

#include <cmath>
#include <memory>
#include <vector>

namespace tarnwick {

namespace {

struct WaveBufferDeleter {
    const SdlLibrary* sdl;
    void operator()(Uint8* buffer) const { sdl->FreeWAV(buffer); }
};

struct AudioStreamDeleter {
    const SdlLibrary* sdl;
    void operator()(SDL_AudioStream* stream) const { sdl->FreeAudioStream(stream); }
};

} // namespace

std::shared_ptr<const PcmClip> WaveDecoder::decode(std::span<const char> bytes)
{
    const SdlLibrary* sdl = SdlLibrary::get();
    if (bytes.empty() || sdl == nullptr) {
        return nullptr;
    }
    SDL_RWops* source = sdl->RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (source == nullptr) {
        return nullptr;
    }
    SDL_AudioSpec waveFormat {};
    Uint8* rawBuffer = nullptr;
    Uint32 length = 0;
    if (sdl->LoadWAV_RW(source, 1, &waveFormat, &rawBuffer, &length) == nullptr) {
        return nullptr;
    }
    const std::unique_ptr<Uint8, WaveBufferDeleter> buffer(rawBuffer, WaveBufferDeleter { sdl });

    const int frameBytes = SDL_AUDIO_BITSIZE(waveFormat.format) / 8 * waveFormat.channels;
    if (frameBytes <= 0 || waveFormat.freq <= 0) {
        return nullptr;
    }
    const std::size_t inputFrames = length / static_cast<Uint32>(frameBytes);
    const auto outputFrames = static_cast<std::size_t>(
        std::llround(static_cast<double>(inputFrames) * PcmClip::kSampleRate / waveFormat.freq));

    // SDL's resampler holds back the last part of its input even when
    // flushed; feed it a tenth of a second of silence after the sound and
    // keep exactly as many frames as the sound lasts.
    const std::size_t paddingBytes
        = static_cast<std::size_t>(waveFormat.freq / 10) * static_cast<std::size_t>(frameBytes);
    const std::vector<Uint8> padding(paddingBytes, waveFormat.format == AUDIO_U8 ? 0x80 : 0x00);

    const std::unique_ptr<SDL_AudioStream, AudioStreamDeleter> stream(
        sdl->NewAudioStream(waveFormat.format, waveFormat.channels, waveFormat.freq, AUDIO_S16SYS,
            PcmClip::kChannels, PcmClip::kSampleRate),
        AudioStreamDeleter { sdl });
    if (!stream || sdl->AudioStreamPut(stream.get(), buffer.get(), static_cast<int>(length)) != 0
        || sdl->AudioStreamPut(stream.get(), padding.data(), static_cast<int>(padding.size())) != 0
        || sdl->AudioStreamFlush(stream.get()) != 0) {
        return nullptr;
    }

    auto clip = std::make_shared<PcmClip>();
    clip->samples.resize(outputFrames * PcmClip::kChannels);
    const int wanted = static_cast<int>(clip->samples.size() * sizeof(std::int16_t));
    const int got = sdl->AudioStreamGet(stream.get(), clip->samples.data(), wanted);
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
