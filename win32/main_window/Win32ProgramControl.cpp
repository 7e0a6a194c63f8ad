#include "Win32ProgramControl.h"

#include "Win32Api.h"

namespace tarnwick {

void Win32ProgramControl::endProgram()
{
    PostQuitMessage(0);
}

} // namespace tarnwick
