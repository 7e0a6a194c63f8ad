#include "Game.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using testing::RecordingPorts;

// Feeds the handlers long random sequences of what a player can do and checks
// after every event that no peg appears or vanishes outside an accepted jump.
class RandomEventRun {
public:
    explicit RandomEventRun(unsigned seed)
        : m_random(seed)
    {
        m_fakes.onMessage = [this] { ++m_gamesEnded; };
        m_game.Form_Load();
    }

    void run(int events)
    {
        for (int i = 0; i < events && !::testing::Test::HasFatalFailure(); ++i) {
            step();
            checkInvariants(i);
        }
    }

    int gamesEnded() const { return m_gamesEnded; }
    int jumpsAccepted() const { return m_jumpsAccepted; }

private:
    int anyHole() { return std::uniform_int_distribution<int>(1, kHoleCount)(m_random); }

    // Half the drops of a held peg aim at a legal jump, so that games do end.
    int dropTarget()
    {
        const int held = m_game.state().Picked_Hole;
        if (held != No_Hole && std::bernoulli_distribution(0.5)(m_random)) {
            for (const auto& jump : m_jumps) {
                if (jump.from == held && m_game.state().Board(jump.over)
                    && !m_game.state().Board(jump.to)) {
                    return jump.to;
                }
            }
        }
        return anyHole();
    }

    bool isAcceptedJump(int target) const
    {
        const GameState& s = m_game.state();
        if (s.Game_Mode != Mode_Play || s.Picked_Hole == No_Hole || target == s.Picked_Hole
            || s.Board(target)) {
            return false;
        }
        for (const auto& jump : m_jumps) {
            if (jump.from == s.Picked_Hole && jump.to == target) {
                return s.Board(jump.over);
            }
        }
        return false;
    }

    void step()
    {
        const int kind = std::uniform_int_distribution<int>(0, 9)(m_random);
        const int endedBefore = m_gamesEnded;
        if (kind < 4) {
            m_game.Image1_MouseDown(anyHole() - 1);
        } else if (kind < 8) {
            const int target = dropTarget();
            if (isAcceptedJump(target)) {
                ++m_jumpsAccepted;
                --m_expectedPegs;
            }
            m_game.Image1_DragDrop(target - 1);
        } else if (kind == 8) {
            m_game.Form_MouseMove();
        } else {
            m_game.Command1_Click();
        }
        if (m_gamesEnded != endedBefore) {
            m_expectedPegs = 14;
            EXPECT_EQ(m_game.state().Game_Mode, Mode_Setup);
        }
    }

    void checkInvariants(int event)
    {
        const GameState& s = m_game.state();
        const bool holding = s.Picked_Hole != No_Hole;
        ASSERT_TRUE(!holding || (s.Picked_Hole >= 1 && s.Picked_Hole <= kHoleCount)) << event;
        ASSERT_EQ(testing::pegCount(s) + (holding ? 1 : 0), m_expectedPegs) << "event " << event;
        if (holding) {
            ASSERT_FALSE(s.Board(s.Picked_Hole)) << event;
        }
        for (int hole = 1; hole <= kHoleCount; ++hole) {
            const auto shown = m_fakes.shown.at(static_cast<std::size_t>(hole));
            ASSERT_EQ(shown == RecordingPorts::Shown::peg, s.Board(hole))
                << "hole " << hole << " event " << event;
        }
    }

    std::mt19937 m_random;
    RecordingPorts m_fakes;
    Game m_game { m_fakes.ports() };
    std::vector<testing::GeometricJump> m_jumps = testing::geometricJumps();
    int m_expectedPegs = 14;
    int m_gamesEnded = 0;
    int m_jumpsAccepted = 0;
};

TEST(RandomEventsTest, NoPegIsEverLostOrCreatedAndPicturesFollowTheBoard)
{
    int gamesEnded = 0;
    int jumpsAccepted = 0;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        RandomEventRun run(seed);
        run.run(2000);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "seed " << seed;
        gamesEnded += run.gamesEnded();
        jumpsAccepted += run.jumpsAccepted();
    }
    // The runs must really play: jumps and finished games, not just idle presses.
    EXPECT_GT(jumpsAccepted, 1000);
    EXPECT_GT(gamesEnded, 100);
}

} // namespace
} // namespace tarnwick
