#include "WindowCentring.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tarnwick {
namespace {

struct TwipsCase {
    double screen;
    double window;
    int offset;
};

std::ostream& operator<<(std::ostream& out, const TwipsCase& c)
{
    return out << "screen " << c.screen << ", window " << c.window;
}

class CentredOffsetTwips : public ::testing::TestWithParam<TwipsCase> { };

TEST_P(CentredOffsetTwips, RoundsTheDifferenceHalfToEvenThenHalvesTowardZero)
{
    const TwipsCase c = GetParam();
    EXPECT_EQ(centredOffsetTwips(c.screen, c.window), c.offset);
}

INSTANTIATE_TEST_SUITE_P(Table, CentredOffsetTwips,
    ::testing::Values(
        // Even and odd differences: an odd one loses its half twip.
        TwipsCase { 15360, 8370, 3495 }, TwipsCase { 15361, 8370, 3495 },
        TwipsCase { 11520, 5640, 2940 }, TwipsCase { 8250, 8250, 0 },
        // Fractions round to the nearest twip, halves to the even neighbour.
        TwipsCase { 100.4, 0, 50 }, TwipsCase { 100.6, 0, 50 }, TwipsCase { 102.5, 0, 51 },
        TwipsCase { 103.5, 0, 52 }, TwipsCase { 104.5, 0, 52 }, TwipsCase { 5.5, 0, 3 },
        // A window larger than the screen: negative, truncated toward zero.
        TwipsCase { 8000, 8250, -125 }, TwipsCase { 8000, 8265, -132 }, TwipsCase { 0, 1, 0 },
        TwipsCase { 0, 3, -1 }, TwipsCase { 0, 102.5, -51 }, TwipsCase { 0, 103.5, -52 }));

struct PixelCase {
    QRect screen;
    QSize outer;
    QPoint topLeft;
};

std::ostream& operator<<(std::ostream& out, const PixelCase& c)
{
    return out << "screen " << c.screen.width() << "x" << c.screen.height() << "+" << c.screen.x()
               << "+" << c.screen.y() << ", window " << c.outer.width() << "x" << c.outer.height();
}

class CentredTopLeft : public ::testing::TestWithParam<PixelCase> { };

TEST_P(CentredTopLeft, CentresTheOuterSizeOnTheScreen)
{
    const PixelCase c = GetParam();
    EXPECT_EQ(centredTopLeft(c.screen, c.outer), c.topLeft);
}

INSTANTIATE_TEST_SUITE_P(Table, CentredTopLeft,
    ::testing::Values(
        // The framed window on common screens.
        PixelCase { { 0, 0, 1024, 768 }, { 556, 392 }, { 234, 188 } },
        PixelCase { { 0, 0, 800, 600 }, { 556, 392 }, { 122, 104 } },
        // Odd differences (7 twips short of the next pixel) drop the half pixel.
        PixelCase { { 0, 0, 1023, 767 }, { 554, 371 }, { 234, 198 } },
        PixelCase { { 0, 0, 551, 368 }, { 550, 367 }, { 0, 0 } },
        // Larger than the screen: pushed off to the left and top, toward zero.
        PixelCase { { 0, 0, 500, 300 }, { 550, 367 }, { -25, -33 } },
        PixelCase { { 0, 0, 549, 366 }, { 550, 367 }, { 0, 0 } },
        PixelCase { { 0, 0, 547, 364 }, { 550, 367 }, { -1, -1 } },
        // A screen that does not start at the origin.
        PixelCase { { 1920, 100, 1280, 1024 }, { 556, 392 }, { 2282, 416 } }));

} // namespace
} // namespace tarnwick
