// The board: a wooden triangle on a blue sky, on which the 15 hole cells sit.

#include "Pictures.h"
#include "PixelChecks.h"

#include <QImage>
#include <QPoint>

#include <gtest/gtest.h>

#include <array>

namespace {

using tarnwick::Pictures;
using namespace tarnwick::test;

class BoardPicture : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        m_board = Pictures::image("board", scale()).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(m_board.isNull());
    }
    [[nodiscard]] int scale() const { return GetParam(); }
    // The pixel at 1x position (x, y), at the picture's scale.
    [[nodiscard]] QRgb at(int x, int y) const { return m_board.pixel(x * scale(), y * scale()); }

    // First pixel of the row (in picture pixels) that is not sky, from the left or right.
    [[nodiscard]] int firstWood(int row, int step) const
    {
        int x = step > 0 ? 0 : m_board.width() - 1;
        while (x >= 0 && x < m_board.width() && isSky(m_board.pixel(x, row))) {
            x += step;
        }
        return x;
    }

    QImage m_board;
};

TEST_P(BoardPicture, HasSaturatedBlueSkyInTheTopCorners)
{
    const int right = m_board.width() - 1;
    for (const QPoint corner :
        { QPoint(0, 0), QPoint(right, 0), QPoint(3, 3), QPoint(right - 3, 3) }) {
        EXPECT_TRUE(isSaturatedBlue(m_board.pixel(corner))) << corner.x() << "," << corner.y();
    }
}

TEST_P(BoardPicture, ShowsTheTriangleWithItsApexAndBase)
{
    // Apex: the first row with wood in it, near x = 170.
    int apexRow = 0;
    while (apexRow < m_board.height() && firstWood(apexRow, 1) >= m_board.width()) {
        ++apexRow;
    }
    EXPECT_NEAR(apexRow / static_cast<double>(scale()), 12.0, 3.0);
    EXPECT_NEAR(firstWood(apexRow + 2 * scale(), 1) / static_cast<double>(scale()), 170.0, 3.0);

    // Base: wood from x = 17 to 323 just above y = 319, sky below it.
    const int aboveBase = 317 * scale();
    EXPECT_NEAR(firstWood(aboveBase, 1) / static_cast<double>(scale()), 17.0, 2.5);
    EXPECT_NEAR(firstWood(aboveBase, -1) / static_cast<double>(scale()), 323.0, 2.5);
    for (const int x : { 17, 100, 170, 250, 322 }) {
        EXPECT_TRUE(isSky(at(x, 321))) << "below the base at x = " << x;
    }
}

TEST_P(BoardPicture, HasEveryCellCornerOnTheWood)
{
    for (std::size_t cell = 0; cell < kCells.size(); ++cell) {
        const QPoint topLeft = kCells[cell] * scale();
        const QPoint bottomRight = topLeft + QPoint(32 * scale() - 1, 25 * scale() - 1);
        for (const QPoint corner : { topLeft, QPoint(bottomRight.x(), topLeft.y()),
                 QPoint(topLeft.x(), bottomRight.y()), bottomRight }) {
            const QRgb rgb = m_board.pixel(corner);
            EXPECT_TRUE(isReddishBrown(rgb) && !isSky(rgb))
                << "cell " << cell << " corner " << corner.x() << "," << corner.y();
        }
        // Clear of the dark bevel: the corner is as light as the wood beside it.
        const double wood = meanLuminance(
            m_board, topLeft.y(), topLeft.x() + 4 * scale(), topLeft.x() + 12 * scale());
        EXPECT_GT(luminance(m_board.pixel(topLeft)), 0.7 * wood) << "cell " << cell;
    }
}

TEST_P(BoardPicture, HasADarkBevelOnTheLeftSideOnly)
{
    for (const int y : { 40, 90, 140, 190, 240, 300 }) {
        SCOPED_TRACE(y);
        const int row = y * scale();
        const int left = firstWood(row, 1);
        const int right = firstWood(row, -1);
        ASSERT_LT(left + 20 * scale(), right);

        // Bevel: the first 3 pixels in from the edge, against the wood beside it.
        const double leftBevel = meanLuminance(m_board, row, left + scale(), left + 3 * scale());
        const double leftWood
            = meanLuminance(m_board, row, left + 7 * scale(), left + 15 * scale());
        EXPECT_LT(leftBevel, 0.65 * leftWood);

        const double rightEdge = meanLuminance(m_board, row, right - 3 * scale(), right - scale());
        const double rightWood
            = meanLuminance(m_board, row, right - 15 * scale(), right - 7 * scale());
        // Grain alone varies along a row by up to a fifth.
        EXPECT_GT(rightEdge, 0.75 * rightWood);
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, BoardPicture, ::testing::Values(1, 2),
    [](const auto& info) { return "x" + std::to_string(info.param); });

} // namespace
