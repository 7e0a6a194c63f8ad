// The bounded read of a cue file: what the desktop front-ends read, and what
// they leave alone.
#include "CueFile.h"
#include "CueCatalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#if defined(__linux__)
#include <sys/stat.h>
#endif

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

/// A file of @p size bytes; the zeros past its first byte take no disk space
/// where the file system keeps holes.
void writeFile(const fs::path& path, std::uintmax_t size)
{
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << (size > 0 ? "R" : "");
    }
    fs::resize_file(path, size);
}

enum class Kind { file, missing, folder, fifo };

struct CueFileCase {
    const char* name = "";
    Kind kind = Kind::file;
    std::uintmax_t size = 0;
    std::uintmax_t read = 0; ///< Bytes read; 0 where nothing is.
};

TEST(CueFileTest, ReadsRegularFilesUpToTheCapAndNothingElse)
{
    const fs::path folder = fs::temp_directory_path()
        / ("tarnwick-cue-file-" + std::to_string(reinterpret_cast<std::uintptr_t>(&folder)));
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directories(folder));
    const CueFileCase cases[]
        = { { "one byte", Kind::file, 1, 1 },
              { "at the cap", Kind::file, kMaxCueFileBytes, kMaxCueFileBytes },
              { "a byte past the cap", Kind::file, kMaxCueFileBytes + 1 },
              { "far past the cap", Kind::file, std::uintmax_t { 4 } << 30 },
              { "empty", Kind::file, 0 },
              { "missing", Kind::missing },
              { "a folder", Kind::folder },
#if defined(__linux__)
              // Opening it would wait for a writer that never comes.
              { "a FIFO", Kind::fifo },
#endif
          };
    for (const CueFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = folder / "pickup.WAV";
        fs::remove_all(path);
        if (c.kind == Kind::file) {
            writeFile(path, c.size);
        } else if (c.kind == Kind::folder) {
            fs::create_directory(path);
#if defined(__linux__)
        } else if (c.kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
#endif
        }
        const std::vector<char> bytes = CueFile::read(path);
        EXPECT_EQ(bytes.size(), c.read);
        if (!bytes.empty()) {
            EXPECT_EQ(bytes.front(), 'R');
        }
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace tarnwick
