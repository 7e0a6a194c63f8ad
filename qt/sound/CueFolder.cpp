#include "CueFolder.h"

#include "CueFileName.h"

#include <QCoreApplication>
#include <QDir>

#include <utility>

namespace tarnwick {

CueFolder::CueFolder(QString folder)
    : m_folder(std::move(folder))
{ }

QString CueFolder::programFolder()
{
    // On Linux Qt reads /proc/self/exe, which already names the real file
    // behind any symbolic link the program was started through.
    return QCoreApplication::applicationDirPath();
}

QString CueFolder::fileName(Cue cue)
{
    return QString::fromStdString(cueFileName(cue));
}

QString CueFolder::filePath(Cue cue) const
{
    // QDir::filePath copes with a folder that ends in a separator ("/").
    return QDir::toNativeSeparators(QDir(m_folder).filePath(fileName(cue)));
}

} // namespace tarnwick
