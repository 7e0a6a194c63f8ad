#include "CueFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

struct NameCase {
    Cue cue = Cue::pickup;
    const char* fileName = "";
};

TEST(CueFolderTest, EachCueHasItsOwnFileWithALowerCaseStemAndUpperCaseExtension)
{
    const NameCase cases[] = {
        { Cue::pickup, "pickup.WAV" },
        { Cue::pegdrop, "pegdrop.WAV" },
        { Cue::winner, "winner.WAV" },
        { Cue::loser, "loser.WAV" },
        { Cue::loser4, "loser4.WAV" },
        { Cue::loser3, "loser3.WAV" },
    };
    const CueFolder folder(QStringLiteral("/opt/tarnwick"));
    for (const NameCase& c : cases) {
        EXPECT_EQ(CueFolder::fileName(c.cue), QLatin1String(c.fileName));
        EXPECT_EQ(
            folder.filePath(c.cue), QStringLiteral("/opt/tarnwick/") + QLatin1String(c.fileName));
    }
}

TEST(CueFolderTest, PathsUseOneNativeSeparatorWhateverTheFolderEndsWith)
{
    const QString expected = QDir::toNativeSeparators(QStringLiteral("/games/winner.WAV"));
    EXPECT_EQ(CueFolder(QStringLiteral("/games")).filePath(Cue::winner), expected);
    EXPECT_EQ(CueFolder(QStringLiteral("/games/")).filePath(Cue::winner), expected);
    EXPECT_EQ(CueFolder(QStringLiteral("/")).filePath(Cue::winner),
        QDir::toNativeSeparators(QStringLiteral("/winner.WAV")));
    EXPECT_FALSE(CueFolder(QStringLiteral("/games")).filePath(Cue::winner).contains(u'\\'));
}

TEST(CueFolderTest, TheProgramFolderIsWhereTheProgramFileReallyLies)
{
    const QString probe = QStringLiteral(TARNWICK_PROGRAM_FOLDER_PROBE);
    const QString realFolder = QFileInfo(probe).canonicalPath();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString link = elsewhere.filePath(QStringLiteral("tarnwick-link"));
    ASSERT_TRUE(QFile::link(probe, link));

    for (const QString& program : { probe, link }) {
        QProcess process;
        process.start(program, {});
        ASSERT_TRUE(process.waitForFinished(30000)) << qPrintable(program);
        EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardOutput()), realFolder)
            << "started as " << qPrintable(program);
    }
}

} // namespace
} // namespace tarnwick
