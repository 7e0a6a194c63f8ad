#pragma once

#include <QFont>

namespace tarnwick {

/// The faces the windows ask for by name. The windows were laid out around two
/// classic bitmap faces that are not installed here; the stand-in is a
/// Helvetica clone, narrow enough that the rules text fits its window, with
/// metric twins as fallbacks.
class UiFonts {
public:
    /// Bold text printed on the rules window: 9.75 pt, 13 px at 96 dpi.
    static QFont printFont();

    /// Bold push-button captions: 8.25 pt, 11 px at 96 dpi.
    static QFont buttonFont();

    /// The family asked for first; the others only stand in when it is missing.
    static QString preferredFamily();
};

} // namespace tarnwick
