#include "WindowCentring.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tarnwick {
namespace {

struct TwipsCase {
    double screen, window;
    int offset;
};

void PrintTo(const TwipsCase& c, std::ostream* out)
{
    *out << c.window << " on " << c.screen;
}

class CentredOffsetTwips : public ::testing::TestWithParam<TwipsCase> { };

TEST_P(CentredOffsetTwips, RoundsTheDifferenceHalfToEvenThenHalvesTowardZero)
{
    const TwipsCase c = GetParam();
    EXPECT_EQ(centredOffsetTwips(c.screen, c.window), c.offset) << c.screen << " " << c.window;
}

INSTANTIATE_TEST_SUITE_P(Table, CentredOffsetTwips,
    ::testing::Values(TwipsCase { 15360, 8370, 3495 }, TwipsCase { 15361, 8370, 3495 },
        TwipsCase { 8250, 8250, 0 },
        // Fractions round to the nearest twip, halves to the even neighbour.
        TwipsCase { 100.6, 0, 50 }, TwipsCase { 102.5, 0, 51 }, TwipsCase { 103.5, 0, 52 },
        // Larger than the screen: negative, the half dropped toward zero.
        TwipsCase { 8000, 8265, -132 }, TwipsCase { 0, 1, 0 }, TwipsCase { 0, 103.5, -52 }));

struct PixelCase {
    QRect screen;
    QSize outer;
    QPoint topLeft;
};

void PrintTo(const PixelCase& c, std::ostream* out)
{
    *out << c.outer.width() << "x" << c.outer.height() << " on " << c.screen.width() << "x"
         << c.screen.height() << "+" << c.screen.x() << "+" << c.screen.y();
}

class CentredTopLeft : public ::testing::TestWithParam<PixelCase> { };

TEST_P(CentredTopLeft, CentresTheOuterSizeOnTheScreen)
{
    const PixelCase c = GetParam();
    EXPECT_EQ(centredTopLeft(c.screen, c.outer), c.topLeft);
}

INSTANTIATE_TEST_SUITE_P(Table, CentredTopLeft,
    ::testing::Values(PixelCase { { 0, 0, 1024, 768 }, { 556, 392 }, { 234, 188 } },
        // Odd differences come 7 twips short of the next pixel and drop it.
        PixelCase { { 0, 0, 1023, 767 }, { 554, 371 }, { 234, 198 } },
        PixelCase { { 0, 0, 500, 300 }, { 550, 367 }, { -25, -33 } },
        PixelCase { { 0, 0, 547, 364 }, { 550, 367 }, { -1, -1 } },
        PixelCase { { 1920, 100, 1280, 1024 }, { 556, 392 }, { 2282, 416 } }));

} // namespace
} // namespace tarnwick
