#include "UiFonts.h"

#include "QtText.h"
#include "TwipGeometry.h"
#include "UiFontSpec.h"

#include <QStringList>

namespace tarnwick {

namespace {

QFont fontFor(const UiFontSpec& spec)
{
    QFont font;
    QStringList families;
    for (const std::string_view family : spec.families) {
        families << qtText(family);
    }
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    // Sizes in pixels: the windows are laid out in pixels at 96 dpi.
    font.setPixelSize(spec.pixelsAt(kBaseDpi));
    font.setBold(spec.bold);
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
