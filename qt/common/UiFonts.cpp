#include "UiFonts.h"

#include "QtText.h"
#include "TwipGeometry.h"
#include "UiFace.h"

#include <QStringList>

namespace tarnwick {

namespace {

QFont fontFor(const UiFace& face)
{
    QFont font;
    QStringList families;
    for (const std::string_view family : face.families) {
        families << qtText(family);
    }
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    // Sizes in pixels: the windows are laid out in pixels at 96 dpi.
    font.setPixelSize(face.pixelsAt(kBaseDpi));
    font.setBold(face.bold);
    return font;
}

} // namespace

QFont UiFonts::printFont()
{
    return fontFor(kPrintFont);
}

QFont UiFonts::buttonFont()
{
    return fontFor(kButtonFont);
}

QString UiFonts::preferredFamily()
{
    return qtText(kButtonFont.families.front());
}

} // namespace tarnwick
