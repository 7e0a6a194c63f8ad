#pragma once

#include <QFont>

namespace tarnwick {

/// The faces the windows ask for, as the shared font table has them: the
/// stand-ins for the two bitmap faces the windows were laid out around.
class UiFonts {
public:
    /// Text printed on the rules window (kPrintFont).
    static QFont printFont();

    /// Push-button captions (kButtonFont).
    static QFont buttonFont();

    /// The family asked for first; the others only stand in when it is missing.
    static QString preferredFamily();
};

} // namespace tarnwick
