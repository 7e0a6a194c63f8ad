#include "CueSynthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tarnwick {

namespace {

constexpr double kRate = CueSynthesizer::kSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

/// One sine component of a struck or blown sound.
struct Partial {
    double ratio; ///< Frequency as a multiple of the note's pitch.
    double amplitude;
    double decaySeconds; ///< Time to fall to 1/e; 0 holds the level.
};

/// Equal-tempered pitch of a note given as semitones from A4 (440 Hz).
double pitch(int semitonesFromA4)
{
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

std::vector<float> silence(double seconds)
{
    return std::vector<float>(static_cast<std::size_t>(seconds * kRate), 0.0F);
}

/// Adds a note with the given partials to @p out at @p start seconds. The
/// attack is a short raised cosine so no note starts with a click; after
/// @p length seconds it fades out over @p release seconds.
void addNote(std::vector<float>& out, double start, double length, double frequency,
    const std::vector<Partial>& partials, double attack, double release, double gain = 1.0,
    double vibratoDepth = 0.0)
{
    const auto first = static_cast<std::size_t>(start * kRate);
    const auto count = static_cast<std::size_t>((length + release) * kRate);
    std::vector<double> phases(partials.size(), 0.0);
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double envelope = 1.0;
        if (t < attack) {
            envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * t / attack);
        } else if (t > length) {
            envelope
                = 0.5 + 0.5 * std::cos(std::numbers::pi * std::min(1.0, (t - length) / release));
        }
        // A slow vibrato that grows in, as a held sad note would.
        const double vibrato
            = 1.0 + vibratoDepth * std::min(1.0, t / 0.25) * std::sin(kTwoPi * 5.5 * t);
        double value = 0.0;
        for (std::size_t p = 0; p < partials.size(); ++p) {
            const Partial& partial = partials[p];
            phases[p] += kTwoPi * frequency * partial.ratio * vibrato / kRate;
            const double decay
                = partial.decaySeconds > 0.0 ? std::exp(-t / partial.decaySeconds) : 1.0;
            value += partial.amplitude * decay * std::sin(phases[p]);
        }
        out[first + i] += static_cast<float>(gain * envelope * value);
    }
}

/// A short burst of soft noise, the contact of the peg with the board.
void addContactNoise(std::vector<float>& out, double seconds, double amplitude, double smoothing)
{
    std::uint32_t state = 0x2545F491U;
    double low = 0.0;
    const auto count = static_cast<std::size_t>(seconds * kRate);
    for (std::size_t i = 0; i < count && i < out.size(); ++i) {
        state = state * 1664525U + 1013904223U;
        const double white
            = static_cast<double>(state >> 8) / static_cast<double>(1U << 24) * 2.0 - 1.0;
        low += smoothing * (white - low);
        const double t = static_cast<double>(i) / static_cast<double>(count);
        out[i] += static_cast<float>(amplitude * low * std::sin(std::numbers::pi * t));
    }
}

