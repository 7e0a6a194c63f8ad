#pragma once

#include "LinePrinter.h"

class QPainter;

namespace tarnwick {

/// Prints lines with a painter's font and pen, starting at the top-left corner
/// (0, 0) and moving down one font height per line.
class PainterLinePrinter final : public LinePrinter {
public:
    /// @p painter must outlive the printer and keep its font while printing.
    explicit PainterLinePrinter(QPainter& painter);

    void printLine(QStringView line) override;

private:
    QPainter& m_painter;
    int m_top = 0;
};

} // namespace tarnwick
