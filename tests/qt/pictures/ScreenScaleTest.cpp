// What a screen gets: the 2x files on a screen of twice the density, the 1x
// files otherwise, covering the same logical size either way. Registered twice
// with CTest: as is, and with QT_SCALE_FACTOR=2.

#include "Pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include <gtest/gtest.h>

namespace {

using tarnwick::Pictures;

// The scale the run was started with; QT_SCALE_FACTOR is what sets it.
int startedScale()
{
    return qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")
        ? 1
        : qEnvironmentVariableIntValue("QT_SCALE_FACTOR");
}

struct Logical {
    const char* name = nullptr;
    QSize size;
};

TEST(ScreenScale, MatchesTheScaleTheRunWasStartedWith)
{
    EXPECT_DOUBLE_EQ(qApp->devicePixelRatio(), startedScale());
}

TEST(ScreenScale, PixmapsComeFromTheFileForTheScreen)
{
    const int scale = startedScale();
    for (const Logical& picture : { Logical { "board", { 338, 329 } },
             Logical { "peg", { 32, 25 } }, Logical { "nopeg", { 32, 25 } },
             Logical { "drag", { 32, 32 } }, Logical { "icon", { 32, 32 } } }) {
        SCOPED_TRACE(picture.name);
        const QPixmap pixmap = Pictures::pixmap(picture.name);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), scale);
        EXPECT_EQ(pixmap.size(), picture.size * scale);
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), picture.size);
        // Same pixels as the file itself, not a resampled copy.
        EXPECT_EQ(pixmap.toImage().convertToFormat(QImage::Format_ARGB32),
            Pictures::image(picture.name, scale).convertToFormat(QImage::Format_ARGB32));
    }
}

// The window icon holds both files, so it gets the fine one too.
TEST(ScreenScale, IconsHoldTheFineFileToo)
{
    const QIcon icon = Pictures::icon("icon");
    const QPixmap pixmap = icon.pixmap(QSize(32, 32));
    EXPECT_EQ(pixmap.size(), QSize(32, 32) * startedScale());
}

} // namespace
