#pragma once

#include <QStringView>

namespace tarnwick {

/// Prints text line by line, each line below the one before, the way a window
/// prints onto its own surface.
class LinePrinter {
public:
    virtual ~LinePrinter() = default;

    /// Prints @p line at the current position and moves to the start of the
    /// next line; an empty line only moves down.
    virtual void printLine(QStringView line) = 0;
};

} // namespace tarnwick
