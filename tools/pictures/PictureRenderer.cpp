#include "PictureRenderer.h"

#include <QBrush>
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tarnwick {

namespace {

constexpr std::uint32_t kGrainSeed = 20240611U;
constexpr std::uint32_t kFluffSeed = 7713U;

// Texture samples per 1x pixel along each axis; a 2x pixel gets a quarter of
// them, so both scales average the same points (other scales about as many).
constexpr int kSamplesPer1xPixel = 4;

// The wood under the hole pictures is the board's own wood at this spot, so a
// hole picture matches the board around it.
constexpr QPointF kCellWoodOrigin { 184.0, 208.0 };
// How far around a cell the board's wood fades from the cells' wood to its own.
constexpr double kCellBlend = 7.0;

struct Rgb {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return { std::lerp(a.red, b.red, t), std::lerp(a.green, b.green, t),
        std::lerp(a.blue, b.blue, t) };
}

Rgb scaled(const Rgb& colour, double factor)
{
    return { colour.red * factor, colour.green * factor, colour.blue * factor };
}

QRgb toRgb(const Rgb& colour)
{
    const auto channel
        = [](double value) { return static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0))); };
    return qRgb(channel(colour.red), channel(colour.green), channel(colour.blue));
}

Rgb fromRgb(QRgb rgb)
{
    return { static_cast<double>(qRed(rgb)), static_cast<double>(qGreen(rgb)),
        static_cast<double>(qBlue(rgb)) };
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// An image of @p size whose pixels average colourAt over the area each pixel
// covers, taking coordinates in 1x pixels.
template <typename ColourAt> QImage renderTexture(QSize size1x, QSize size, ColourAt colourAt)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const double scaleX = static_cast<double>(size.width()) / size1x.width();
    const double scaleY = static_cast<double>(size.height()) / size1x.height();
    const int samples
        = std::max(1, static_cast<int>(std::lround(kSamplesPer1xPixel / std::min(scaleX, scaleY))));
    const double stepX = 1.0 / (samples * scaleX);
    const double stepY = 1.0 / (samples * scaleY);
    const double count = samples * samples;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            Rgb sum;
            for (int j = 0; j < samples; ++j) {
                for (int i = 0; i < samples; ++i) {
                    const Rgb sample = fromRgb(
                        colourAt(x / scaleX + (i + 0.5) * stepX, y / scaleY + (j + 0.5) * stepY));
                    sum = { sum.red + sample.red, sum.green + sample.green,
                        sum.blue + sample.blue };
                }
            }
            line[x] = toRgb(scaled(sum, 1.0 / count));
        }
    }
    return image;
}

// How much a picture of @p size is scaled from its 1x size, across and down.
QPointF scaleOf(QSize size1x, QSize size)
{
    return { static_cast<double>(size.width()) / size1x.width(),
        static_cast<double>(size.height()) / size1x.height() };
}

// A cumulus cloud: soft puffs over a flat base, each puff (dx, dy, radius).
struct Cloud {
    QPointF centre;
    std::array<std::array<double, 3>, 6> puffs {};
};

constexpr std::array kClouds {
    Cloud { { 64.0, 72.0 },
        { { { -34, 4, 11 }, { -18, -5, 14 }, { 2, -11, 16 }, { 21, -4, 13 }, { 35, 4, 9 },
            { 0, 3, 14 } } } },
    Cloud { { 262.0, 44.0 },
        { { { -24, 3, 9 }, { -10, -5, 12 }, { 7, -8, 12 }, { 22, -1, 10 }, { 32, 4, 7 },
            { 6, 3, 11 } } } },
    Cloud { { 300.0, 160.0 },
        { { { -20, 2, 8 }, { -6, -6, 11 }, { 10, -4, 10 }, { 24, 2, 8 }, { 2, 3, 9 },
            { 30, 5, 5 } } } },
    Cloud { { 26.0, 214.0 },
        { { { -22, 3, 8 }, { -8, -5, 10 }, { 8, -3, 9 }, { 20, 3, 7 }, { 0, 3, 9 },
            { -28, 5, 5 } } } },
    Cloud { { 112.0, 24.0 },
        { { { -16, 2, 6 }, { -5, -3, 8 }, { 7, -2, 7 }, { 17, 2, 5 }, { 0, 2, 7 },
            { 12, 2, 6 } } } },
};

// No puff reaches further from its cloud's centre than this.
constexpr QSizeF kCloudReach { 64.0, 40.0 };

