#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <utility>

#include "MemIniFile.h"
#include "common/TestSupport.h"

namespace {

class MemIniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

} // namespace

TEST_F(MemIniFileTest, ParsesLinesIntoSectionsAndRendersThemBack)
{
    const QString file = path("plain.ini");
    ASSERT_TRUE(testsupport::writeFile(file, "orphan=dropped\n"
                                             "; a comment\n"
                                             "[Setup]\n"
                                             "width=800\n"
                                             "key = value\n"
                                             "a=b=c\n"
                                             "\n"
                                             "loose text\n"
                                             "[]\n"
                                             "x=1\n"
                                             "[setup]\n"
                                             "width=1\n"));
    TMemIniFile ini(file);
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{"Setup", "", "setup"}));

    EXPECT_EQ(ini.ReadString("SETUP", "WIDTH", "?"), "800"); // first section of that name wins
    EXPECT_EQ(ini.ReadString("Setup", "key ", "?"), " value"); // nothing is trimmed
    EXPECT_EQ(ini.ReadString("Setup", "key", "?"), "?");
    EXPECT_EQ(ini.ReadString("Setup", "a", "?"), "b=c");
    EXPECT_EQ(ini.ReadString("", "x", "?"), "1");
    EXPECT_EQ(ini.ReadString("Setup", "orphan", "?"), "?");

    QStringList keys;
    ini.ReadSection("setup", keys);
    EXPECT_EQ(keys, (QStringList{"width", "key ", "a", ""}));
    QStringList values;
    ini.ReadSectionValues("Setup", values);
    EXPECT_EQ(values, (QStringList{"width=800", "key = value", "a=b=c", "loose text"}));
    ini.ReadSection("missing", keys);
    EXPECT_TRUE(keys.isEmpty());
    EXPECT_TRUE(ini.ValueExists("setup", "A"));
    EXPECT_FALSE(ini.ValueExists("setup", "b"));

    ASSERT_TRUE(ini.UpdateFile(false));
    EXPECT_EQ(testsupport::readFile(file), crlf("[Setup]\n"
                                                "width=800\n"
                                                "key = value\n"
                                                "a=b=c\n"
                                                "loose text\n"
                                                "\n"
                                                "[]\n"
                                                "x=1\n"
                                                "\n"
                                                "[setup]\n"
                                                "width=1\n"
                                                "\n"));
}

TEST_F(MemIniFileTest, WritesReplaceCaseInsensitivelyAndAppendInOrder)
{
    TMemIniFile ini(path("missing.ini"));
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_TRUE(sections.isEmpty());
    EXPECT_EQ(ini.ReadString("view", "language", "default"), "default");

    ini.WriteString("view", "Language", "Deutsch");
    ini.WriteString("View", "toolbar", "1");
    ini.WriteString("VIEW", "LANGUAGE", "English"); // replaces, taking the new spelling
    ini.WriteString("edit", "localundo", "0");
    QStringList values;
    ini.ReadSectionValues("view", values);
    EXPECT_EQ(values, (QStringList{"LANGUAGE=English", "toolbar=1"}));
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{"view", "edit"}));

    ini.DeleteKey("view", "Toolbar");
    ini.DeleteKey("view", "nothing");
    ini.ReadSectionValues("view", values);
    EXPECT_EQ(values, QStringList{"LANGUAGE=English"});

    ini.EraseSection("EDIT");
    ini.EraseSection("unknown");
    ini.ReadSections(sections);
    EXPECT_EQ(sections, QStringList{"view"});

    ini.Clear();
    ini.ReadSections(sections);
    EXPECT_TRUE(sections.isEmpty());
}

