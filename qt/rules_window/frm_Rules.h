#pragma once

#include "RulesWindowLayout.h"
#include "Twips.h"

#include <QPointer>
#include <QWidget>

class QPushButton;
class QScreen;

namespace tarnwick {

class LinePrinter;

/// The window that explains the game: a fixed teal window, without an owner,
/// that prints the rules and closes with its OK button. Closing it, by OK or
/// through its frame, deletes it.
class frm_Rules : public QWidget {
    Q_OBJECT

public:
    /// Size of the client area in pixels at 96 dpi.
    static constexpr QSize kClientSize = rectFromTwips(kRulesClientTwips).size();
    /// Where "OK" sits in the client area.
    static constexpr QRect kOkButtonGeometry = rectFromTwips(kOkButtonTwips);

    /// Builds the hidden window; call Form_Load() before showing it.
    frm_Rules();

    /// Centres the window, frame included, on the whole of @p screen (the
    /// primary screen when null). Where the frame is not known yet, the window
    /// is centred on an estimate and again as soon as the real frame is known.
    void Form_Load(QScreen* screen);

    /// Prints the rules, from the top, through @p printer.
    void Form_Paint(LinePrinter& printer) const;

    /// The "OK" button.
    QPushButton* btn_OK() const { return m_okButton; }

    /// Closes the window, which unloads it.
    void btn_OK_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void centre(const QMargins& frame);
    QMargins knownFrame() const;
    QMargins estimatedFrame() const;
    void recentreOnceFramed();

    QPushButton* m_okButton = nullptr;
    QPointer<QScreen> m_screen;
    bool m_awaitingFrame = false;
};

} // namespace tarnwick