/// Scales @p samples so the loudest one reaches @p peak, and fades the
/// last few milliseconds to zero.
std::vector<float> finish(std::vector<float> samples, double peak)
{
    float loudest = 0.0F;
    for (const float sample : samples) {
        loudest = std::max(loudest, std::abs(sample));
    }
    const auto fade = std::min(samples.size(), static_cast<std::size_t>(0.005 * kRate));
    for (std::size_t i = 0; i < fade; ++i) {
        samples[samples.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
    }
    if (loudest > 0.0F) {
        const auto scale = static_cast<float>(peak / loudest);
        for (float& sample : samples) {
            sample *= scale;
        }
    }
    return samples;
}

// Levels: the two cues of every move sit well below the end-of-game cues.
constexpr double kPickupPeak = 0.16;
constexpr double kPegdropPeak = 0.22;
constexpr double kPhrasePeak = 0.45;

std::vector<float> pickup()
{
    // A light, bright tick.
    auto out = silence(0.09);
    const std::vector<Partial> tick { { 1.0, 1.0, 0.012 }, { 1.62, 0.45, 0.007 },
        { 0.6, 0.35, 0.02 } };
    addNote(out, 0.0, 0.08, 1900.0, tick, 0.0015, 0.01);
    addContactNoise(out, 0.003, 0.25, 0.2);
    return finish(out, kPickupPeak);
}

std::vector<float> pegdrop()
{
    // A wooden knock: low, quickly damped modes of a block, and a dull thud.
    auto out = silence(0.2);
    const std::vector<Partial> wood { { 1.0, 1.0, 0.035 }, { 2.56, 0.6, 0.022 },
        { 4.77, 0.35, 0.014 }, { 7.8, 0.18, 0.009 } };
    addNote(out, 0.0, 0.19, 220.0, wood, 0.001, 0.01);
    addContactNoise(out, 0.005, 0.5, 0.15);
    return finish(out, kPegdropPeak);
}

/// Struck bar: a strong fundamental, a soft octave and a fast bright overtone.
std::vector<Partial> bar(double ring)
{
    return { { 1.0, 1.0, ring }, { 2.0, 0.22, ring * 0.5 }, { 3.98, 0.1, ring * 0.15 } };
}

std::vector<float> winner()
{
    // C5 E5 G5 rising to a ringing C6 over a soft C5.
    auto out = silence(1.25);
    const int notes[] = { 3, 7, 10 };
    double start = 0.0;
    for (const int note : notes) {
        addNote(out, start, 0.2, pitch(note), bar(0.25), 0.004, 0.08);
        start += 0.11;
    }
    addNote(out, start, 0.75, pitch(15), bar(0.4), 0.004, 0.12);
    addNote(out, start, 0.75, pitch(3), bar(0.4), 0.004, 0.12, 0.3);
    return finish(out, kPhrasePeak);
}

/// A soft, round horn: falling overtones, no decay while held.
std::vector<Partial> horn()
{
    std::vector<Partial> partials;
    for (int n = 1; n <= 6; ++n) {
        partials.push_back({ static_cast<double>(n), 1.0 / std::pow(n, 1.6), 0.0 });
    }
    return partials;
}

std::vector<float> loser()
{
    // Three steps down by semitones and a long, wavering last note.
    auto out = silence(1.45);
    const int notes[] = { -2, -3, -4 };
    double start = 0.0;
    for (const int note : notes) {
        addNote(out, start, 0.17, pitch(note), horn(), 0.025, 0.05);
        start += 0.25;
    }
    addNote(out, start, 0.5, pitch(-5), horn(), 0.025, 0.15, 1.0, 0.012);
    // A held horn carries more energy than struck bars; keep it as loud to the ear.
    return finish(out, kPhrasePeak * 0.75);
}

std::vector<float> loser4()
{
    // A falling A-minor arpeggio on struck bars.
    auto out = silence(1.15);
    const int notes[] = { 7, 3, 0 };
    double start = 0.0;
    for (const int note : notes) {
        addNote(out, start, 0.22, pitch(note), bar(0.22), 0.004, 0.08);
        start += 0.16;
    }
    addNote(out, start, 0.55, pitch(-5), bar(0.35), 0.004, 0.12);
    return finish(out, kPhrasePeak * 0.9);
}

std::vector<float> loser3()
{
    // A glide down an octave and a half, then a low, short bump.
    auto out = silence(1.0);
    const std::vector<Partial> whistle { { 1.0, 1.0, 0.0 }, { 2.0, 0.12, 0.0 } };
    const double from = pitch(-2 + 12);
    const double to = pitch(-2 - 6);
    const double glide = 0.6;
    const auto count = static_cast<std::size_t>(glide * kRate);
    double phase = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double frequency = from * std::pow(to / from, t / glide);
        phase += kTwoPi * frequency / kRate;
        const double attack = std::min(1.0, t / 0.02);
        const double fadeOut = std::min(1.0, (glide - t) / 0.08);
        const double envelope
            = attack * fadeOut * (0.7 + 0.3 * std::cos(std::numbers::pi * t / glide));
        double value = 0.0;
        for (const Partial& partial : whistle) {
            value += partial.amplitude * std::sin(partial.ratio * phase);
        }
        out[i] += static_cast<float>(envelope * value);
    }
    addNote(out, 0.68, 0.12, pitch(-2 - 12), horn(), 0.01, 0.12, 0.8);
    return finish(out, kPhrasePeak * 0.85);
}

} // namespace

std::vector<float> CueSynthesizer::render(Cue cue)
{
    switch (cue) {
    case Cue::pickup:
        return pickup();
    case Cue::pegdrop:
        return pegdrop();
    case Cue::winner:
        return winner();
    case Cue::loser:
        return loser();
    case Cue::loser4:
        return loser4();
    case Cue::loser3:
        return loser3();
    }
    return {};
}

} // namespace tarnwick