TEST_F(MemIniFileTest, TypedValues)
{
    TMemIniFile ini(path("typed.ini"));
    ini.WriteString("n", "hex1", "0x1F");
    ini.WriteString("n", "hex2", "0X1f");
    ini.WriteString("n", "hex3", "$1F");
    ini.WriteString("n", "hexneg", "$FFFFFFFF");
    ini.WriteString("n", "bare0x", "0x");
    ini.WriteString("n", "junk", "12a");
    ini.WriteString("n", "big", "2147483648");
    ini.WriteString("n", "min", "-2147483648");
    ini.WriteString("n", "empty", "");
    EXPECT_EQ(ini.ReadInteger("n", "hex1", -1), 31);
    EXPECT_EQ(ini.ReadInteger("n", "hex2", -1), 31);
    EXPECT_EQ(ini.ReadInteger("n", "hex3", -1), 31);
    EXPECT_EQ(ini.ReadInteger("n", "hexneg", 0), -1);
    EXPECT_EQ(ini.ReadInteger("n", "bare0x", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "junk", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "min", 7), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("n", "empty", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "absent", 7), 7);

    // Negated hexadecimal wraps within 32 bits; the most negative value comes out as itself.
    const std::pair<const char *, int> negatedHex[] = {
        {"-$80000000", -2147483647 - 1}, {"-0x80000000", -2147483647 - 1}, {"$80000000", -2147483647 - 1},
        {"-$1", -1}, {"-$FFFFFFFF", 1}, {"-0x7FFFFFFF", -2147483647}, {"-$100000000", 7}};
    for (const auto &[text, expected] : negatedHex) {
        ini.WriteString("n", "neg", text);
        EXPECT_EQ(ini.ReadInteger("n", "neg", 7), expected) << text;
    }

    ini.WriteInteger("n", "i", -42);
    EXPECT_EQ(ini.ReadString("n", "i", ""), "-42");
    ini.WriteBool("b", "on", true);
    ini.WriteBool("b", "off", false);
    ini.WriteString("b", "five", "5");
    EXPECT_EQ(ini.ReadString("b", "on", ""), "1");
    EXPECT_EQ(ini.ReadString("b", "off", ""), "0");
    EXPECT_TRUE(ini.ReadBool("b", "on", false));
    EXPECT_FALSE(ini.ReadBool("b", "off", true));
    EXPECT_TRUE(ini.ReadBool("b", "five", false));
    EXPECT_TRUE(ini.ReadBool("b", "absent", true));
    EXPECT_FALSE(ini.ReadBool("n", "junk", false));

    ini.WriteFloat("f", "pi", 3.25);
    ini.WriteFloat("f", "big", 1234567.5);
    EXPECT_EQ(ini.ReadString("f", "pi", ""), "3.25");
    EXPECT_EQ(ini.ReadString("f", "big", ""), "1234567.5"); // no group separators
    EXPECT_DOUBLE_EQ(ini.ReadFloat("f", "big", 0), 1234567.5);
    ini.WriteFloat("f", "third", 1.0 / 3.0);
    EXPECT_EQ(ini.ReadFloat("f", "third", 0), 1.0 / 3.0); // shortest text still round-trips
    EXPECT_DOUBLE_EQ(ini.ReadFloat("n", "junk", 2.5), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("n", "empty", 2.5), 2.5);

    // 2024-02-29 is day 45351; 13:45:30 is 49530 s into the day.
    const TDateTime date = 45351;
    const TDateTime dateTime = 45351 + 49530.0 / 86400.0;
    ini.WriteDate("d", "date", date);
    ini.WriteDateTime("d", "dt", dateTime);
    ini.WriteDateTime("d", "midnight", date);
    ini.WriteTime("d", "time", dateTime);
    EXPECT_EQ(ini.ReadString("d", "date", ""), "2/29/2024"); // en_US, four-digit year
    EXPECT_EQ(ini.ReadString("d", "dt", ""), "2/29/2024 1:45:30 PM");
    EXPECT_EQ(ini.ReadString("d", "midnight", ""), "2/29/2024");
    EXPECT_EQ(ini.ReadString("d", "time", ""), "1:45:30 PM");
    EXPECT_DOUBLE_EQ(ini.ReadDate("d", "date", 0), date);
    EXPECT_NEAR(ini.ReadDateTime("d", "dt", 0), dateTime, 1e-9);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("d", "midnight", 0), date);
    EXPECT_NEAR(ini.ReadTime("d", "time", 0), 49530.0 / 86400.0, 1e-9);
    ini.WriteString("d", "iso", "2024-02-29 13:45");
    ini.WriteString("d", "bad", "2024-02-30");
    EXPECT_NEAR(ini.ReadDateTime("d", "iso", 0), date + 49500.0 / 86400.0, 1e-9);
    EXPECT_DOUBLE_EQ(ini.ReadDate("d", "bad", -5), -5);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("d", "absent", -5), -5);
    EXPECT_DOUBLE_EQ(ini.ReadTime("d", "date", -5), -5);
}

TEST_F(MemIniFileTest, LineBreaksCannotSplitTheFile)
{
    const QString file = path("breaks.ini");
    {
        TMemIniFile ini(file);
        ini.WriteString("Setup", "Footer", "line one\r\nline two\n[Injected]\rthree");
        ini.WriteString("Setup", "multi\nkey", "v");
        ini.WriteString("Sec\ntion", "k", "v");
        ini.WriteString("Setup", "after", "ok");
        ASSERT_TRUE(ini.UpdateFile(false));
    }
    TMemIniFile ini(file);
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{"Setup", "Sec\\ntion"}));
    EXPECT_EQ(ini.ReadString("Setup", "Footer", ""), "line one\\nline two\\n[Injected]\\nthree");
    EXPECT_EQ(ini.ReadString("Setup", "multi\nkey", ""), "v"); // lookups escape the same way
    EXPECT_EQ(ini.ReadString("Setup", "after", ""), "ok");
    EXPECT_EQ(ini.ReadString("Sec\ntion", "k", ""), "v");

    // Lines handed in through the line lists are split like a file would be.
    TMemIniFile other(QString{});
    other.SetStrings({"[A]", "x=1\ny=2", "[B]\nz=3"});
    EXPECT_EQ(other.ReadString("A", "y", ""), "2");
    EXPECT_EQ(other.ReadString("B", "z", ""), "3");
    other.AddSection("C").append("raw\nline");
    QStringList rendered;
    other.GetStrings(rendered);
    EXPECT_TRUE(rendered.contains("raw\\nline"));
}

