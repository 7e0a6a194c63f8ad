#include "Main_form.h"

#include "AccessibleRoles.h"
#include "EnterKey.h"
#include "Pictures.h"
#include "QtText.h"
#include "Twips.h"
#include "UiFonts.h"
#include "WindowTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegion>

namespace tarnwick {

namespace {

constexpr int kFocusMarkWidth = twipsToPixels(kFocusMarkTwips, kBaseDpi);
constexpr QColor kFocusMarkColour(kFocusMarkRed, kFocusMarkGreen, kFocusMarkBlue);

// The cell with room for the keyboard's mark around it.
QRect markedCell(int index)
{
    return rectFromTwips(kCellTwips.at(static_cast<std::size_t>(index)))
        .adjusted(-kFocusMarkWidth, -kFocusMarkWidth, kFocusMarkWidth, kFocusMarkWidth);
}

} // namespace

Main_form::Main_form(
    CuePlayer& cues, RandomSource& random, ProgramControl& program, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowMinimizeButtonHint)
    , m_board(Pictures::pixmap(QStringLiteral("board")))
    , m_dragIcon(Pictures::pixmap(QStringLiteral("drag")))
    , m_message(this)
    , m_game(GamePorts { *this, cues, m_message, random, program })
{
    installAccessibleRoles();
    setWindowTitle(qtText(kMainCaption));
    setWindowIcon(Pictures::icon(QStringLiteral("icon")));
    setGeometry(QRect(kClientPosition, kClientSize));
    setFixedSize(kClientSize);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    // Background moves are only seen with tracking on; cells and buttons keep theirs.
    setMouseTracking(true);

    // Made first, so it lies under the cells; it spans the whole board.
    m_boardFocus = new BoardFocus(this);
    QRect board;
    for (int index = 0; index < kHoleCount; ++index) {
        board |= markedCell(index);
    }
    m_boardFocus->setGeometry(board);
    connect(m_boardFocus, &BoardFocus::keyDown, this,
        [this](BoardKey key) { m_game.Board_KeyDown(key); });
    connect(m_boardFocus, &BoardFocus::gotFocus, this, [this] { m_game.Board_GotFocus(); });
    connect(m_boardFocus, &BoardFocus::lostFocus, this, [this] { m_game.Board_LostFocus(); });

    for (int index = 0; index < kHoleCount; ++index) {
        auto* cell = new HoleCell(index, this);
        cell->move(rectFromTwips(kCellTwips.at(static_cast<std::size_t>(index))).topLeft());
        connect(cell, &HoleCell::pressed, this,
            [this](int pressed) { m_game.Image1_MouseDown(pressed); });
        m_cells.at(static_cast<std::size_t>(index)) = cell;
    }

    setFont(UiFonts::buttonFont());
    m_command1 = addButton(kStartGameCaption, kCommand1Twips);
    m_command2 = addButton(kHelpCaption, kCommand2Twips);
    m_command3 = addButton(kQuitCaption, kCommand3Twips);
    connect(m_command1, &QPushButton::clicked, this, &Main_form::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &Main_form::Command2_Click);
    connect(m_command3, &QPushButton::clicked, this, &Main_form::Command3_Click);
    setTabOrder(m_command1, m_command2);
    setTabOrder(m_command2, m_command3);
    setTabOrder(m_command3, m_boardFocus);
    m_command1->setFocus();

    // The start position is in place before the window first appears.
    m_game.Form_Load();
}

Main_form::~Main_form()
{
    // Closing the window takes the focus from the board after the game is gone.
    m_boardFocus->disconnect(this);
    if (m_game.isDragging()) {
        releaseMouse();
    }
}

QPushButton* Main_form::addButton(std::string_view caption, const TwipRect& twips)
{
    auto* button = new QPushButton(qtText(caption), this);
    button->setGeometry(rectFromTwips(twips));
    button->setAttribute(Qt::WA_NoMousePropagation);
    return button;
}

Peg_Pics& Main_form::pegPics()
{
    if (!m_pegPics) {
        m_pegPics = std::make_unique<Peg_Pics>();
    }
    return *m_pegPics;
}

void Main_form::showPicture(int hole, HolePicture picture)
{
    Image1(hole - 1)->setPicture(pegPics().picture(picture), picture == HolePicture::peg);
}

void Main_form::beginDrag(int /*hole*/)
{
    grabMouse(QCursor(m_dragIcon));
}

void Main_form::endDrag()
{
    releaseMouse();
}

void Main_form::showKeyboardFocus(int hole, std::string_view spoken)
{
    update(m_focusMark);
    m_focusMark = hole >= 1 && hole <= kHoleCount ? markedCell(hole - 1) : QRect();
    update(m_focusMark);
    m_boardFocus->announce(m_focusMark.isEmpty() ? QString() : qtText(spoken));
}

void Main_form::Command1_Click()
{
    m_game.Command1_Click();
}

void Main_form::Command2_Click()
{
    m_rules.Command2_Click(screen());
}

void Main_form::Command3_Click()
{
    m_game.Command3_Click();
}

void Main_form::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_board);
    if (!m_focusMark.isEmpty()) {
        // A ring: the cell inside it keeps its picture.
        const QRect cell = m_focusMark.adjusted(
            kFocusMarkWidth, kFocusMarkWidth, -kFocusMarkWidth, -kFocusMarkWidth);
        painter.setClipRegion(QRegion(m_focusMark).subtracted(cell));
        painter.fillRect(m_focusMark, kFocusMarkColour);
    }
}

void Main_form::mousePressEvent(QMouseEvent* event)
{
    // Presses on a cell come here only while a drag grabs the mouse; the
    // game decides what they mean. One on the background means nothing.
    event->accept();
    if (HoleCell* cell = cellUnder(event->globalPosition())) {
        m_game.Image1_MouseDown(cell->index());
    }
}

void Main_form::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (rect().contains(position) && childAt(position) == nullptr) {
        m_game.Form_MouseMove();
    }
}

void Main_form::mouseReleaseEvent(QMouseEvent* event)
{
    if (HoleCell* cell = cellUnder(event->globalPosition())) {
        m_game.Image1_MouseUp(cell->index());
    } else {
        m_game.Form_MouseUp();
    }
}

HoleCell* Main_form::cellUnder(QPointF globalPosition) const
{
    // Ask what is really under the pointer, so a window covering a cell wins.
    auto* cell = qobject_cast<HoleCell*>(QApplication::widgetAt(globalPosition.toPoint()));
    return cell != nullptr && cell->window() == this ? cell : nullptr;
}

void Main_form::keyPressEvent(QKeyEvent* event)
{
    if (!pressFocusedButtonOnEnter(*this, *event)) {
        QWidget::keyPressEvent(event);
    }
}

void Main_form::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_game.Form_Unload();
}

} // namespace tarnwick
