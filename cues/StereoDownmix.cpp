#include "StereoDownmix.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

StereoDownmix::StereoDownmix(int channels)
{
    const auto count = static_cast<std::size_t>(std::clamp(channels, 0, WaveReader::kMaxChannels));
    std::int64_t leftWeights = 0;
    std::int64_t rightWeights = 0;
    for (std::size_t c = 0; c < count; ++c) {
        leftWeights += kSpeakers[c].left;
        rightWeights += kSpeakers[c].right;
    }
    m_divisor = std::max<std::int64_t>({ leftWeights, rightWeights, 1 });
}

void StereoDownmix::mix(
    std::span<const std::int16_t> frame, std::span<std::int16_t, 2> stereo) const
{
    std::int64_t left = 0;
    std::int64_t right = 0;
    for (std::size_t c = 0; c < frame.size() && c < kSpeakers.size(); ++c) {
        left += frame[c] * kSpeakers[c].left;
        right += frame[c] * kSpeakers[c].right;
    }
    stereo[0] = divided(left, m_divisor);
    stereo[1] = divided(right, m_divisor);
}

} // namespace tarnwick
