#include "GameEventFuzzer.h"
#include "TriangleSolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace tarnwick::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A line of play as the bytes a player's hand would produce: each jump is a
// press on its peg and a drop on its target.
Bytes playedAsBytes(const std::vector<GeometricJump>& line)
{
    Bytes bytes { GameEventFuzzer::kStart };
    for (const GeometricJump& jump : line) {
        bytes.push_back(GameEventFuzzer::press(jump.from - 1));
        bytes.push_back(GameEventFuzzer::drop(jump.to - 1));
    }
    return bytes;
}

// The same line played from the keyboard: Home, Right to the peg, Space,
// Home, Right to the target, Space.
Bytes playedAsKeys(const std::vector<GeometricJump>& line)
{
    Bytes bytes { GameEventFuzzer::kStart, GameEventFuzzer::kBoardFocus };
    auto goTo = [&bytes](int hole) {
        bytes.push_back(GameEventFuzzer::boardKey(4));
        bytes.insert(bytes.end(), static_cast<std::size_t>(hole - 1), GameEventFuzzer::boardKey(1));
        bytes.push_back(GameEventFuzzer::boardKey(6));
    };
    for (const GeometricJump& jump : line) {
        goTo(jump.from);
        goTo(jump.to);
    }
    return bytes;
}

struct EndingCase {
    const char* name;
    TriangleSolver::Ending ending;
    Bytes (*played)(const std::vector<GeometricJump>&);
};

class DecodedWholeGames : public ::testing::TestWithParam<EndingCase> { };

TEST_P(DecodedWholeGames, EndInTheMessageAndStartAgain)
{
    TriangleSolver solver(GetParam().ending);
    const auto line = solver.solve(0x3FFFU); // the start position: hole 15 empty
    ASSERT_TRUE(line.has_value());
    Bytes bytes = GetParam().played(*line);
    // After the reset the game is playable again, out-of-range pictures aside.
    const Bytes after { GameEventFuzzer::press(-1), GameEventFuzzer::drop(15),
        GameEventFuzzer::press(5), GameEventFuzzer::drop(14), GameEventFuzzer::kMove };
    bytes.insert(bytes.end(), after.begin(), after.end());

    const auto result = GameEventFuzzer::run(bytes);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(result.events, static_cast<int>(bytes.size()));
    EXPECT_EQ(result.jumpsAccepted, static_cast<int>(line->size()));
    EXPECT_EQ(result.gamesEnded, 1);
}

INSTANTIATE_TEST_SUITE_P(Decoder, DecodedWholeGames,
    ::testing::Values(EndingCase { "Win", TriangleSolver::Ending::onePeg, playedAsBytes },
        EndingCase { "Loss", TriangleSolver::Ending::stuckWithSeveral, playedAsBytes },
        EndingCase { "WinFromTheKeys", TriangleSolver::Ending::onePeg, playedAsKeys }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GameEventFuzzerTest, SeedCorpusPlaysCleanlyThroughTheFuzzEntry)
{
    int files = 0;
    int gamesEnded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_FUZZ_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes bytes { std::istreambuf_iterator<char>(in), {} };
        const auto result = GameEventFuzzer::run(bytes);
        EXPECT_EQ(result.failure, "") << entry.path();
        gamesEnded += result.gamesEnded;
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        ++files;
    }
    EXPECT_GE(files, 4);
    EXPECT_GE(gamesEnded, 2) << "the seeds reach the end of a game";
}

// The fuzzer's work in short, for builds without libFuzzer: fixed seeds, so
// a failure here is the same failure on every machine. Pure noise rarely
// finishes a game, so half the strings are whole games with a few events
// changed or slipped in, which puts odd events next to the end of a game.
TEST(GameEventFuzzerTest, RandomAndMutatedEventStringsKeepEveryRule)
{
    const auto win = TriangleSolver(TriangleSolver::Ending::onePeg).solve(0x3FFFU);
    const auto loss = TriangleSolver(TriangleSolver::Ending::stuckWithSeveral).solve(0x3FFFU);
    ASSERT_TRUE(win.has_value() && loss.has_value());
    const Bytes games[] = { playedAsBytes(*win), playedAsBytes(*loss) };

    int noiseJumps = 0;
    int mutatedGamesEnded = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 random(seed);
        auto anyByte = [&random] { return static_cast<std::uint8_t>(random()); };
        Bytes bytes;
        const bool noise = seed % 2 == 0;
        if (noise) {
            bytes.resize(2000);
            std::generate(bytes.begin(), bytes.end(), anyByte);
        } else {
            for (int round = 0; round < 4; ++round) {
                const Bytes& game = games[random() % 2];
                bytes.insert(bytes.end(), game.begin(), game.end());
            }
            for (int change = 0; change < 6; ++change) {
                const auto at = static_cast<std::ptrdiff_t>(random() % bytes.size());
                if (random() % 2 == 0) {
                    bytes.insert(bytes.begin() + at, anyByte());
                } else {
                    bytes[static_cast<std::size_t>(at)] = anyByte();
                }
            }
        }
        const auto result = GameEventFuzzer::run(bytes);
        ASSERT_EQ(result.failure, "") << "seed " << seed;
        (noise ? noiseJumps : mutatedGamesEnded)
            += noise ? result.jumpsAccepted : result.gamesEnded;
    }
    EXPECT_GT(noiseJumps, 100);
    EXPECT_GT(mutatedGamesEnded, 200);
}

} // namespace
} // namespace tarnwick::testing
