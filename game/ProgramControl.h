#pragma once

namespace tarnwick {

/// Lets the game end the whole program.
class ProgramControl {
public:
    virtual ~ProgramControl() = default;

    /// Ends the program at once, saving nothing.
    virtual void endProgram() = 0;
};

} // namespace tarnwick
