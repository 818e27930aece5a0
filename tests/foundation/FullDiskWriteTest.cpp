// The XML tree's and the ini file's writes on a full disk: reported with the system's reason,
// the previous file kept whole.

#include <gtest/gtest.h>

#include <QDir>

#include "MemIniFile.h"
#include "XmlTree.h"
#include "common/TestSupport.h"

TEST(FullDiskWrite, XmlTreeAndIniFileKeepTheirOldFileAndSayWhy)
{
    testsupport::TSmallFileSystem disk(256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();

    const QString xmlName = disk.Path() + QStringLiteral("/plan.zop");
    TXMLTree tree;
    tree.setText(QStringLiteral("<document><setup /><data /><diff index=\"0\" /></document>"));
    ASSERT_TRUE(tree.SaveToFile(xmlName, false, {}));
    const QByteArray oldXml = testsupport::readFile(xmlName);

    const QString iniName = disk.Path() + QStringLiteral("/user.ini");
    TMemIniFile ini(iniName);
    ini.WriteString(QStringLiteral("View"), QStringLiteral("Zoom"), QStringLiteral("100"));
    ASSERT_TRUE(ini.UpdateFile());
    const QByteArray oldIni = testsupport::readFile(iniName);

    ASSERT_TRUE(disk.FillUp(4096));
    // Enough text to pass the free space but small enough for one buffered write.
    for (int i = 0; i < 300; ++i)
        tree.namedNode(QStringLiteral("document"))->AddNode(QStringLiteral("row"))->SetValue(QStringLiteral("some text"));
    QString xmlError;
    EXPECT_FALSE(tree.SaveToFile(xmlName, false, [&](const QString &message) { xmlError = message; }));
    EXPECT_TRUE(xmlError.contains(QStringLiteral("No space left on device"))) << xmlError.toStdString();
    EXPECT_EQ(testsupport::readFile(xmlName), oldXml);

    for (int i = 0; i < 400; ++i)
        ini.WriteString(QStringLiteral("Filter"), QStringLiteral("Key%1").arg(i), QStringLiteral("value %1").arg(i));
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(ini.LastError().contains(QStringLiteral("No space left on device"))) << ini.LastError().toStdString();
    EXPECT_EQ(testsupport::readFile(iniName), oldIni);

    const QStringList left = QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, (QStringList{QStringLiteral(".filler"), QStringLiteral("plan.zop"), QStringLiteral("user.ini")}));
}
