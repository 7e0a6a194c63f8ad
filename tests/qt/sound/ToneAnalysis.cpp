#include "ToneAnalysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace tarnwick::test {

ToneAnalysis::ToneAnalysis(std::vector<float> samples, int sampleRate)
    : m_samples(std::move(samples))
    , m_sampleRate(sampleRate)
{ }

double ToneAnalysis::duration() const
{
    return static_cast<double>(m_samples.size()) / m_sampleRate;
}

std::size_t ToneAnalysis::windowCount() const
{
    const auto window = static_cast<std::size_t>(kWindow * m_sampleRate);
    const auto hop = static_cast<std::size_t>(kHop * m_sampleRate);
    return m_samples.size() < window ? 0 : (m_samples.size() - window) / hop + 1;
}

double ToneAnalysis::amplitude(double windowStart, double frequency) const
{
    const auto length = static_cast<std::size_t>(kWindow * m_sampleRate);
    const auto first = static_cast<std::size_t>(std::max(0.0, windowStart) * m_sampleRate);
    if (first + length > m_samples.size()) {
        return 0.0;
    }
    // Goertzel: one bin of the discrete Fourier transform.
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / m_sampleRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (std::size_t i = first; i < first + length; ++i) {
        const double current = m_samples[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious
        - coefficient * previous * beforePrevious;
    return 2.0 * std::sqrt(std::max(0.0, power)) / static_cast<double>(length);
}

std::vector<ToneAnalysis::Span> ToneAnalysis::spans(double frequency, double threshold,
    double bridged, const std::function<bool(const Span& gap)>& explained) const
{
    std::vector<Span> found;
    for (std::size_t w = 0; w < windowCount(); ++w) {
        const double start = static_cast<double>(w) * kHop;
        if (amplitude(start, frequency) <= threshold) {
            continue;
        }
        const double centre = start + kWindow / 2.0;
        const double gap = found.empty() ? 0.0 : centre - found.back().end - kHop;
        if (found.empty()
            || (gap > bridged + kHop / 2.0
                && !(explained && explained({ found.back().end + kHop, centre, 0.0 })))) {
            found.push_back({ centre, centre, 0.0 });
        } else {
            found.back().gaps += gap;
            found.back().end = centre;
        }
    }
    return found;
}

int ToneAnalysis::overlappingWindows(double first, double second, double threshold) const
{
    int count = 0;
    for (std::size_t w = 0; w < windowCount(); ++w) {
        const double start = static_cast<double>(w) * kHop;
        if (amplitude(start, first) > threshold && amplitude(start, second) > threshold) {
            ++count;
        }
    }
    return count;
}

double ToneAnalysis::peakBetween(double start, double end) const
{
    const auto first = static_cast<std::size_t>(std::max(0.0, start) * m_sampleRate);
    const auto last
        = std::min(m_samples.size(), static_cast<std::size_t>(std::max(0.0, end) * m_sampleRate));
    double peak = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        peak = std::max(peak, static_cast<double>(std::abs(m_samples[i])));
    }
    return peak;
}

double ToneAnalysis::strongestFrequency(double windowStart, double low, double high) const
{
    double best = low;
    double bestAmplitude = -1.0;
    const auto steps = static_cast<int>((high - low) / 5.0);
    for (int step = 0; step <= steps; ++step) {
        const double frequency = low + 5.0 * step;
        const double value = amplitude(windowStart, frequency);
        if (value > bestAmplitude) {
            bestAmplitude = value;
            best = frequency;
        }
    }
    return best;
}

} // namespace tarnwick::test
