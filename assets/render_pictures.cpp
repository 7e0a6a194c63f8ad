// Renders the game's pictures into a folder; the build embeds them as resources.
//
//   tarnwick_render_pictures <output folder> [--contact-sheet <file.png>]

#include "ColourReducer.h"
#include "ContactSheet.h"
#include "PictureRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QString>

#include <cstdio>

using tarnwick::ColourReducer;
using tarnwick::ContactSheet;
using tarnwick::PictureRenderer;

namespace {

constexpr int kBoardColours = 256;
constexpr int kCellColours = 256;
constexpr int kIconColours = 16;

bool save(const QDir& folder, const QString& name, const QImage& image)
{
    const QString path = folder.filePath(name);
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage reduced(const QImage& image, int colours)
{
    return ColourReducer::toIndexed(image, ColourReducer::palette({ image }, colours));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && QString(argv[2]) == "--contact-sheet")) {
        std::fprintf(stderr, "usage: %s <output folder> [--contact-sheet <file.png>]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const PictureRenderer renderer;

    QMap<QString, QImage> pictures;
    for (const int scale : { 1, 2 }) {
        const QString suffix = scale == 1 ? QString() : QString("@%1x").arg(scale);
        pictures["board" + suffix + ".png"] = reduced(renderer.board(scale), kBoardColours);

        // One palette for both hole pictures, so swapping them never shifts a colour.
        const QImage peg = renderer.peg(scale);
        const QImage nopeg = renderer.nopeg(scale);
        const QList<QRgb> holePalette = ColourReducer::palette({ peg, nopeg }, kCellColours);
        pictures["peg" + suffix + ".png"] = ColourReducer::toIndexed(peg, holePalette);
        pictures["nopeg" + suffix + ".png"] = ColourReducer::toIndexed(nopeg, holePalette);

        pictures["drag" + suffix + ".png"] = reduced(renderer.dragIcon(scale), kIconColours);
        pictures["icon" + suffix + ".png"]
            = reduced(renderer.programIcon(PictureRenderer::kIconSize.width() * scale,
                          PictureRenderer::IconFinish::flat),
                kIconColours);
    }
    for (const int size : { 48, 64, 128, 256 }) {
        pictures[QString("icons/%1/tarnwick.png").arg(size)]
            = renderer.programIcon(size, PictureRenderer::IconFinish::glossy);
    }

    bool ok = true;
    for (auto it = pictures.cbegin(); it != pictures.cend(); ++it) {
        ok = save(folder, it.key(), it.value()) && ok;
    }
    if (argc == 4) {
        ok = ContactSheet::compose(pictures).save(QString::fromLocal8Bit(argv[3]), "PNG") && ok;
    }
    return ok ? 0 : 1;
}
