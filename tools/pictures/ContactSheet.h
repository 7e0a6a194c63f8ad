#pragma once

#include <QImage>
#include <QMap>
#include <QString>

namespace tarnwick {

/// One picture of everything, for looking the artwork over after a change.
class ContactSheet {
public:
    /// Lays out @p pictures (keyed by file name, e.g. "peg@2x.png"): the board with
    /// pegs in its 15 cells at 1x and 2x, then every picture on its own.
    [[nodiscard]] static QImage compose(const QMap<QString, QImage>& pictures);
};

} // namespace tarnwick
