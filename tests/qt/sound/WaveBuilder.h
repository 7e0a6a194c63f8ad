#pragma once

#include <QByteArray>

#include <vector>

namespace tarnwick::test {

/// How the samples of a wave file are stored.
enum class SampleEncoding { unsigned8, signed16, signed24, signed32, float32 };

/// The layout of a wave file to build.
struct WaveLayout {
    SampleEncoding encoding = SampleEncoding::signed16;
    int channels = 1;
    int sampleRate = 48000;
};

/// Builds wave files in memory, the way other programs write them.
class WaveBuilder {
public:
    /// A wave file holding @p mono (full scale -1..1) on every channel.
    static QByteArray encode(const WaveLayout& layout, const std::vector<float>& mono);

    /// A wave file holding a sine tone that fades in and out over 2 ms.
    static QByteArray tone(
        const WaveLayout& layout, double frequency, double seconds, double amplitude = 0.4);

    /// The samples of a sine tone at @p sampleRate, with 2 ms fades.
    static std::vector<float> toneSamples(
        int sampleRate, double frequency, double seconds, double amplitude);
};

} // namespace tarnwick::test
