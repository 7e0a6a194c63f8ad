#include "UiFonts.h"

#include <QStringList>

namespace tarnwick {

namespace {

constexpr int kPrintPixelSize = 13;
constexpr int kButtonPixelSize = 11;

QFont boldSans(int pixelSize)
{
    QFont font;
    // Nimbus Sans is installed by scripts/setup.sh. Liberation Sans and Arial
    // share its advance widths, so text laid out for one fits the others.
    font.setFamilies({ UiFonts::preferredFamily(), QStringLiteral("Liberation Sans"),
        QStringLiteral("Arial"), QStringLiteral("Helvetica") });
    font.setStyleHint(QFont::SansSerif);
    // Sizes in pixels: the windows are laid out in pixels at 96 dpi.
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

} // namespace

QFont UiFonts::printFont()
{
    return boldSans(kPrintPixelSize);
}

QFont UiFonts::buttonFont()
{
    return boldSans(kButtonPixelSize);
}

QString UiFonts::preferredFamily()
{
    return QStringLiteral("Nimbus Sans");
}

} // namespace tarnwick
