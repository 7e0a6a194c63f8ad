#include "CueFile.h"

#include "CueCatalog.h"
#include "WaveReader.h"

#include <fstream>
#include <system_error>

namespace tarnwick {

static_assert(kMaxCueFileBytes >= 2 * WaveReader::kMaxDecodedBytes,
    "the cue file cap must hold the longest sound the reader takes, in 32-bit samples");

std::vector<char> CueFile::read(const std::filesystem::path& path)
{
    std::error_code error;
    // Opening a FIFO would wait for a writer, and a directory holds no bytes.
    if (!std::filesystem::is_regular_file(path, error)) {
        return {};
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxCueFileBytes) {
        return {};
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes(static_cast<std::size_t>(size));
    if (!file.read(bytes.data(), static_cast<std::streamsize>(size))) {
        return {}; // unreadable, or shorter than it was a moment ago
    }
    // Still growing: a copy under way, which the next play reads whole.
    if (file.peek() != std::ifstream::traits_type::eof()) {
        return {};
    }
    return bytes;
}

} // namespace tarnwick
