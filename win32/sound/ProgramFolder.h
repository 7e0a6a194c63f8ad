#pragma once

#include <string>

namespace tarnwick {

/// The folder of the program file, as Windows reports it: the module's file
/// name without its last component and without a trailing separator. Wide,
/// so a folder named in any script is found.
std::wstring programFolder();

} // namespace tarnwick
