#pragma once

#include <filesystem>
#include <vector>

namespace tarnwick {

/// The bounded read of a cue file on the desktop, the same for every
/// front-end. Standard C++ only.
class CueFile {
public:
    /// The bytes of the file at @p path as it is now, or nothing (empty) for
    /// a file that is missing, unreadable, not a regular file (a directory,
    /// a FIFO, a device), empty, larger than kMaxCueFileBytes, or changing
    /// its length while it is read. Never reads more than the cap, and never
    /// opens anything but a regular file, so it neither hangs nor runs out
    /// of memory. A file swapped for a FIFO between that check and the open
    /// is the one case standard C++ cannot rule out.
    static std::vector<char> read(const std::filesystem::path& path);
};

} // namespace tarnwick
