#include "QtProgramControl.h"

#include <QCoreApplication>

namespace tarnwick {

void QtProgramControl::endProgram()
{
    QCoreApplication::quit();
}

} // namespace tarnwick
