#pragma once

#include "CuePlayer.h"

#include <QString>

namespace tarnwick {

/// The folder the cue files are looked up in, and their names.
class CueFolder {
public:
    /// Looks cues up in @p folder.
    explicit CueFolder(QString folder);

    /// The folder of the running program file, symbolic links resolved.
    /// Needs a QCoreApplication.
    static QString programFolder();

    /// The cue's file name: lower-case stem, upper-case extension, e.g. "pickup.WAV".
    static QString fileName(Cue cue);

    /// The full path of the cue's file in this folder, with native separators.
    QString filePath(Cue cue) const;

    /// The folder as given.
    const QString& folder() const { return m_folder; }

private:
    QString m_folder;
};

} // namespace tarnwick
