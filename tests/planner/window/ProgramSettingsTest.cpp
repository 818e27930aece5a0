// The program ini: every key written and read back, defaults, the language name and the
// recent-file keys.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "MemIniFile.h"
#include "common/TestSupport.h"
#include "planner/SettingsTestSupport.h"
#include "window/ProgramSettings.h"

namespace {

class ProgramSettingsTest : public ::testing::Test
{
protected:
    QString Written(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("velmora.ini"));
        EXPECT_TRUE(testsupport::writeFile(path, text));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(ProgramSettingsTest, EveryKeyComesBackAndMissingKeysGiveTheirDefaults)
{
    TProgramSettings saved;
    saved.Language = QStringLiteral("deutsch");
    saved.EditorTop = 120;
    saved.EditorLeft = -300;
    saved.Width = 1300;
    saved.Height = 820;
    saved.Top = 40;
    saved.Left = 2000;
    saved.DrawLines = true;
    saved.DrawLinesMultiRow = true;
    saved.Toolbar = false;
    saved.SmallTimeChart = false;
    saved.Table = false;
    saved.StatusBar = false;
    saved.EditorAsForm = true;
    saved.HideRows = true;
    saved.HideMultiRows = true;
    saved.LocalUndo = false;
    saved.AutoScroll = false;
    saved.NaturalScroll = true;
    saved.AutoArrange = true;
    saved.LastFiles = {QStringLiteral("/plans/b.zop"), QStringLiteral("/plans/a.zop"), QStringLiteral("/x/&c.zop")};
    const QString path = dir.filePath(QStringLiteral("velmora.ini"));
    {
        TMemIniFile ini(path);
        WriteProgramSettings(ini, saved);
        ASSERT_TRUE(ini.UpdateFile(false));
    }
    const QString text = QString::fromLatin1(testsupport::readFile(path));
    EXPECT_TRUE(text.contains(QStringLiteral("[Last files]\r\n0=/plans/b.zop\r\n1=/plans/a.zop\r\n2=/x/&c.zop\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("toolbar=0\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("drawfulltext")));
    EXPECT_EQ(ReadProgramSettings(TMemIniFile(path), TProgramSettings()), saved);

    // Only the view options follow the present state when their key is missing.
    TProgramSettings current;
    current.Width = 900;
    current.Toolbar = false;
    current.EditorAsForm = true;
    current.HideRows = true;  // fixed default: false
    current.LocalUndo = false; // fixed default: true
    current.Language = QStringLiteral("english");
    current.LastFiles = {QStringLiteral("/old.zop")};
    TProgramSettings expected = current;
    expected.HideRows = false;
    expected.LocalUndo = true;
    expected.Language = QStringLiteral("default");
    expected.LastFiles.clear();
    EXPECT_EQ(ReadProgramSettings(TMemIniFile(dir.filePath(QStringLiteral("none.ini"))), current), expected);
    EXPECT_EQ(ReadProgramSettings(TMemIniFile(Written("")), current), expected);
}

TEST_F(ProgramSettingsTest, CaseBlindSectionsHostileSizesAndLanguageNames)
{
    const TProgramSettings s = ReadProgramSettings(
        TMemIniFile(Written("[VIEW]\r\nLanguage=../../etc/passwd\r\nDRAWFULLTEXT=1\r\n[SETUP]\r\nWidth=0\r\n"
                            "height=2147483647\r\nTop=-2147483648\r\nautoarrange=1\r\n[Edit]\r\nNaturalScroll=1\r\n")),
        TProgramSettings());
    EXPECT_EQ(s.Language, QStringLiteral("default"));
    EXPECT_TRUE(s.DrawFullText);
    EXPECT_TRUE(s.AutoArrange);
    EXPECT_TRUE(s.NaturalScroll);
    EXPECT_EQ(s.Width, 100);
    EXPECT_EQ(s.Height, 16384);
    EXPECT_EQ(s.Top, -16384);

    EXPECT_TRUE(IsPlainLanguageName(QStringLiteral("deutsch")));
    EXPECT_TRUE(IsPlainLanguageName(QStringLiteral("English (UK)")));
    for (const char *bad : {"", "..", ".hidden", "a/b", "a\\b", "c:deutsch"})
        EXPECT_FALSE(IsPlainLanguageName(QString::fromLatin1(bad))) << bad;
    // An empty name is the built-in texts, chosen on purpose.
    EXPECT_EQ(ReadProgramSettings(TMemIniFile(Written("[view]\r\nlanguage=\r\n")), TProgramSettings()).Language,
              QString());
}

TEST_F(ProgramSettingsTest, RecentFilesAreReadFromTheKeysThereAre)
{
    // Keys out of order, a gap, an empty value, a key that is no number and one far away.
    const TProgramSettings s = ReadProgramSettings(
        TMemIniFile(Written("[Last files]\r\n2=/c.zop\r\n0=/a.zop\r\n1=\r\nname=/x.zop\r\n2147483647=/far.zop\r\n"
                            "5=/f.zop\r\n")),
        TProgramSettings());
    EXPECT_EQ(s.LastFiles, (QStringList{QStringLiteral("/a.zop"), QStringLiteral("/c.zop"), QStringLiteral("/f.zop"),
                                        QStringLiteral("/far.zop")}));
}

} // namespace
