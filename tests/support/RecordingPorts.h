#pragma once

#include "GamePorts.h"
#include "GameState.h"

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick::testing {

/// Fakes for every port of the game. Each call is appended to one log in
/// order, so a test can compare the exact sequence a rule prescribes.
class RecordingPorts final : public HoleView,
                             public CuePlayer,
                             public ModalMessage,
                             public RandomSource,
                             public ProgramControl {
public:
    GamePorts ports() { return { *this, *this, *this, *this, *this }; }

    void showPicture(int hole, HolePicture picture) override
    {
        const bool peg = picture == HolePicture::peg;
        log.push_back((peg ? "peg " : "nopeg ") + std::to_string(hole));
        shown.at(static_cast<std::size_t>(hole)) = peg ? Shown::peg : Shown::nopeg;
    }
    void beginDrag(int hole) override
    {
        log.push_back("beginDrag " + std::to_string(hole));
        dragging = true;
    }
    void endDrag() override
    {
        log.push_back("endDrag");
        dragging = false;
    }
    void showKeyboardFocus(int hole, std::string_view spoken) override
    {
        log.push_back("focus " + std::to_string(hole) + (spoken.empty() ? "" : " ") + std::string(spoken));
    }
    void playCue(Cue cue) override { log.push_back("cue " + std::string(cueName(cue))); }
    void showMessage(std::string_view text) override
    {
        log.push_back("message " + std::string(text));
        if (onMessage) {
            onMessage();
        }
    }
    void reseedFromClock() override { log.push_back("reseed"); }
    float next() override
    {
        log.push_back("random");
        if (randomValues.empty()) {
            return 0.5F;
        }
        const float value = randomValues.front();
        randomValues.pop_front();
        return value;
    }
    void endProgram() override { log.push_back("endProgram"); }

    /// What each hole (1..15) shows now; index 0 is unused.
    enum class Shown { nothing, peg, nopeg };
    std::array<Shown, 16> shown {};

    std::vector<std::string> log;
    bool dragging = false;
    std::deque<float> randomValues;
    /// Runs while the modal message is open, before the game goes on.
    std::function<void()> onMessage;
};

/// A board with pegs in exactly @p holes.
inline void setPegs(GameState& state, std::initializer_list<int> holes)
{
    state.Board.fill(false);
    for (int hole : holes) {
        state.Board(hole) = true;
    }
}

inline int pegCount(const GameState& state)
{
    int count = 0;
    for (bool peg : state.Board) {
        count += peg ? 1 : 0;
    }
    return count;
}

} // namespace tarnwick::testing
