#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarnwick {

/// Samples read from a wave file, within WaveReader's limits.
struct WaveSound {
    int sampleRate = 0; ///< frames per second
    int channels = 0; ///< samples per frame: 1, or 2 from WaveReader (see StereoDownmix)
    std::vector<std::int16_t> samples; ///< interleaved, signed 16-bit

    /// Number of frames (samples per channel).
    std::size_t frameCount() const;
};

/// What WaveReader makes of a wave file, known from its header before any
/// sample is decoded.
struct WaveShape {
    int sampleRate = 0; ///< frames per second
    int channels = 0; ///< as read: 1, or 2 (see StereoDownmix)
    std::size_t frames = 0;

    /// Number of 16-bit samples the sound takes, all channels.
    std::size_t sampleCount() const { return frames * static_cast<std::size_t>(channels); }
};

/// Reads the wave files a player may put beside the game. Standard C++ only,
/// so every front-end reads them the same way, and no toolkit or system
/// library ever sees the player's bytes.
///
/// Everything the header states is checked against the limits below and
/// against the file's own length before anything is allocated:
/// - integer PCM of 8, 16, 24 or 32 bits, or 32-bit float, plain or as
///   WAVE_FORMAT_EXTENSIBLE; the block align must be channels times the
///   sample size;
/// - 1 to kMaxChannels channels, kMinSampleRate to kMaxSampleRate frames a
///   second, at most kMaxSeconds of sound and at most kMaxDecodedBytes of
///   16-bit samples;
/// - the "fmt " and "data" chunks, and every chunk before them, lie within
///   the file. A data chunk that claims more bytes than the file holds is
///   refused, not played in part: such a file was cut short on its way, and
///   its sound would stop in mid-stroke. A missing pad byte after the last
///   chunk is allowed, and so is anything after both chunks.
///
/// Samples become signed 16-bit: 8-bit ones are centred and scaled up, wider
/// ones keep their top 16 bits, floats are scaled by 32768, rounded to
/// nearest and clamped (NaN becomes silence). A sound of more than two
/// channels comes out as stereo (StereoDownmix), so every front-end hears it
/// alike.
class WaveReader {
public:
    static constexpr int kMaxChannels = 8;
    static constexpr int kMinSampleRate = 4000;
    static constexpr int kMaxSampleRate = 384000;
    static constexpr int kMaxSeconds = 60;
    static constexpr std::size_t kMaxDecodedBytes = 32u << 20; // of 16-bit samples

    /// The sound in @p bytes, or nothing for anything outside the limits or not a wave file.
    /// A file with no frames at all is nothing too.
    static std::optional<WaveSound> read(std::span<const char> bytes);

    /// What read() would return for @p bytes, without its samples: nothing
    /// where read() returns nothing. Allocates nothing.
    static std::optional<WaveShape> shape(std::span<const char> bytes);

    /// Writes the samples read() would return for @p bytes into @p samples,
    /// which must hold exactly shape(bytes)->sampleCount() of them; false,
    /// with nothing written, otherwise. Allocates nothing, so a caller that
    /// cannot survive a failed allocation (the page's build has no
    /// exceptions) makes the one allocation itself and checks it.
    static bool decode(std::span<const char> bytes, std::span<std::int16_t> samples);
};

} // namespace tarnwick
