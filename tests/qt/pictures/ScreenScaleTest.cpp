// Which file each screen gets: the 2x files from a device pixel ratio above 1
// on, the 1x files otherwise, covering the same logical size either way. The
// whole window at a ratio of 2 is MainWindowTest's (MainWindowAtScaleFactor2).

#include "Pictures.h"

#include <QIcon>
#include <QPixmap>
#include <QSize>

#include <gtest/gtest.h>

namespace {

using tarnwick::Pictures;

struct Logical {
    const char* name = nullptr;
    QSize size;
};

constexpr Logical kPictures[] = {
    { "board", { 338, 329 } },
    { "peg", { 32, 25 } },
    { "nopeg", { 32, 25 } },
    { "drag", { 32, 32 } },
    { "icon", { 32, 32 } },
};

struct RatioCase {
    qreal devicePixelRatio = 1.0;
    int file = 1; ///< The file it gets: 1 or 2 (@2x).
};

// Fractional ratios (125 % and 150 % desktops) get the finer file, which Qt
// scales down: finer than blowing up the 1x one.
constexpr RatioCase kRatios[] = {
    { 0.75, 1 },
    { 1.0, 1 },
    { 1.25, 2 },
    { 1.5, 2 },
    { 2.0, 2 },
    { 3.0, 2 },
};

QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(ScreenScale, EachRatioGetsTheFileForItAtTheSameLogicalSize)
{
    for (const RatioCase& ratio : kRatios) {
        for (const Logical& picture : kPictures) {
            SCOPED_TRACE(
                std::string(picture.name) + " at " + std::to_string(ratio.devicePixelRatio));
            const QPixmap pixmap = Pictures::pixmap(picture.name, ratio.devicePixelRatio);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio.file);
            EXPECT_EQ(pixmap.size(), picture.size * ratio.file);
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), picture.size);
            // The file's own pixels, not a resampled copy.
            EXPECT_EQ(argb(pixmap.toImage()), argb(Pictures::image(picture.name, ratio.file)));
        }
    }
}

// The window icon holds both files, so a fine screen gets the fine one.
TEST(ScreenScale, TheIconGivesEachRatioItsFile)
{
    const QIcon icon = Pictures::icon("icon");
    for (const int scale : { 1, 2 }) {
        SCOPED_TRACE(scale);
        const QPixmap pixmap = icon.pixmap(QSize(32, 32), scale);
        EXPECT_EQ(argb(pixmap.toImage()), argb(Pictures::image("icon", scale)));
    }
}

} // namespace
