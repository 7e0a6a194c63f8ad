#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::test {

/// The bytes of a file, as built.
using WaveBytes = std::string;

/// How the samples of a wave file are stored.
enum class SampleEncoding { unsigned8, signed16, signed24, signed32, float32 };

/// The layout of a wave file to build.
struct WaveLayout {
    SampleEncoding encoding = SampleEncoding::signed16;
    int channels = 1;
    int sampleRate = 48000;
    bool extensible = false; ///< WAVE_FORMAT_EXTENSIBLE rather than the plain tag
};

/// Every field of a wave file's header as written, so a test can craft
/// headers no sound program would.
struct WaveHeader {
    std::uint16_t formatTag = 1; ///< 1 PCM, 3 float, 0xFFFE extensible
    std::uint16_t subFormat = 1; ///< the extensible header's format tag
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 48000;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::optional<std::uint32_t> fmtSize {}; ///< stated; by default the real size
    std::optional<std::uint32_t> dataSize {}; ///< stated; by default the bytes given

    /// The header a sound program writes for @p layout.
    static WaveHeader of(const WaveLayout& layout);
};

/// Builds wave files in memory, the way other programs write them. No
/// toolkit, so the reader's tests run wherever the reader does.
class WaveBuilder {
public:
    /// A wave file holding @p mono (full scale -1..1) on every channel.
    static WaveBytes encode(const WaveLayout& layout, const std::vector<float>& mono);

    /// A wave file with @p header followed by @p sampleBytes, as they are.
    static WaveBytes craft(const WaveHeader& header, const WaveBytes& sampleBytes);

    /// A wave file holding a sine tone that fades in and out over 2 ms.
    static WaveBytes tone(
        const WaveLayout& layout, double frequency, double seconds, double amplitude = 0.4);

    /// The samples of a sine tone at @p sampleRate, with 2 ms fades.
    static std::vector<float> toneSamples(
        int sampleRate, double frequency, double seconds, double amplitude);
};

} // namespace tarnwick::test
