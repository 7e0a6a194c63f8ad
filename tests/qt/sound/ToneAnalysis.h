#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace tarnwick::test {

/// Tells which pure tones sound when in a mono recording, by the Goertzel
/// amplitude of each tone in 20 ms windows taken every 5 ms.
class ToneAnalysis {
public:
    /// A stretch of time, in seconds from the start of the recording.
    struct Span {
        double start = 0.0;
        double end = 0.0;
        double gaps = 0.0; ///< Short dropouts inside the span.
        /// How long the tone sounded.
        double length() const { return end - start - gaps; }
    };

    /// Analyses @p samples (full scale -1..1) recorded at @p sampleRate.
    ToneAnalysis(std::vector<float> samples, int sampleRate);

    /// Length of the recording in seconds.
    double duration() const;

    /// Amplitude (0..1) of the sine at @p frequency in the window starting at
    /// @p windowStart seconds.
    double amplitude(double windowStart, double frequency) const;

    /// The stretches in which @p frequency sounds at more than @p threshold.
    /// A window counts at its centre, so for a steady tone and a threshold of
    /// half its amplitude the spans match the tone's true start and end.
    /// Gaps up to @p bridged seconds (a buffer lost on a busy machine) do not
    /// split a span, nor do longer ones that @p explained accepts (it gets
    /// the gap as a span); they are counted in its gaps.
    std::vector<Span> spans(double frequency, double threshold, double bridged = 0.0,
        const std::function<bool(const Span& gap)>& explained = {}) const;

    /// Number of windows in which both tones sound above @p threshold.
    int overlappingWindows(double first, double second, double threshold) const;

    /// The largest absolute sample between @p start and @p end seconds.
    double peakBetween(double start, double end) const;

    /// The frequency between @p low and @p high (in 5 Hz steps) that is
    /// strongest in the window at @p windowStart.
    double strongestFrequency(double windowStart, double low, double high) const;

    /// Window length and step, in seconds.
    static constexpr double kWindow = 0.020;
    static constexpr double kHop = 0.005;

private:
    std::size_t windowCount() const;

    std::vector<float> m_samples;
    int m_sampleRate;
};

} // namespace tarnwick::test
