#pragma once

#include "GamePorts.h"
#include "GameState.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick::testing {

/// Fakes for every port of the game. Each call is appended to one log in
/// order, so a test can compare the exact sequence a rule prescribes. With
/// keepLog off (long fuzzed runs) only the state they leave is kept: what each
/// hole shows, the drag, the count of messages.
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
        record([&] { return (peg ? "peg " : "nopeg ") + std::to_string(hole); });
        if (hole < 1 || hole > kHoleCount) {
            pictureOutOfRange = true;
            return;
        }
        shown.at(static_cast<std::size_t>(hole)) = peg ? Shown::peg : Shown::nopeg;
    }
    void beginDrag(int hole) override
    {
        record([&] { return "beginDrag " + std::to_string(hole); });
        dragging = true;
    }
    void endDrag() override
    {
        record([] { return std::string("endDrag"); });
        dragging = false;
    }
    void showKeyboardFocus(int hole, std::string_view spoken) override
    {
        record([&] {
            return "focus " + std::to_string(hole) + (spoken.empty() ? "" : " ")
                + std::string(spoken);
        });
    }
    void playCue(Cue cue) override
    {
        record([&] { return "cue " + std::string(cueName(cue)); });
    }
    void showMessage(std::string_view text) override
    {
        record([&] { return "message " + std::string(text); });
        ++messages;
        if (onMessage) {
            onMessage();
        }
    }
    void reseedFromClock() override
    {
        record([] { return std::string("reseed"); });
    }
    float next() override
    {
        record([] { return std::string("random"); });
        if (randomValues.empty()) {
            return nextRandom ? nextRandom() : 0.5F;
        }
        const float value = randomValues.front();
        randomValues.erase(randomValues.begin());
        return value;
    }
    void endProgram() override
    {
        record([] { return std::string("endProgram"); });
    }

    /// What each hole (1..15) shows now; index 0 is unused.
    enum class Shown { nothing, peg, nopeg };
    std::array<Shown, kHoleCount + 1> shown {};
    /// Set once a picture is shown for a hole that does not exist.
    bool pictureOutOfRange = false;

    std::vector<std::string> log;
    bool keepLog = true;
    bool dragging = false;
    int messages = 0;
    /// The draws to return first, in order. A vector, not a deque: a deque
    /// allocates when made, and the fuzzer makes one set of fakes per input.
    std::vector<float> randomValues;
    /// Draws once randomValues is empty; without it, 0.5.
    std::function<float()> nextRandom;
    /// Runs while the modal message is open, before the game goes on.
    std::function<void()> onMessage;

private:
    // Builds the entry only when it is kept: fuzzed runs make millions of calls.
    template <typename MakeEntry> void record(MakeEntry makeEntry)
    {
        if (keepLog) {
            log.push_back(makeEntry());
        }
    }
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
