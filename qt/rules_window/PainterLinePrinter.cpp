#include "PainterLinePrinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

namespace tarnwick {

PainterLinePrinter::PainterLinePrinter(QPainter& painter)
    : m_painter(painter)
{ }

void PainterLinePrinter::printLine(QStringView line)
{
    const QFontMetrics metrics = m_painter.fontMetrics();
    if (!line.isEmpty()) {
        // The print position is the top of the line; drawText wants the baseline.
        m_painter.drawText(0, m_top + metrics.ascent(), line.toString());
    }
    m_top += metrics.height();
}

} // namespace tarnwick
