#pragma once

#include "BoardKey.h"

#include <QWidget>

#include <optional>

class QKeyEvent;

namespace tarnwick {

/// The board's stop in the tab order. It lies under the cells and lets every
/// mouse event through to them and to the window, so only Tab (never a
/// click) gives it the keyboard focus. It hands on the board's keys and its
/// focus changes, and carries what screen readers say of the board.
class BoardFocus : public QWidget {
    Q_OBJECT

public:
    explicit BoardFocus(QWidget* parent);

    /// The board key @p event stands for: arrows, Home and End, and Space or
    /// Enter (not repeated) for activate; none for any other key or chord.
    [[nodiscard]] static std::optional<BoardKey> boardKeyFor(const QKeyEvent& event);

    /// Has screen readers say @p spoken for the board; empty says nothing.
    void announce(const QString& spoken);

signals:
    void keyDown(BoardKey key);
    void gotFocus();
    void lostFocus();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace tarnwick
