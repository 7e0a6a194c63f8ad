#pragma once

#include "MainWindowLayout.h"
#include "Twips.h"

#include <QPixmap>
#include <QWidget>

namespace tarnwick {

/// One of the 15 picture cells laid over the board (`Image1(index)`). It
/// shows whatever picture it is given, unscaled, and reports presses.
class HoleCell : public QWidget {
    Q_OBJECT

public:
    /// Width and height of a cell, the size of the hole pictures.
    static constexpr QSize kSize = rectFromTwips(kCellTwips.front()).size();

    HoleCell(int index, QWidget* parent);

    [[nodiscard]] int index() const { return m_index; }

    /// Shows @p picture; @p hasPeg keeps the accessible name in step with it.
    void setPicture(const QPixmap& picture, bool hasPeg);

signals:
    /// A mouse button went down over the cell (any button, double-clicks too).
    void pressed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int m_index;
    QPixmap m_picture;
};

} // namespace tarnwick
