#include "CueCatalog.h"
#include "MemoryWave.h"
#include "WaveBuilder.h"
#include "WaveReader.h"
#include "Win32Api.h"
#include "WinmmCueBackend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
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

    // Past the cap, or a folder under the cue's name: nothing is read.
    writeFile(folder + L"\\winner.WAV", pickup);
    HANDLE large = CreateFileW((folder + L"\\winner.WAV").c_str(), GENERIC_WRITE, 0, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(large, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end {};
    end.QuadPart = static_cast<LONGLONG>(kMaxCueFileBytes) + 1;
    EXPECT_TRUE(SetFilePointerEx(large, end, nullptr, FILE_BEGIN) && SetEndOfFile(large));
    CloseHandle(large);
    CreateDirectoryW((folder + L"\\loser.WAV").c_str(), nullptr);

    const WinmmCueBackend backend(folder);
    EXPECT_EQ(backend.cuePath(Cue::loser4), folder + L"\\loser4.WAV");
    EXPECT_EQ(backend.loadCue(Cue::pickup), pickup);
    EXPECT_TRUE(backend.loadCue(Cue::loser4).empty());
    EXPECT_TRUE(backend.loadCue(Cue::winner).empty());
    EXPECT_TRUE(backend.loadCue(Cue::loser).empty());
    DeleteFileW((folder + L"\\winner.WAV").c_str());
}

// A cue of three channels reaches the multimedia library as the core mixes
// it (StereoDownmix), as a canonical stereo wave.
TEST(CueFolder, AWideCueIsHandedOverAsTheCoreMixesIt)
{
    const std::wstring folder = temporaryFolder(L"Tarnwick wide cue");
    const std::vector<std::int16_t> frame { 1000, 2000, 3000 };
    std::string file = test::WaveBuilder::craft(
        test::WaveHeader::of({ test::SampleEncoding::signed16, 3, 8000 }), std::string(6, '\0'));
    std::memcpy(file.data() + file.size() - 6, frame.data(), 6);
    writeFile(folder + L"\\pegdrop.WAV", std::vector<char>(file.begin(), file.end()));

    const std::vector<char> wave = WinmmCueBackend(folder).cueWave(Cue::pegdrop);
    const std::optional<WaveSound> mixed = WaveReader::read(file);
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->samples, (std::vector<std::int16_t> { 1828, 2414 }));
    EXPECT_EQ(wave, memoryWave(*mixed));
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
