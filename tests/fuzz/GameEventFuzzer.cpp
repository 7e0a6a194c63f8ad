#include "GameEventFuzzer.h"

#include "Game.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"

#include <array>
#include <sstream>
#include <vector>

namespace tarnwick::testing {

namespace {

enum class EventKind { press, drop, pointer, other };

// What a byte of kind "pointer" or "other" is, by its low bits modulo 17:
// 0 keeps the byte's first meaning (a move, "Start Game").
constexpr std::array<BoardKey, 7> kKeys { BoardKey::left, BoardKey::right, BoardKey::up,
    BoardKey::down, BoardKey::home, BoardKey::end, BoardKey::activate };

class Run {
public:
    Run()
    {
        // Long inputs would only fill memory with the log.
        m_fakes.keepLog = false;
        // Walks the whole range, ends included, so every loser cue is drawn.
        m_fakes.nextRandom = [draw = 0.0F]() mutable {
            draw = draw >= 1.0F ? 0.0F : draw + 0.25F;
            return draw;
        };
        m_fakes.onMessage = [this] { checkAtMessage(); };
        m_game.Form_Load();
        check("start");
    }

    void play(std::uint8_t byte)
    {
        const auto kind = static_cast<EventKind>(byte >> 6U);
        const int low = static_cast<int>(byte & 0x3FU) % 17;
        const int index = low - 1;
        const int messagesBefore = m_fakes.messages;
        switch (kind) {
        case EventKind::press:
            m_game.Image1_MouseDown(index);
            break;
        case EventKind::drop:
            countDrop(index + 1);
            m_game.Image1_DragDrop(index);
            break;
        case EventKind::pointer:
            if (low == 0) {
                m_game.Form_MouseMove();
            } else if (low == 16) {
                m_game.Form_MouseUp();
            } else {
                if (m_game.isDragging()) {
                    countDrop(low);
                }
                m_game.Image1_MouseUp(index);
            }
            break;
        case EventKind::other:
            playOther(low);
            break;
        }
        ++m_result.events;
        if (m_fakes.messages != messagesBefore) {
            ++m_result.gamesEnded;
            m_expectedPegs = kHoleCount - 1;
            if (m_game.state().Game_Mode != Mode_Setup) {
                fail("a finished game did not go back to setup");
            }
        }
        check(describe(kind, low));
    }

    [[nodiscard]] bool failed() const { return !m_result.failure.empty(); }
    [[nodiscard]] GameEventFuzzer::Result result() const { return m_result; }

private:
    // "Start Game", the window closed, the board's focus and its keys.
    void playOther(int low)
    {
        if (low == 1) {
            m_game.Form_Unload();
        } else if (low == 2) {
            m_boardFocused = true;
            m_game.Board_GotFocus();
        } else if (low == 3) {
            m_boardFocused = false;
            m_game.Board_LostFocus();
        } else if (low >= 4 && low < 4 + static_cast<int>(kKeys.size())) {
            const BoardKey key = kKeys.at(static_cast<std::size_t>(low - 4));
            // The board hears keys only while it has the focus.
            if (m_boardFocused && key == BoardKey::activate
                && m_game.state().Picked_Hole != No_Hole) {
                countDrop(m_game.keyboardHole());
            }
            m_game.Board_KeyDown(key);
        } else {
            m_game.Command1_Click();
        }
    }

    void countDrop(int target)
    {
        if (isAcceptedJump(target)) {
            ++m_result.jumpsAccepted;
            --m_expectedPegs;
        }
    }

    bool isAcceptedJump(int target) const
    {
        const GameState& s = m_game.state();
        if (s.Game_Mode != Mode_Play || s.Picked_Hole == No_Hole || target < 1
            || target > kHoleCount || target == s.Picked_Hole || s.Board(target)) {
            return false;
        }
        for (const GeometricJump& jump : m_jumps) {
            if (jump.from == s.Picked_Hole && jump.to == target) {
                return s.Board(jump.over);
            }
        }
        return false;
    }

    // The message shows once no jump is left: the board must agree.
    void checkAtMessage()
    {
        const GameState& s = m_game.state();
        for (const GeometricJump& jump : m_jumps) {
            if (s.Board(jump.from) && s.Board(jump.over) && !s.Board(jump.to)) {
                fail("the game ended with a jump left");
                return;
            }
        }
    }

    void check(const std::string& event)
    {
        if (failed()) {
            return;
        }
        const GameState& s = m_game.state();
        const int held = s.Picked_Hole;
        const bool holding = held != No_Hole;
        std::ostringstream problem;
        if (holding && (held < 1 || held > kHoleCount)) {
            problem << "held hole " << held << " out of range";
        } else if (s.Game_Mode != Mode_Setup && s.Game_Mode != Mode_Play) {
            problem << "mode " << static_cast<int>(s.Game_Mode);
        } else if (s.Target_Hole != No_Hole && (s.Target_Hole < 1 || s.Target_Hole > kHoleCount)) {
            problem << "target hole " << s.Target_Hole << " out of range";
        } else if (m_fakes.pictureOutOfRange) {
            problem << "a picture was shown for a hole that does not exist";
        } else if (pegCount(s) + (holding ? 1 : 0) != m_expectedPegs) {
            problem << (pegCount(s) + (holding ? 1 : 0)) << " pegs where " << m_expectedPegs
                    << " belong";
        } else if (holding && s.Board(held)) {
            problem << "held peg " << held << " is also on the board";
        } else if (m_fakes.dragging != m_game.isDragging()) {
            problem << "the window's drag and the game's disagree";
        } else if (m_game.isDragging() && !holding) {
            problem << "a drag with no peg held";
        }
        for (int hole = 1; hole <= kHoleCount && problem.tellp() == 0; ++hole) {
            const bool shownPeg
                = m_fakes.shown.at(static_cast<std::size_t>(hole)) == RecordingPorts::Shown::peg;
            if (shownPeg != s.Board(hole)) {
                problem << "hole " << hole << " shows " << (shownPeg ? "a peg" : "no peg");
            }
        }
        if (problem.tellp() != 0) {
            fail(problem.str() + " after event " + std::to_string(m_result.events) + " (" + event
                + ")");
        }
    }

    void fail(const std::string& text)
    {
        if (!failed()) {
            m_result.failure = text;
        }
    }

    static std::string describe(EventKind kind, int low)
    {
        switch (kind) {
        case EventKind::press:
            return "press " + std::to_string(low - 1);
        case EventKind::drop:
            return "drop " + std::to_string(low - 1);
        case EventKind::pointer:
            return low == 0 ? "move" : "release " + std::to_string(low - 1);
        case EventKind::other:
            return "other " + std::to_string(low);
        }
        return {};
    }

    RecordingPorts m_fakes;
    Game m_game { m_fakes.ports() };
    std::vector<GeometricJump> m_jumps = geometricJumps();
    int m_expectedPegs = kHoleCount - 1;
    bool m_boardFocused = false;
    GameEventFuzzer::Result m_result;
};

} // namespace

GameEventFuzzer::Result GameEventFuzzer::run(std::span<const std::uint8_t> events)
{
    Run run;
    for (std::uint8_t byte : events) {
        if (run.failed()) {
            break;
        }
        run.play(byte);
    }
    return run.result();
}

} // namespace tarnwick::testing
