#pragma once

#include <QString>

namespace tarnwick {

/// Captions the player reads in the main window, exactly as written.
inline const QString kMainCaption = QStringLiteral("Tarnwick");
inline const QString kStartGameCaption = QStringLiteral("Start Game");
inline const QString kHelpCaption = QStringLiteral("HELP");
inline const QString kQuitCaption = QStringLiteral("QUIT");

} // namespace tarnwick
