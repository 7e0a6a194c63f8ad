// The two hole pictures: a peg standing in its hole, and the empty hole.

#include "Pictures.h"
#include "PixelChecks.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using tarnwick::Pictures;
using namespace tarnwick::test;

constexpr QRgb kPeach = 0xFFEFB683;
constexpr QRgb kHoleGrey = 0xFF808080;

class HolePicture : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        m_peg = Pictures::image("peg", scale()).convertToFormat(QImage::Format_RGB32);
        m_nopeg = Pictures::image("nopeg", scale()).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(m_peg.isNull());
        ASSERT_FALSE(m_nopeg.isNull());
    }
    [[nodiscard]] int scale() const { return GetParam(); }
    [[nodiscard]] static QRgb at(const QImage& image, double x, double y, int scale)
    {
        return image.pixel(static_cast<int>(x * scale), static_cast<int>(y * scale));
    }
    [[nodiscard]] std::array<QPoint, 4> corners() const
    {
        const int right = m_peg.width() - 1;
        const int bottom = m_peg.height() - 1;
        return { QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom) };
    }

    QImage m_peg;
    QImage m_nopeg;
};

TEST_P(HolePicture, PegShowsItsPeachEndFaceInTheRightThreeFifths)
{
    // The middle of the right three fifths is the end face.
    EXPECT_LT(distance(at(m_peg, 22.0, 12.0, scale()), kPeach), 30.0);

    const int faceStart = m_peg.width() * 2 / 5;
    int peachAcross = 0;
    for (int x = faceStart; x < m_peg.width(); ++x) {
        peachAcross += distance(m_peg.pixel(x, m_peg.height() / 2), kPeach) < 45.0 ? 1 : 0;
    }
    EXPECT_GE(peachAcross, (m_peg.width() - faceStart) * 3 / 5);

    // The body behind it on the left is not end face.
    for (int y = 0; y < m_peg.height(); ++y) {
        for (int x = 0; x < faceStart - 2 * scale(); ++x) {
            EXPECT_GE(distance(m_peg.pixel(x, y), kPeach), 45.0) << x << "," << y;
        }
    }
}

TEST_P(HolePicture, NopegShowsAnUprightGreyEllipseInTheLeftHalf)
{
    EXPECT_LT(distance(at(m_nopeg, 9.0, 12.0, scale()), kHoleGrey), 16.0);

    QRect grey;
    for (int y = 0; y < m_nopeg.height(); ++y) {
        for (int x = 0; x < m_nopeg.width(); ++x) {
            const QRgb rgb = m_nopeg.pixel(x, y);
            if (isGrey(rgb, 6) && distance(rgb, kHoleGrey) < 40.0) {
                grey |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(grey.isEmpty());
    EXPECT_LE(grey.right(), m_nopeg.width() / 2);
    EXPECT_GT(grey.height(), grey.width());
}

TEST_P(HolePicture, NopegHasAVeryDarkBrownCrescentRightOfTheHole)
{
    for (const double y : { 6.0, 9.0, 12.0, 15.0, 18.0 }) {
        const int row = static_cast<int>(y * scale());
        int x = static_cast<int>(9.0 * scale());
        while (x < m_nopeg.width() && isGrey(m_nopeg.pixel(x, row), 12)) {
            ++x;
        }
        // Just past the antialiased rim of the grey lies the shadow.
        QRgb darkest = m_nopeg.pixel(x, row);
        for (int step = 0; step < 2 * scale() && x + step < m_nopeg.width(); ++step) {
            const QRgb rgb = m_nopeg.pixel(x + step, row);
            darkest = luminance(rgb) < luminance(darkest) ? rgb : darkest;
        }
        EXPECT_LT(luminance(darkest), 45.0) << "row " << y;
        EXPECT_GE(qRed(darkest), qBlue(darkest)) << "row " << y;
    }
}

TEST_P(HolePicture, BothHaveTheSameDarkReddishBrownWoodInTheCorners)
{
    for (const QPoint corner : corners()) {
        EXPECT_TRUE(isReddishBrown(m_peg.pixel(corner))) << corner.x() << "," << corner.y();
        EXPECT_EQ(m_peg.pixel(corner), m_nopeg.pixel(corner)) << corner.x() << "," << corner.y();
    }
}

// Laid over the board, a hole picture's wood runs on into the board's: its edge
// shows no more of a seam than the board itself has between the same pixels.
TEST_P(HolePicture, WoodBlendsIntoTheBoardAroundEveryCell)
{
    const QImage board = Pictures::image("board", scale()).convertToFormat(QImage::Format_RGB32);
    const int width = m_nopeg.width();
    const int height = m_nopeg.height();
    for (std::size_t cell = 0; cell < kCells.size(); ++cell) {
        const QPoint origin = kCells[cell] * scale();
        double seam = 0.0;
        double boardItself = 0.0;
        const auto compare = [&](QPoint inside, QPoint outward) {
            const double outside = luminance(board.pixel(origin + inside + outward));
            seam += std::abs(luminance(m_nopeg.pixel(inside)) - outside);
            boardItself += std::abs(luminance(board.pixel(origin + inside)) - outside);
        };
        for (int x = 0; x < width; ++x) {
            compare({ x, 0 }, { 0, -1 });
            compare({ x, height - 1 }, { 0, 1 });
        }
        for (int y = 0; y < height; ++y) {
            compare({ 0, y }, { -1, 0 });
            compare({ width - 1, y }, { 1, 0 });
        }
        EXPECT_LT(seam, 1.25 * boardItself) << "cell " << cell;
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, HolePicture, ::testing::Values(1, 2),
    [](const auto& info) { return "x" + std::to_string(info.param); });

} // namespace
