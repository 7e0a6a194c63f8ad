#include "WaveReader.h"

#include "StereoDownmix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace tarnwick {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kPlainFmtBytes = 16;
constexpr std::size_t kExtensibleFmtBytes = 40;
/// The sub-format GUID of an extensible file after its first two bytes,
/// which hold the plain format tag.
constexpr std::array<unsigned char, 14> kSubFormatTail
    = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };

std::uint32_t littleEndian(std::span<const char> bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

bool hasTag(std::span<const char> bytes, std::size_t at, std::string_view tag)
{
    return std::string_view(bytes.data() + at, tag.size()) == tag;
}

enum class Encoding { unsigned8, signed16, signed24, signed32, float32 };

struct Format {
    Encoding encoding = Encoding::signed16;
    int channels = 0;
    int sampleRate = 0;
    std::size_t blockAlign = 0;
};

/// The format in the "fmt " chunk @p fmt, or nothing if it is outside the limits.
std::optional<Format> readFormat(std::span<const char> fmt)
{
    if (fmt.size() < kPlainFmtBytes) {
        return std::nullopt;
    }
    auto tag = static_cast<std::uint16_t>(littleEndian(fmt, 0, 2));
    const std::uint32_t channels = littleEndian(fmt, 2, 2);
    const std::uint32_t rate = littleEndian(fmt, 4, 4);
    const std::uint32_t blockAlign = littleEndian(fmt, 12, 2);
    const std::uint32_t bits = littleEndian(fmt, 14, 2);
    if (tag == kFormatExtensible) {
        if (fmt.size() < kExtensibleFmtBytes || littleEndian(fmt, 16, 2) < 22
            || std::memcmp(fmt.data() + 26, kSubFormatTail.data(), kSubFormatTail.size()) != 0) {
            return std::nullopt;
        }
        // The valid bits are at most the container's; the reader keeps the
        // container's top 16 bits either way.
        const std::uint32_t validBits = littleEndian(fmt, 18, 2);
        if (validBits > bits) {
            return std::nullopt;
        }
        tag = static_cast<std::uint16_t>(littleEndian(fmt, 24, 2));
    }
    if (channels < 1 || channels > WaveReader::kMaxChannels || rate < WaveReader::kMinSampleRate
        || rate > WaveReader::kMaxSampleRate || bits % 8 != 0 || blockAlign == 0
        || blockAlign != channels * (bits / 8)) {
        return std::nullopt;
    }
    Format format { Encoding::signed16, static_cast<int>(channels), static_cast<int>(rate),
        blockAlign };
    if (tag == kFormatPcm && bits == 8) {
        format.encoding = Encoding::unsigned8;
    } else if (tag == kFormatPcm && bits == 16) {
        format.encoding = Encoding::signed16;
    } else if (tag == kFormatPcm && bits == 24) {
        format.encoding = Encoding::signed24;
    } else if (tag == kFormatPcm && bits == 32) {
        format.encoding = Encoding::signed32;
    } else if (tag == kFormatFloat && bits == 32) {
        format.encoding = Encoding::float32;
    } else {
        return std::nullopt;
    }
    return format;
}

std::int16_t sampleAt(std::span<const char> data, std::size_t at, Encoding encoding)
{
    switch (encoding) {
    case Encoding::unsigned8:
        return static_cast<std::int16_t>((static_cast<int>(littleEndian(data, at, 1)) - 128) * 256);
    case Encoding::signed16:
        return static_cast<std::int16_t>(littleEndian(data, at, 2));
    case Encoding::signed24:
        return static_cast<std::int16_t>(littleEndian(data, at + 1, 2));
    case Encoding::signed32:
        return static_cast<std::int16_t>(littleEndian(data, at + 2, 2));
    case Encoding::float32: {
        const std::uint32_t bits = littleEndian(data, at, 4);
        float value = 0.0F;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value)) {
            return 0;
        }
        const double scaled = std::clamp(static_cast<double>(value) * 32768.0, -32768.0, 32767.0);
        return static_cast<std::int16_t>(std::lround(scaled));
    }
    }
    return 0;
}