constexpr Rgb kSkyTop { 18.0, 70.0, 208.0 };
constexpr Rgb kSkyBottom { 78.0, 142.0, 238.0 };
constexpr Rgb kCloudLight { 238.0, 232.0, 252.0 };
constexpr Rgb kCloudShade { 184.0, 172.0, 226.0 };
constexpr Rgb kWoodDark { 92.0, 36.0, 22.0 };
constexpr Rgb kWoodLight { 172.0, 82.0, 50.0 };

constexpr QColor kPeach { 0xEF, 0xB6, 0x83 };
constexpr QColor kHoleGrey { 0x80, 0x80, 0x80 };
constexpr QColor kHoleShadow { 38, 19, 11 };

} // namespace

PictureRenderer::PictureRenderer()
    : m_grain(kGrainSeed)
    , m_fluff(kFluffSeed)
{ }

double PictureRenderer::leftEdgeAt(double y)
{
    const double t = (y - kApex.y()) / (kBaseLeft.y() - kApex.y());
    return std::lerp(kApex.x(), kBaseLeft.x(), t);
}

QRgb PictureRenderer::skyAt(double x, double y) const
{
    Rgb colour = mix(kSkyTop, kSkyBottom, smoothstep(0.0, kBoardSize.height(), y));
    double fluff = -1.0;
    for (const Cloud& cloud : kClouds) {
        const double dx = x - cloud.centre.x();
        const double dy = y - cloud.centre.y();
        if (std::abs(dx) > kCloudReach.width() || std::abs(dy) > kCloudReach.height()) {
            continue;
        }
        if (fluff < 0.0) {
            fluff = m_fluff.fractal(x / 6.0, y / 5.0, 3);
        }
        double field = 0.0;
        for (const auto& puff : cloud.puffs) {
            const double px = (dx - puff[0]) / puff[2];
            const double py = (dy - puff[1]) / puff[2];
            field += std::exp(-(px * px + py * py));
        }
        // Ragged edges, and a flat base a little below the centre.
        field *= 0.8 + 0.4 * fluff;
        field *= smoothstep(9.0, 5.0, dy);
        const double cover = smoothstep(0.32, 0.55, field);
        if (cover > 0.0) {
            const Rgb cloudColour = mix(kCloudLight, kCloudShade, smoothstep(-12.0, 8.0, dy));
            colour = mix(colour, cloudColour, cover);
        }
    }
    return toRgb(colour);
}

QRgb PictureRenderer::woodAt(double x, double y) const
{
    // Horizontal grain: long streaks, stretched noise, bent a little by a slow warp.
    const double warp = 6.0 * (m_grain.at(x / 50.0 + 40.0, y / 35.0) - 0.5);
    const double gy = y + warp;
    const double broad = m_grain.fractal(x / 110.0, gy / 14.0, 2);
    const double rings = 0.5 + 0.5 * std::sin((gy + 14.0 * broad) * 2.0 * std::numbers::pi / 7.0);
    const double streaks = m_grain.fractal(x / 30.0 + 90.0, gy / 1.3, 3);
    const double fibres = m_grain.at(x / 6.0 + 200.0, gy / 0.45);
    double t = 0.28 * broad + 0.22 * rings + 0.35 * streaks + 0.15 * fibres;
    t = smoothstep(0.22, 0.78, t);
    return toRgb(mix(kWoodDark, kWoodLight, t));
}

QRgb PictureRenderer::boardWoodAt(double x, double y) const
{
    // Around each cell the board takes on the very wood of the hole pictures,
    // fading back to its own grain a few pixels out, so no cell shows a seam.
    double nearest = kCellBlend;
    QPoint cell;
    for (const QPoint& corner : kCells) {
        const double dx = std::max({ corner.x() - x, 0.0, x - (corner.x() + kCellSize.width()) });
        const double dy = std::max({ corner.y() - y, 0.0, y - (corner.y() + kCellSize.height()) });
        const double distance = std::hypot(dx, dy);
        if (distance < nearest) {
            nearest = distance;
            cell = corner;
        }
    }
    const QRgb own = woodAt(x, y);
    if (nearest >= kCellBlend) {
        return own;
    }
    const QRgb cellWood
        = woodAt(x - cell.x() + kCellWoodOrigin.x(), y - cell.y() + kCellWoodOrigin.y());
    return toRgb(mix(fromRgb(cellWood), fromRgb(own), smoothstep(1.5, kCellBlend, nearest)));
}

QImage PictureRenderer::board(int scale) const
{
    return board(kBoardSize * scale);
}

