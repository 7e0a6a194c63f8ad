// Renders the game's pictures into a folder; the build embeds them as resources.
//
//   tarnwick_tools_pictures <output folder> [--contact-sheet <file.png>]
//   tarnwick_tools_pictures <output folder> --windows
//
// With --windows it draws the Windows build's resources instead: bitmaps of
// the board and the holes and a drag cursor at every density the Windows game
// lays out at, at the sizes the shared twips give there, and the program icon.

#include "ColourReducer.h"
#include "ContactSheet.h"
#include "MainWindowLayout.h"
#include "PictureRenderer.h"
#include "PixelsHeader.h"
#include "WindowsIconFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QString>

#include <cstdint>
#include <cstdio>

using tarnwick::ColourReducer;
using tarnwick::ContactSheet;
using tarnwick::PictureRenderer;
using tarnwick::WindowsIconFile;

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

bool write(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder.filePath(name));
    if (!QDir().mkpath(folder.path()) || !file.open(QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

// The window's pictures once more, as the pixels the game paints with, so
// that it decodes nothing at start-up (see Pictures::pixmap).
bool savePixels(const QDir& folder, const QString& name, const QImage& image)
{
    const QImage pixels = image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const tarnwick::PixelsHeader header { tarnwick::PixelsHeader::kMagic,
        static_cast<std::uint32_t>(pixels.width()), static_cast<std::uint32_t>(pixels.height()),
        static_cast<std::uint32_t>(pixels.format()) };
    QByteArray bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(pixels.constBits()), pixels.sizeInBytes());
    return write(folder, name, bytes);
}

QSize sizeAt(const tarnwick::TwipRect& twips, int dpi)
{
    const tarnwick::PixelRect pixels = tarnwick::toPixels(twips, dpi);
    return { pixels.width, pixels.height };
}

bool renderWindowsPictures(const QDir& folder, const PictureRenderer& renderer)
{
    bool ok = true;
    for (const int dpi : tarnwick::kPictureDpis) {
        const QString suffix = QString("-%1").arg(dpi);
        const QImage board = renderer.board(sizeAt(tarnwick::kBoardPictureTwips, dpi));
        ok = reduced(board, kBoardColours).save(folder.filePath("board" + suffix + ".bmp"), "BMP")
            && ok;

        const QSize cell = sizeAt(tarnwick::kCellTwips.front(), dpi);
        const QImage peg = renderer.peg(cell);
        const QImage nopeg = renderer.nopeg(cell);
        const QList<QRgb> holePalette = ColourReducer::palette({ peg, nopeg }, kCellColours);
        ok = ColourReducer::toIndexed(peg, holePalette)
                 .save(folder.filePath("peg" + suffix + ".bmp"), "BMP")
            && ok;
        ok = ColourReducer::toIndexed(nopeg, holePalette)
                 .save(folder.filePath("nopeg" + suffix + ".bmp"), "BMP")
            && ok;

        const QSize icon = sizeAt(tarnwick::kIconTwips, dpi);
        const QImage drag = reduced(renderer.dragIcon(icon), kIconColours);
        ok = write(folder, "drag" + suffix + ".cur",
                 WindowsIconFile::cursor(drag, { icon.width() / 2, icon.height() / 2 }))
            && ok;
    }
    // The sizes Windows asks for at the usual densities; the largest for Explorer.
    QList<QImage> icons;
    for (const int size : { 16, 20, 24, 32, 40, 48, 64 }) {
        icons.append(
            reduced(renderer.programIcon(size, PictureRenderer::IconFinish::flat), kIconColours));
    }
    icons.append(renderer.programIcon(256, PictureRenderer::IconFinish::glossy));
    return write(folder, "tarnwick.ico", WindowsIconFile::icon(icons)) && ok;
}

} // namespace

int main(int argc, char** argv)
{
    const bool windows = argc == 3 && QString(argv[2]) == "--windows";
    if (argc != 2 && !windows && !(argc == 4 && QString(argv[2]) == "--contact-sheet")) {
        std::fprintf(stderr, "usage: %s <output folder> [--contact-sheet <file.png> | --windows]\n",
            argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const PictureRenderer renderer;
    if (windows) {
        return QDir().mkpath(folder.path()) && renderWindowsPictures(folder, renderer) ? 0 : 1;
    }

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
        if (!it.key().contains('/')) {
            QString name = it.key();
            name.replace(".png", ".pixels");
            ok = savePixels(folder, name, it.value()) && ok;
        }
    }
    if (argc == 4) {
        ok = ContactSheet::compose(pictures).save(QString::fromLocal8Bit(argv[3]), "PNG") && ok;
    }
    return ok ? 0 : 1;
}
