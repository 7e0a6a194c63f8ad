// The drag cursor (a peg head from above) and the round-board program icon.

#include "Pictures.h"
#include "PixelChecks.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

using tarnwick::Pictures;
using namespace tarnwick::test;

class IconPicture : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        m_drag = Pictures::image("drag", scale()).convertToFormat(QImage::Format_ARGB32);
        m_icon = Pictures::image("icon", scale()).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(m_drag.isNull());
        ASSERT_FALSE(m_icon.isNull());
    }
    [[nodiscard]] int scale() const { return GetParam(); }
    [[nodiscard]] QRgb at(const QImage& image, double x, double y) const
    {
        return image.pixel(static_cast<int>(x * scale()), static_cast<int>(y * scale()));
    }

    QImage m_drag;
    QImage m_icon;
};

TEST_P(IconPicture, DragIsAWhiteDiscCentredOnTheHotSpotOnTransparency)
{
    const int last = m_drag.width() - 1;
    for (const QPoint corner :
        { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) }) {
        EXPECT_EQ(qAlpha(m_drag.pixel(corner)), 0) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(at(m_drag, 15.0, 15.0), 0xFFFFFFFFU);

    QRect opaque;
    for (int y = 0; y < m_drag.height(); ++y) {
        for (int x = 0; x < m_drag.width(); ++x) {
            if (qAlpha(m_drag.pixel(x, y)) >= 128) {
                opaque |= QRect(x, y, 1, 1);
            }
        }
    }
    // About 15 pixels across with its outline, centred on the hot spot (16, 16).
    EXPECT_NEAR(opaque.width() / static_cast<double>(scale()), 15.5, 1.5);
    EXPECT_NEAR(opaque.height() / static_cast<double>(scale()), 15.5, 1.5);
    EXPECT_NEAR((opaque.left() + opaque.right() + 1) / 2.0 / scale(), 16.0, 0.5);
    EXPECT_NEAR((opaque.top() + opaque.bottom() + 1) / 2.0 / scale(), 16.0, 0.5);
}

TEST_P(IconPicture, DragHasABlackOutlineAndASilverCrescentOnTheRight)
{
    const int row = 16 * scale();
    int left = 0;
    while (qAlpha(m_drag.pixel(left, row)) < 128) {
        ++left;
    }
    int right = m_drag.width() - 1;
    while (qAlpha(m_drag.pixel(right, row)) < 128) {
        --right;
    }
    EXPECT_LT(luminance(m_drag.pixel(left, row)), 60.0);
    EXPECT_LT(luminance(m_drag.pixel(right, row)), 60.0);

    const auto isSilver = [](QRgb rgb) {
        return isGrey(rgb, 10) && luminance(rgb) > 150.0 && luminance(rgb) < 225.0;
    };
    int silverRight = 0;
    for (int x = m_drag.width() / 2; x < right; ++x) {
        silverRight += isSilver(m_drag.pixel(x, row)) ? 1 : 0;
    }
    int silverLeft = 0;
    for (int x = left + 2 * scale(); x < m_drag.width() / 2; ++x) {
        silverLeft += isSilver(m_drag.pixel(x, row)) ? 1 : 0;
    }
    EXPECT_GE(silverRight, scale());
    EXPECT_EQ(silverLeft, 0);
}

TEST_P(IconPicture, IconIsARoundGoldBoardWithARedCentreOnGreen)
{
    const int last = m_icon.width() - 1;
    for (const QPoint corner :
        { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) }) {
        const QRgb rgb = m_icon.pixel(corner);
        EXPECT_TRUE(qGreen(rgb) > qRed(rgb) + 50 && qGreen(rgb) > qBlue(rgb) + 50)
            << corner.x() << "," << corner.y();
    }
    for (const QPointF centre : { QPointF(15.5, 15.5), QPointF(16.0, 16.0) }) {
        const QRgb rgb = at(m_icon, centre.x(), centre.y());
        EXPECT_TRUE(qRed(rgb) > 180 && qGreen(rgb) < 80 && qBlue(rgb) < 80);
    }
    // Gold and olive bands between the rings, away from the marbles.
    const auto onBand = [this](double radius) {
        return at(m_icon, 16.0 + radius * std::cos(std::numbers::pi / 4.0),
            16.0 + radius * std::sin(std::numbers::pi / 4.0));
    };
    const QRgb gold = onBand(9.5);
    EXPECT_TRUE(qRed(gold) > 200 && qGreen(gold) > 160 && qBlue(gold) < 100);
    const QRgb olive = onBand(5.5);
    EXPECT_TRUE(qRed(olive) > 100 && qRed(olive) < 180 && std::abs(qRed(olive) - qGreen(olive)) < 25
        && qBlue(olive) < 80);
}

TEST_P(IconPicture, IconHasFourConcentricBlackRings)
{
    // Half-pixel-wide annuli around the centre: a ring is a run of mostly dark ones.
    constexpr double kBin = 0.5;
    constexpr int kBins = static_cast<int>(15.9 / kBin);
    std::array<int, kBins> dark {};
    std::array<int, kBins> all {};
    for (int y = 0; y < m_icon.height(); ++y) {
        for (int x = 0; x < m_icon.width(); ++x) {
            const double radius
                = std::hypot(x + 0.5 - 16.0 * scale(), y + 0.5 - 16.0 * scale()) / scale();
            const auto bin = static_cast<std::size_t>(radius / kBin);
            if (bin < all.size()) {
                ++all[bin];
                dark[bin] += luminance(m_icon.pixel(x, y)) < 80.0 ? 1 : 0;
            }
        }
    }
    int rings = 0;
    bool inRing = false;
    for (std::size_t bin = 0; bin < all.size(); ++bin) {
        const bool mostlyDark = all[bin] > 0 && dark[bin] * 2 >= all[bin];
        rings += mostlyDark && !inRing ? 1 : 0;
        inRing = mostlyDark;
    }
    EXPECT_EQ(rings, 4);
}

INSTANTIATE_TEST_SUITE_P(Scales, IconPicture, ::testing::Values(1, 2),
    [](const auto& info) { return "x" + std::to_string(info.param); });

} // namespace
