#pragma once

#include "BoardFocus.h"
#include "Game.h"
#include "HoleCell.h"
#include "HoleView.h"
#include "MainWindowLayout.h"
#include "Peg_Pics.h"
#include "QtModalMessage.h"
#include "RulesWindowLauncher.h"
#include "Twips.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <memory>

class QPushButton;

namespace tarnwick {

/// The game window: the board picture, the 15 hole cells and the three
/// buttons. It keeps no rules of its own; it shows what the game tells it
/// and hands mouse, key and button events to the game's handlers.
///
/// Dragging a peg is a mouse grab with the drag icon as cursor, kept inside
/// the program: the release decides whether a cell gets the drop.
class Main_form : public QWidget, public HoleView {
    Q_OBJECT

public:
    /// Size of the client area in pixels at 96 dpi.
    static constexpr QSize kClientSize = rectFromTwips(kMainClientTwips).size();
    /// Where the client area sits on the screen at start.
    static constexpr QPoint kClientPosition = rectFromTwips(kMainClientTwips).topLeft();

    Main_form(
        CuePlayer& cues, RandomSource& random, ProgramControl& program, QWidget* parent = nullptr);
    ~Main_form() override;

    void showPicture(int hole, HolePicture picture) override;
    void beginDrag(int hole) override;
    void endDrag() override;
    void showKeyboardFocus(int hole, std::string_view spoken) override;

    /// Cell `Image1(index)`, index 0..14.
    [[nodiscard]] HoleCell* Image1(int index) const
    {
        return m_cells.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] QPushButton* Command1() const { return m_command1; }
    [[nodiscard]] QPushButton* Command2() const { return m_command2; }
    [[nodiscard]] QPushButton* Command3() const { return m_command3; }
    /// The board's stop in the tab order, after QUIT.
    [[nodiscard]] BoardFocus* boardFocus() const { return m_boardFocus; }
    [[nodiscard]] const Game& game() const { return m_game; }
    [[nodiscard]] bool isDragging() const { return m_game.isDragging(); }
    [[nodiscard]] const RulesWindowLauncher& rules() const { return m_rules; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addButton(std::string_view caption, const TwipRect& twips);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    [[nodiscard]] HoleCell* cellUnder(QPointF globalPosition) const;
    Peg_Pics& pegPics();

    QPixmap m_board;
    QPixmap m_dragIcon;
    std::unique_ptr<Peg_Pics> m_pegPics;
    std::array<HoleCell*, kHoleCount> m_cells {};
    BoardFocus* m_boardFocus = nullptr;
    /// The keyboard's mark as last asked for; empty when none is shown.
    QRect m_focusMark;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    RulesWindowLauncher m_rules;
    QtModalMessage m_message;
    Game m_game;
};

} // namespace tarnwick
