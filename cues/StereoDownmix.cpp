#include "StereoDownmix.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarnwick {

namespace {

constexpr std::int64_t kFull = 32768;
constexpr std::int64_t kHalfPower = 23170; // 32768 / sqrt(2), rounded

struct Weights {
    std::int64_t left;
    std::int64_t right;
};

/// FL, FR, FC, LFE, BL, BR, SL, SR.
constexpr std::array<Weights, WaveReader::kMaxChannels> kSpeakers { {
    { kFull, 0 },
    { 0, kFull },
    { kHalfPower, kHalfPower },
    { 0, 0 },
    { kHalfPower, 0 },
    { 0, kHalfPower },
    { kHalfPower, 0 },
    { 0, kHalfPower },
} };

std::int16_t divided(std::int64_t sum, std::int64_t divisor)
{
    const std::int64_t half = divisor / 2;
    const std::int64_t rounded = (sum >= 0 ? sum + half : sum - half) / divisor;
    // The divisor is at least the sum of the weights: no overflow is left.
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(rounded, -32768, 32767));
}

} // namespace

WaveSound StereoDownmix::apply(WaveSound sound)
{
    if (sound.channels <= 2 || sound.channels > WaveReader::kMaxChannels) {
        return sound;
    }
    const auto channels = static_cast<std::size_t>(sound.channels);
    std::int64_t leftWeights = 0;
    std::int64_t rightWeights = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        leftWeights += kSpeakers[c].left;
        rightWeights += kSpeakers[c].right;
    }
    const std::int64_t divisor = std::max(leftWeights, rightWeights);

    const std::size_t frames = sound.frameCount();
    std::vector<std::int16_t> stereo(frames * 2);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        std::int64_t left = 0;
        std::int64_t right = 0;
        for (std::size_t c = 0; c < channels; ++c) {
            const std::int64_t sample = sound.samples[frame * channels + c];
            left += sample * kSpeakers[c].left;
            right += sample * kSpeakers[c].right;
        }
        stereo[frame * 2] = divided(left, divisor);
        stereo[frame * 2 + 1] = divided(right, divisor);
    }
    sound.channels = 2;
    sound.samples = std::move(stereo);
    return sound;
}

} // namespace tarnwick