TEST_F(MemIniFileTest, EncodingIsWindows1252WithUtf8WhenNeeded)
{
    const QString file = path("enc.ini");
    ASSERT_TRUE(testsupport::writeFile(file, "[translated]\r\nAbout=\xDC" "ber \x80 5\r\n"));
    {
        TMemIniFile ini(file);
        EXPECT_EQ(ini.ReadString("translated", "About", ""), QString::fromUtf8("Über € 5"));
        ini.WriteString("translated", "Name", QString::fromUtf8("Grüße"));
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_EQ(testsupport::readFile(file),
                  QByteArray("[translated]\r\nAbout=\xDC" "ber \x80 5\r\nName=Gr\xFC\xDF" "e\r\n\r\n"));

        // A character outside Windows-1252 switches the whole file to UTF-8 with a mark.
        ini.WriteString("translated", "Kyiv", QString::fromUtf8("Київ"));
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_TRUE(testsupport::readFile(file).startsWith("\xEF\xBB\xBF[translated]"));
    }
    TMemIniFile ini(file);
    EXPECT_EQ(ini.ReadString("translated", "Kyiv", ""), QString::fromUtf8("Київ"));
    EXPECT_EQ(ini.ReadString("translated", "Name", ""), QString::fromUtf8("Grüße"));
    EXPECT_EQ(ini.ReadString("translated", "About", ""), QString::fromUtf8("Über € 5"));

    // A UTF-8 file with a byte order mark written by an editor.
    ASSERT_TRUE(testsupport::writeFile(file, "\xEF\xBB\xBF[s]\nk=\xC3\xA9t\xC3\xA9\n"));
    TMemIniFile bom(file);
    EXPECT_EQ(bom.ReadString("s", "k", ""), QString::fromUtf8("été"));
}

TEST_F(MemIniFileTest, FailedWritesAreReportedAndKeepTheOldFile)
{
    TMemIniFile nowhere(path("no/such/folder/x.ini"));
    nowhere.WriteString("a", "b", "c");
    EXPECT_FALSE(nowhere.UpdateFile());
    EXPECT_FALSE(nowhere.LastError().isEmpty());

    // A successful write leaves no temporary file behind.
    const QString file = path("readonly.ini");
    ASSERT_TRUE(testsupport::writeFile(file, "[a]\r\nb=old\r\n"));
    TMemIniFile ini(file);
    ini.WriteString("a", "c", "x");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"readonly.ini"});

    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner));
    const QByteArray before = testsupport::readFile(file);
    ini.WriteString("a", "b", "new");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(testsupport::readFile(file), before);
}

TEST_F(MemIniFileTest, CompressedFilesReadBackToTheSameSectionsAndLines)
{
    const QString file = path("packed.ini");
    QStringList original;
    {
        TMemIniFile ini(file);
        ini.WriteString("Archiv", "count", "300");
        for (int i = 0; i < 300; ++i) {
            const QString section = QStringLiteral("ArchivItem%1").arg(i);
            ini.WriteString(section, "Task", QStringLiteral("Task number %1 with a longer text").arg(i));
            ini.WriteString(section, "Start", "2024-02-29 08:00:00");
            ini.WriteString(section, QString::fromUtf8("Bemerkung"), QString::fromUtf8("Grüße €"));
            ini.WriteString(section, "__table", "tbTable");
        }
        ini.GetStrings(original);
        ASSERT_TRUE(ini.UpdateFile(true));
    }
    const QByteArray bytes = testsupport::readFile(file);
    ASSERT_TRUE(bytes.startsWith(QByteArray("\x7A\x69\x70\x00", 4)));
    // Much smaller than the text, so it really is coded and not stored.
    EXPECT_LT(bytes.size(), original.join("\r\n").size() / 4);

    TMemIniFile ini(file);
    QStringList loaded;
    ini.GetStrings(loaded);
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(ini.ReadInteger("archiv", "COUNT", 0), 300);
    EXPECT_EQ(ini.ReadString("ArchivItem299", "bemerkung", ""), QString::fromUtf8("Grüße €"));

    // Writing it plain again gives an ordinary text file with the same content.
    ASSERT_TRUE(ini.UpdateFile(false));
    EXPECT_TRUE(testsupport::readFile(file).startsWith("[Archiv]\r\ncount=300\r\n"));
    TMemIniFile plain(file);
    plain.GetStrings(loaded);
    EXPECT_EQ(loaded, original);
}

TEST_F(MemIniFileTest, BrokenCompressedImageIsReadAsPlainText)
{
    const QString file = path("broken.ini");
    {
        TMemIniFile ini(file);
        ini.WriteString("s", "k", QString(2000, u'x'));
        ASSERT_TRUE(ini.UpdateFile(true));
    }
    QByteArray bytes = testsupport::readFile(file);
    bytes.chop(3);
    ASSERT_TRUE(testsupport::writeFile(file, bytes));
    TMemIniFile ini(file); // must not crash; the garbage has no section header
    QStringList sections;
    ini.ReadSections(sections);
    EXPECT_TRUE(sections.isEmpty());
    EXPECT_EQ(ini.ReadString("s", "k", "gone"), "gone");
}