QImage PictureRenderer::board(QSize size) const
{
    const QPointF scale = scaleOf(kBoardSize, size);
    QImage image
        = renderTexture(kBoardSize, size, [this](double x, double y) { return skyAt(x, y); });
    const QImage wood
        = renderTexture(kBoardSize, size, [this](double x, double y) { return boardWoodAt(x, y); });

    // The bevel is the same wood in shade, darkest at the outer edge.
    QImage bevel = wood;
    for (int y = 0; y < bevel.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bevel.scanLine(y));
        const double left = leftEdgeAt((y + 0.5) / scale.y());
        for (int x = 0; x < bevel.width(); ++x) {
            const double across
                = std::clamp(((x + 0.5) / scale.x() - left) / kBevelWidth, 0.0, 1.0);
            line[x] = toRgb(scaled(fromRgb(line[x]), 0.38 + 0.2 * across));
        }
    }

    const auto device
        = [scale](double x, double y) { return QPointF(x * scale.x(), y * scale.y()); };

    // The triangle on a layer of its own, so that the bevel replaces wood
    // without a second antialiased outer edge.
    QImage layer(image.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(wood));
        painter.drawPolygon(QPolygonF({ device(kApex.x(), kApex.y()),
            device(kBaseRight.x(), kBaseRight.y()), device(kBaseLeft.x(), kBaseLeft.y()) }));

        const double top = 0.0;
        const double bottom = kBoardSize.height();
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.setBrush(QBrush(bevel));
        painter.drawPolygon(QPolygonF(
            { device(leftEdgeAt(top) - 10.0, top), device(leftEdgeAt(top) + kBevelWidth, top),
                device(leftEdgeAt(bottom) + kBevelWidth, bottom),
                device(leftEdgeAt(bottom) - 10.0, bottom) }));
    }

    QPainter painter(&image);
    painter.drawImage(0, 0, layer);
    return image;
}

QImage PictureRenderer::cellWood(QSize size) const
{
    return renderTexture(kCellSize, size, [this](double x, double y) {
        return woodAt(x + kCellWoodOrigin.x(), y + kCellWoodOrigin.y());
    });
}

QImage PictureRenderer::peg(int scale) const
{
    return peg(kCellSize * scale);
}

