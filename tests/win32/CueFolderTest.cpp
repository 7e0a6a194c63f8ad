#include "MemoryWave.h"
#include "WaveBuilder.h"
#include "Win32Api.h"
#include "WinmmCueBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

std::wstring temporaryFolder(const wchar_t* name)
{
    std::wstring path(MAX_PATH + 1, L'\0');
    path.resize(GetTempPathW(static_cast<DWORD>(path.size()), path.data()));
    path += name;
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void writeFile(const std::wstring& path, const std::vector<char>& bytes)
{
    HANDLE file = CreateFileW(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The cue files of a program in a folder named outside the ANSI code page
// (here Cyrillic and Chinese) are found and read, each by its exact name.
TEST(CueFolder, ReadsTheCuesOfAFolderNamedInAnyScript)
{
    const std::wstring folder = temporaryFolder(L"Тарнвик 塔恩威克");
    const std::vector<char> pickup { 'R', 'I', 'F', 'F', '\x01' };
    writeFile(folder + L"\\pickup.WAV", pickup);
    DeleteFileW((folder + L"\\loser4.WAV").c_str());

    CreateDirectoryW((folder + L"\\loser.WAV").c_str(), nullptr);
    // FL, FR, FC = 1000, 2000, 3000: handed over as the core mixes them.
    const std::string wide = test::WaveBuilder::craft(
        test::WaveHeader::of({ test::SampleEncoding::signed16, 3, 8000 }),
        "\xe8\x03\xd0\x07\xb8\x0b");
    writeFile(folder + L"\\pegdrop.WAV", std::vector<char>(wide.begin(), wide.end()));

    const WinmmCueBackend backend(folder);
    EXPECT_EQ(backend.cuePath(Cue::loser4), folder + L"\\loser4.WAV");
    EXPECT_EQ(backend.loadCue(Cue::pickup), pickup);
    EXPECT_TRUE(backend.loadCue(Cue::loser4).empty());
    EXPECT_TRUE(backend.loadCue(Cue::loser).empty()); // a folder
    EXPECT_EQ(backend.cueWave(Cue::pegdrop), memoryWave(WaveSound { 8000, 2, { 1828, 2414 } }));
}

// Each cue under the name the generator writes and the Linux game looks up.
TEST(CueFolder, LooksEachCueUpUnderItsOwnName)
{
    const struct {
        Cue cue;
        const wchar_t* name;
    } cases[] = {
        { Cue::pickup, L"pickup.WAV" },
        { Cue::pegdrop, L"pegdrop.WAV" },
        { Cue::winner, L"winner.WAV" },
        { Cue::loser, L"loser.WAV" },
        { Cue::loser4, L"loser4.WAV" },
        { Cue::loser3, L"loser3.WAV" },
    };
    const WinmmCueBackend backend(L"C:\\Games\\Tarnwick");
    for (const auto& c : cases) {
        EXPECT_EQ(backend.cuePath(c.cue), std::wstring(L"C:\\Games\\Tarnwick\\") + c.name);
    }
}

} // namespace
} // namespace tarnwick