std::size_t bytesPerSample(Encoding encoding)
{
    switch (encoding) {
    case Encoding::unsigned8:
        return 1;
    case Encoding::signed16:
        return 2;
    case Encoding::signed24:
        return 3;
    case Encoding::signed32:
    case Encoding::float32:
        return 4;
    }
    return 0;
}

/// A file within the limits: its format, its data chunk and its whole frames.
struct Parsed {
    Format format;
    std::span<const char> data;
    std::size_t frames = 0;
};

std::optional<Parsed> parse(std::span<const char> bytes)
{
    constexpr std::size_t kRiffHeaderBytes = 12;
    if (bytes.size() < kRiffHeaderBytes || !hasTag(bytes, 0, "RIFF") || !hasTag(bytes, 8, "WAVE")) {
        return std::nullopt;
    }
    // The RIFF size is often wrong in files that play elsewhere; the chunks
    // are bounded by the file itself instead.
    std::optional<std::span<const char>> fmt;
    std::optional<std::span<const char>> data;
    std::size_t at = kRiffHeaderBytes;
    while (!(fmt && data)) {
        if (bytes.size() - at < kChunkHeaderBytes) {
            return std::nullopt;
        }
        const std::size_t size = littleEndian(bytes, at + 4, 4);
        const std::size_t body = at + kChunkHeaderBytes;
        if (size > bytes.size() - body) {
            return std::nullopt;
        }
        const auto chunk = bytes.subspan(body, size);
        if (hasTag(bytes, at, "fmt ") && !fmt) {
            fmt = chunk;
        } else if (hasTag(bytes, at, "data") && !data) {
            data = chunk;
        }
        // Chunks are padded to an even length; the last one's pad may be missing.
        at = std::min(body + size + size % 2, bytes.size());
    }

    const std::optional<Format> format = readFormat(*fmt);
    if (!format) {
        return std::nullopt;
    }
    const std::size_t frames = data->size() / format->blockAlign;
    const auto channels = static_cast<std::size_t>(format->channels);
    if (frames == 0
        || frames > static_cast<std::size_t>(WaveReader::kMaxSeconds)
                * static_cast<std::size_t>(format->sampleRate)
        || frames * channels > WaveReader::kMaxDecodedBytes / sizeof(std::int16_t)) {
        return std::nullopt;
    }
    return Parsed { *format, *data, frames };
}

} // namespace

std::size_t WaveSound::frameCount() const
{
    return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
}

std::optional<WaveShape> WaveReader::shape(std::span<const char> bytes)
{
    const std::optional<Parsed> parsed = parse(bytes);
    if (!parsed) {
        return std::nullopt;
    }
    return WaveShape { parsed->format.sampleRate, std::min(parsed->format.channels, 2),
        parsed->frames };
}

bool WaveReader::decode(std::span<const char> bytes, std::span<std::int16_t> samples)
{
    const std::optional<Parsed> parsed = parse(bytes);
    const auto channels = parsed ? static_cast<std::size_t>(parsed->format.channels) : 0;
    const std::size_t heard = std::min<std::size_t>(channels, 2);
    if (!parsed || samples.size() != parsed->frames * heard) {
        return false;
    }
    const Encoding encoding = parsed->format.encoding;
    const std::size_t step = bytesPerSample(encoding);
    if (channels <= 2) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = sampleAt(parsed->data, i * step, encoding);
        }
        return true;
    }
    // Frame by frame, so a wide sound never needs its unmixed samples whole.
    const StereoDownmix downmix(parsed->format.channels);
    std::array<std::int16_t, kMaxChannels> frame {};
    for (std::size_t f = 0; f < parsed->frames; ++f) {
        for (std::size_t c = 0; c < channels; ++c) {
            frame[c] = sampleAt(parsed->data, (f * channels + c) * step, encoding);
        }
        downmix.mix(std::span(frame).first(channels), samples.subspan(f * 2).first<2>());
    }
    return true;
}

std::optional<WaveSound> WaveReader::read(std::span<const char> bytes)
{
    const std::optional<WaveShape> found = shape(bytes);
    if (!found) {
        return std::nullopt;
    }
    WaveSound sound;
    sound.sampleRate = found->sampleRate;
    sound.channels = found->channels;
    sound.samples.resize(found->sampleCount());
    decode(bytes, sound.samples);
    return sound;
}

} // namespace tarnwick
