// Prints the program folder as the cue player sees it; CueFolderTest starts
// this program through a symbolic link.
#include "CueFolder.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    std::fputs(qPrintable(tarnwick::CueFolder::programFolder()), stdout);
    return 0;
}
