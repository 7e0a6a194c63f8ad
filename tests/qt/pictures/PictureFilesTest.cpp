// What every picture file must be: present in the resources, the right size at
// both scales, indexed with few colours, opaque or not as the game expects.

#include "Pictures.h"

#include <QFile>
#include <QImage>
#include <QResource>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ostream>

namespace {

using tarnwick::Pictures;

struct PictureFile {
    const char* name = nullptr;
    QSize size1x;
    int maxColours = 0;
    bool transparent = false;
};

void PrintTo(const PictureFile& file, std::ostream* out)
{
    *out << file.name;
}

class PictureFiles : public ::testing::TestWithParam<PictureFile> { };

TEST_P(PictureFiles, AreLinkedInAtBothScales)
{
    for (const int scale : { 1, 2 }) {
        EXPECT_TRUE(QFile::exists(Pictures::resourcePath(GetParam().name, scale)))
            << qPrintable(Pictures::resourcePath(GetParam().name, scale));
        // The ready pixels too, whole, or the game falls back to decoding the PNG.
        const QResource pixels(Pictures::pixelsPath(GetParam().name, scale));
        const QSize size = GetParam().size1x * scale;
        EXPECT_EQ(pixels.uncompressedSize(),
            sizeof(Pictures::PixelsHeader) + std::size_t { 4 } * size.width() * size.height())
            << qPrintable(pixels.fileName());
    }
}

TEST_P(PictureFiles, HaveTheirSizeIndexedColoursAndOpacity)
{
    const PictureFile& file = GetParam();
    for (const int scale : { 1, 2 }) {
        SCOPED_TRACE(scale);
        const QImage image = Pictures::image(file.name, scale);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), file.size1x * scale);
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_GE(image.colorCount(), 2);
        EXPECT_LE(image.colorCount(), file.maxColours);

        int transparentPixels = 0;
        int partlyTransparentPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                transparentPixels += alpha == 0 ? 1 : 0;
                partlyTransparentPixels += alpha != 0 && alpha != 255 ? 1 : 0;
            }
        }
        if (file.transparent) {
            EXPECT_GT(transparentPixels, image.width() * image.height() / 2);
        } else {
            EXPECT_EQ(transparentPixels + partlyTransparentPixels, 0);
        }
    }
}

// The 2x picture is the same drawing, finer: averaged down it gives the 1x one.
TEST_P(PictureFiles, At2xAgreeWithTheirSelvesAt1x)
{
    const QImage small
        = Pictures::image(GetParam().name, 1).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage large
        = Pictures::image(GetParam().name, 2).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(large.size(), small.size() * 2);

    double totalDifference = 0.0;
    int badPixels = 0;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const QRgb quad[4] = { large.pixel(2 * x, 2 * y), large.pixel(2 * x + 1, 2 * y),
                large.pixel(2 * x, 2 * y + 1), large.pixel(2 * x + 1, 2 * y + 1) };
            const QRgb one = small.pixel(x, y);
            double difference = 0.0;
            for (const int shift : { 0, 8, 16, 24 }) {
                const auto channel
                    = [shift](QRgb rgb) { return static_cast<int>((rgb >> shift) & 0xFFU); };
                const double averaged
                    = (channel(quad[0]) + channel(quad[1]) + channel(quad[2]) + channel(quad[3]))
                    / 4.0;
                difference += std::abs(averaged - channel(one));
            }
            totalDifference += difference / 4.0;
            badPixels += difference / 4.0 > 64.0 ? 1 : 0;
        }
    }
    const int pixels = small.width() * small.height();
    EXPECT_LT(totalDifference / pixels, 8.0) << "mean difference per channel";
    EXPECT_LT(badPixels, pixels / 50) << "pixels that differ badly";
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureFiles,
    ::testing::Values(PictureFile { "board", { 338, 329 }, 256, false },
        PictureFile { "peg", { 32, 25 }, 256, false },
        PictureFile { "nopeg", { 32, 25 }, 256, false },
        PictureFile { "drag", { 32, 32 }, 16, true },
        PictureFile { "icon", { 32, 32 }, 16, false }),
    [](const auto& info) { return std::string(info.param.name); });

// Swapping peg for nopeg in a cell must never shift a colour.
TEST(HolePictureFiles, ShareOnePaletteAtEachScale)
{
    for (const int scale : { 1, 2 }) {
        SCOPED_TRACE(scale);
        const QImage peg = Pictures::image("peg", scale);
        const QImage nopeg = Pictures::image("nopeg", scale);
        ASSERT_FALSE(peg.colorTable().isEmpty());
        EXPECT_EQ(peg.colorTable(), nopeg.colorTable());
    }
}

} // namespace
