#pragma once

#include <string>
#include <vector>

namespace tarnwick {

/// Writes mono sound as a 16-bit PCM wave file.
class WaveWriter {
public:
    /// Writes @p samples (full scale is -1..1; beyond is clipped) at
    /// @p sampleRate to @p path. Returns false if the file cannot be written.
    static bool writeMono16(
        const std::string& path, const std::vector<float>& samples, int sampleRate);
};

} // namespace tarnwick
