#pragma once

#include "ProgramControl.h"

namespace tarnwick {

/// Ends the program by leaving Qt's event loop; main() then tears down the windows.
class QtProgramControl final : public ProgramControl {
public:
    void endProgram() override;
};

} // namespace tarnwick
