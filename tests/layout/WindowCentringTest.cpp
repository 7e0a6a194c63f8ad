#include "CentringArithmetic.h"
#include "MainWindowLayout.h"
#include "RulesWindowLayout.h"
#include "TwipGeometry.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

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
    int screen, outer, dpi;
    int offset;
};

void PrintTo(const PixelCase& c, std::ostream* out)
{
    *out << c.outer << " on " << c.screen << " at " << c.dpi << " dpi";
}

class CentredOffsetPixels : public ::testing::TestWithParam<PixelCase> { };

TEST_P(CentredOffsetPixels, CentresTheOuterSizeOnTheScreen)
{
    const PixelCase c = GetParam();
    EXPECT_EQ(centredOffsetPixels(c.screen, c.outer, c.dpi), c.offset);
}

INSTANTIATE_TEST_SUITE_P(Table, CentredOffsetPixels,
    ::testing::Values(PixelCase { 1024, 556, 96, 234 }, PixelCase { 768, 392, 96, 188 },
        // Odd differences come 7 twips short of the next pixel and drop it.
        PixelCase { 1023, 554, 96, 234 }, PixelCase { 767, 371, 96, 198 },
        PixelCase { 500, 550, 96, -25 }, PixelCase { 300, 367, 96, -33 },
        PixelCase { 547, 550, 96, -1 }, PixelCase { 364, 367, 96, -1 },
        PixelCase { 1280, 556, 96, 362 }, PixelCase { 1024, 392, 96, 316 },
        // Denser screens: the twip offset back to the nearest pixel.
        PixelCase { 1280, 693, 120, 294 }, PixelCase { 1536, 835, 144, 351 },
        PixelCase { 1792, 961, 168, 415 }, PixelCase { 2048, 1103, 192, 473 }));

struct ConversionCase {
    int twips, dpi, pixels;
};

void PrintTo(const ConversionCase& c, std::ostream* out)
{
    *out << c.twips << " twips at " << c.dpi << " dpi";
}

class TwipsToPixels : public ::testing::TestWithParam<ConversionCase> { };

TEST_P(TwipsToPixels, RoundsToTheNearestPixelHalvesAwayFromZero)
{
    const ConversionCase c = GetParam();
    EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Table, TwipsToPixels,
    ::testing::Values(ConversionCase { 5040, 96, 336 }, ConversionCase { 4920, 96, 328 },
        ConversionCase { 2715, 96, 181 }, ConversionCase { 1215, 96, 81 },
        ConversionCase { 375, 120, 31 }, ConversionCase { 2715, 120, 226 },
        ConversionCase { 5070, 120, 423 }, ConversionCase { 375, 144, 38 },
        ConversionCase { 1215, 144, 122 }, ConversionCase { 4935, 144, 494 },
        ConversionCase { 375, 192, 50 }, ConversionCase { 2715, 192, 362 },
        ConversionCase { -375, 144, -38 }, ConversionCase { 7, 96, 0 }));

// Whatever the density, the rounding must keep the window playable: every
// cell is the size of its picture, inside the client area, and no two cells
// or buttons overlap, or a press would land in the wrong place.
TEST(Layout, CellsKeepTheirPictureSizeAndNeverOverlapAtAnyPictureDensity)
{
    const auto overlap = [](const PixelRect& a, const PixelRect& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height
            && b.top < a.top + a.height;
    };
    for (const int dpi : kPictureDpis) {
        const PixelRect client = toPixels(kMainClientTwips, dpi);
        const PixelRect picture = toPixels(kCellTwips.front(), dpi);
        std::vector<PixelRect> placed = { toPixels(kCommand1Twips, dpi),
            toPixels(kCommand2Twips, dpi), toPixels(kCommand3Twips, dpi) };
        for (const TwipRect& twips : kCellTwips) {
            const PixelRect cell = toPixels(twips, dpi);
            EXPECT_EQ(cell.width, picture.width) << dpi;
            EXPECT_EQ(cell.height, picture.height) << dpi;
            EXPECT_LE(cell.left + cell.width, client.width) << dpi;
            EXPECT_LE(cell.top + cell.height, client.height) << dpi;
            for (const PixelRect& other : placed) {
                EXPECT_FALSE(overlap(cell, other)) << cell.left << "," << cell.top << " " << dpi;
            }
            placed.push_back(cell);
        }
        const PixelRect ok = toPixels(kOkButtonTwips, dpi);
        EXPECT_LE(ok.top + ok.height, toPixels(kRulesClientTwips, dpi).height) << dpi;
    }
    EXPECT_EQ(layoutDpi(95), 96);
    EXPECT_EQ(layoutDpi(144), 144);
    EXPECT_EQ(layoutDpi(150), 144);
    EXPECT_EQ(layoutDpi(288), 192);
}

} // namespace
} // namespace tarnwick
