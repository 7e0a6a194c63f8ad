#include "ContactSheet.h"

#include "PictureRenderer.h"

#include <QPainter>
#include <QPoint>

#include <array>

namespace tarnwick {

namespace {

// The window shows this much of the board.
constexpr QSize kClientArea { 336, 328 };

constexpr int kGap = 16;

// The board as the window shows it: cells 0 to 13 with pegs, the last one empty.
QImage laidBoard(const QMap<QString, QImage>& pictures, const QString& suffix, int scale)
{
    QImage board = pictures.value("board" + suffix + ".png")
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                       .copy(QRect(QPoint(0, 0), kClientArea * scale));
    QPainter painter(&board);
    for (std::size_t cell = 0; cell < PictureRenderer::kCells.size(); ++cell) {
        const QString name = cell + 1 == PictureRenderer::kCells.size() ? "nopeg" : "peg";
        painter.drawImage(
            PictureRenderer::kCells[cell] * scale, pictures.value(name + suffix + ".png"));
    }
    return board;
}

} // namespace

QImage ContactSheet::compose(const QMap<QString, QImage>& pictures)
{
    const QImage board1x = laidBoard(pictures, "", 1);
    const QImage board2x = laidBoard(pictures, "@2x", 2);

    QImage sheet(board1x.width() + board2x.width() + 3 * kGap, board2x.height() + 420,
        QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(96, 96, 104));
    QPainter painter(&sheet);
    painter.drawImage(kGap, kGap, board1x);
    painter.drawImage(board1x.width() + 2 * kGap, kGap, board2x);

    // Each small picture at 1x, 2x, and its 1x pixels blown up four times.
    int x = kGap;
    int y = board2x.height() + 2 * kGap;
    for (const QString name : { "peg", "nopeg", "drag", "icon" }) {
        const QImage small = pictures.value(name + ".png");
        const QImage large = pictures.value(name + "@2x.png");
        painter.drawImage(x, y, small);
        painter.drawImage(x + small.width() + 8, y, large);
        painter.drawImage(x, y + large.height() + 8, small.scaled(small.size() * 4));
        x += small.width() * 4 + kGap;
    }

    // The desktop icon sizes.
    for (const int size : { 48, 64, 128, 256 }) {
        const QImage icon = pictures.value(QString("icons/%1/tarnwick.png").arg(size));
        painter.drawImage(x, y, icon);
        x += icon.width() + kGap;
    }
    return sheet;
}

} // namespace tarnwick
