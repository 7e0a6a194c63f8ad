#include "HoleCell.h"

#include "BoardTexts.h"
#include "QtText.h"

#include <QMouseEvent>
#include <QPainter>

namespace tarnwick {

HoleCell::HoleCell(int index, QWidget* parent)
    : QWidget(parent)
    , m_index(index)
{
    setFixedSize(kSize);
    // Moves over a cell are not moves over the background.
    setAttribute(Qt::WA_NoMousePropagation);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HoleCell::setPicture(const QPixmap& picture, bool hasPeg)
{
    m_picture = picture;
    setAccessibleName(qtText(BoardTexts::holeName(m_index + 1, hasPeg)));
    update();
}

void HoleCell::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void HoleCell::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit pressed(m_index);
}

void HoleCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click is a press like any other.
    event->accept();
    emit pressed(m_index);
}

} // namespace tarnwick
