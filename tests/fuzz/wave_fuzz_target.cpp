// libFuzzer entry: every input is a cue file a player might put beside the
// game. Whatever it holds, the reader returns within its limits, mono or
// stereo, or nothing.
#include "WaveReader.h"

#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using tarnwick::WaveReader;
    const auto sound
        = WaveReader::read(std::span<const char>(reinterpret_cast<const char*>(data), size));
    if (!sound) {
        return 0;
    }
    const std::size_t frames = sound->frameCount();
    // Wider sounds come out mixed down to stereo.
    const bool within = sound->channels >= 1 && sound->channels <= 2
        && sound->sampleRate >= WaveReader::kMinSampleRate
        && sound->sampleRate <= WaveReader::kMaxSampleRate && frames > 0
        && sound->samples.size() == frames * static_cast<std::size_t>(sound->channels)
        && frames <= static_cast<std::size_t>(WaveReader::kMaxSeconds)
                * static_cast<std::size_t>(sound->sampleRate)
        && sound->samples.size() * sizeof(std::int16_t) <= WaveReader::kMaxDecodedBytes
        // Every sample comes from at least one byte of the file.
        && sound->samples.size() <= size;
    if (!within) {
        std::fprintf(stderr, "outside the limits: %d channels, %d Hz, %zu samples\n",
            sound->channels, sound->sampleRate, sound->samples.size());
        std::abort();
    }
    return 0;
}
