#pragma once

#include "ProgramControl.h"

namespace tarnwick {

/// Ends the program by ending its message loop.
class Win32ProgramControl final : public ProgramControl {
public:
    void endProgram() override;
};

} // namespace tarnwick