QImage PictureRenderer::peg(QSize size) const
{
    QImage image = cellWood(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF scale = scaleOf(kCellSize, size);
    painter.scale(scale.x(), scale.y());
    painter.setPen(Qt::NoPen);

    const QPointF faceCentre(22.2, 12.5);
    const double radiusX = 9.3;
    const double radiusY = 10.9;
    const QPointF backCentre(11.0, 12.5);

    // The hole the peg stands in, mostly hidden by the peg.
    painter.setBrush(kHoleShadow);
    painter.drawEllipse(QPointF(11.2, 12.5), 7.6, 10.6);

    // The body: the back end ellipse joined to the face by the body's sides.
    QPainterPath backEnd;
    backEnd.addEllipse(backCentre, radiusX, radiusY);
    QPainterPath sides;
    sides.addRect(QRectF(
        backCentre.x(), faceCentre.y() - radiusY, faceCentre.x() - backCentre.x(), 2.0 * radiusY));
    const QPainterPath body = backEnd.united(sides);

    QLinearGradient side(0.0, faceCentre.y() - radiusY, 0.0, faceCentre.y() + radiusY);
    side.setColorAt(0.0, QColor(226, 150, 96));
    side.setColorAt(0.3, QColor(214, 136, 84));
    side.setColorAt(0.75, QColor(166, 94, 54));
    side.setColorAt(1.0, QColor(112, 58, 32));
    painter.setBrush(side);
    painter.drawPath(body);

    painter.save();
    painter.setClipPath(body);
    // Grain along the body.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(120, 64, 34, 130), 0.55));
    for (const double y : { 4.3, 7.4, 10.6, 14.1, 17.3, 20.6 }) {
        QPainterPath line;
        line.moveTo(0.0, y);
        line.cubicTo(8.0, y - 0.8, 14.0, y + 0.7, faceCentre.x(), y - 0.3);
        painter.drawPath(line);
    }
    // The far end sinks into the shade of its hole.
    QLinearGradient shade(backCentre.x() - radiusX, 0.0, backCentre.x() + 2.0, 0.0);
    shade.setColorAt(0.0, QColor(30, 14, 8, 190));
    shade.setColorAt(1.0, QColor(30, 14, 8, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawRect(QRectF(0.0, 0.0, kCellSize.width(), kCellSize.height()));
    painter.restore();

    // The end face, lit from the upper left, with faint end-grain rings.
    QRadialGradient face(faceCentre, 13.0, QPointF(18.5, 8.0));
    face.setColorAt(0.0, QColor(250, 208, 160));
    face.setColorAt(0.4, kPeach);
    face.setColorAt(0.8, QColor(226, 162, 110));
    face.setColorAt(1.0, QColor(206, 140, 90));
    painter.setBrush(face);
    painter.setPen(QPen(QColor(170, 102, 58), 0.7));
    painter.drawEllipse(faceCentre, radiusX, radiusY);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(214, 150, 100, 120), 0.5));
    for (const double ring : { 0.3, 0.58, 0.83 }) {
        painter.drawEllipse(faceCentre + QPointF(0.4, 0.5), radiusX * ring, radiusY * ring);
    }
    return image;
}

QImage PictureRenderer::nopeg(int scale) const
{
    return nopeg(kCellSize * scale);
}

QImage PictureRenderer::nopeg(QSize size) const
{
    QImage image = cellWood(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF scale = scaleOf(kCellSize, size);
    painter.scale(scale.x(), scale.y());

    // A worn lip where the light catches the far rim.
    painter.setPen(QPen(QColor(196, 112, 70, 150), 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(3.2, 1.3, 17.0, 22.4), -70 * 16, 140 * 16);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kHoleShadow);
    painter.drawEllipse(QPointF(11.2, 12.5), 7.6, 10.6);

    QRadialGradient floor(QPointF(9.6, 12.5), 10.0, QPointF(10.5, 13.5));
    floor.setColorAt(0.0, QColor(134, 134, 134));
    floor.setColorAt(0.55, kHoleGrey);
    floor.setColorAt(1.0, QColor(110, 110, 110));
    painter.setBrush(floor);
    painter.drawEllipse(QPointF(9.3, 12.5), 6.8, 10.0);
    return image;
}

QImage PictureRenderer::dragIcon(int scale) const
{
    return dragIcon(kIconSize * scale);
}

QImage PictureRenderer::dragIcon(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF scale = scaleOf(kIconSize, size);
    painter.scale(scale.x(), scale.y());

    const QPointF centre(16.0, 16.0);
    const double radius = 7.5;
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.drawPath(disc);
    painter.setClipPath(disc);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre - QPointF(2.0, 0.7), radius - 1.0, radius - 0.4);
    painter.setClipping(false);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.drawPath(disc);
    return image;
}

QImage PictureRenderer::programIcon(int size, IconFinish finish) const
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = static_cast<double>(size) / kIconSize.width();
    painter.scale(scale, scale);
    const QRectF square(0.0, 0.0, kIconSize.width(), kIconSize.height());
    painter.fillRect(square, QColor(44, 150, 60));

    // Rings on half pixels, so at 32 pixels each is one crisp pixel wide.
    const QPointF centre(16.0, 16.0);
    const std::array<double, 4> rings { 3.5, 7.5, 11.5, 14.5 };
    const QColor gold(242, 202, 44);
    const QColor olive(140, 134, 34);

    painter.setPen(Qt::NoPen);
    for (const auto& [radius, colour] :
        { std::pair { 16.0, gold }, std::pair { rings[3], olive }, std::pair { rings[2], gold },
            std::pair { rings[1], olive }, std::pair { rings[0], gold } }) {
        painter.setBrush(colour);
        painter.drawEllipse(centre, radius, radius);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.0));
    for (const double ring : rings) {
        painter.drawEllipse(centre, ring, ring);
    }

    // Marbles sitting on the outer three rings.
    const std::array<QColor, 3> marbles { QColor(40, 80, 230), Qt::white, QColor(225, 30, 30) };
    const std::array<int, 3> perRing { 4, 8, 8 };
    painter.setPen(Qt::NoPen);
    for (std::size_t ring = 0; ring < perRing.size(); ++ring) {
        const int count = perRing[ring];
        for (int i = 0; i < count; ++i) {
            const double angle
                = 2.0 * std::numbers::pi * (i + 0.5 * static_cast<double>(ring % 2)) / count;
            painter.setBrush(marbles[(ring + static_cast<std::size_t>(i)) % marbles.size()]);
            painter.drawEllipse(
                centre + rings[ring + 1] * QPointF(std::cos(angle), std::sin(angle)), 1.4, 1.4);
        }
    }
    painter.setBrush(QColor(226, 24, 24));
    painter.drawEllipse(centre, 2.1, 2.1);

    if (finish == IconFinish::glossy) {
        // Polished gold, where there are colours enough to show it.
        QRadialGradient shine(QPointF(11.0, 9.0), 18.0);
        shine.setColorAt(0.0, QColor(255, 255, 255, 90));
        shine.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.setBrush(shine);
        painter.drawEllipse(centre, 16.0, 16.0);
        QRadialGradient shadow(centre, 16.0);
        shadow.setColorAt(0.8, QColor(0, 0, 0, 0));
        shadow.setColorAt(1.0, QColor(0, 0, 0, 70));
        painter.setBrush(shadow);
        painter.drawEllipse(centre, 16.0, 16.0);
    }
    return image;
}

} // namespace tarnwick
