// The bounded read of a cue file, at the cap and where there is no file.
#include "CueFile.h"
#include "CueCatalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

TEST(CueFileTest, ReadsRegularFilesUpToTheCapAndNothingElse)
{
    const fs::path folder = fs::temp_directory_path() / "tarnwick-cue-file-test";
    const fs::path path = folder / "pickup.WAV";
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directories(path)); // a folder under the cue's name
    EXPECT_TRUE(CueFile::read(path).empty());
    fs::remove(path);
    EXPECT_TRUE(CueFile::read(path).empty()); // missing

    // Sizes: the zeros past the first byte are holes where the file system has them.
    const struct {
        std::uintmax_t size;
        std::uintmax_t read;
    } cases[] = { { 1, 1 }, { kMaxCueFileBytes, kMaxCueFileBytes }, { kMaxCueFileBytes + 1, 0 },
        { std::uintmax_t { 4 } << 30, 0 }, { 0, 0 } };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << (c.size > 0 ? "R" : "");
        fs::resize_file(path, c.size);
        const std::vector<char> bytes = CueFile::read(path);
        EXPECT_EQ(bytes.size(), c.read) << c.size << " bytes";
        EXPECT_TRUE(bytes.empty() || bytes.front() == 'R');
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace tarnwick
