#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <memory>

#include "Cp1252.h"
#include "Language.h"
#include "common/TestSupport.h"

namespace {

class LanguageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        german = write("deutsch.lng", QString::fromUtf8("; language file\r\n"
                                                       "[translated]\r\n"
                                                       "Open file=Datei öffnen\r\n"
                                                       "OPEN FILE=never reached\r\n"
                                                       "Line one\\nLine two=Zeile eins\\nZeile zwei\r\n"
                                                       "Copy %s to %s=Kopiere %s nach %s\r\n"
                                                       "Empty=\r\n"
                                                       "Options=Optionen\r\n"
                                                       "Setup=Einrichtung\r\n"
                                                       "Choose a file=Eine Datei wählen\r\n"
                                                       "General=Allgemein\r\n"
                                                       "Cancel=Abbrechen\r\n"
                                                       "Two lines=Zwei\\nZeilen\r\n"
                                                       "Alpha\\nBeta \\n=Eins \\n Zwei\\n\r\n"
                                                       "[other]\r\n"
                                                       "Save=Speichern\r\n"));
        french = write("francais.lng", QString::fromUtf8("[translated]\r\n"
                                                        "Open file=Ouvrir un fichier\r\n"
                                                        "Setup=Configuration\r\n"
                                                        "Choose a file=Choisir un fichier\r\n"));
    }
    void TearDown() override { Language::SetLanguagefile(dir.filePath("none.lng")); }

    QString write(const QString &name, const QString &text)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testsupport::writeFile(path, platform::toCp1252(text)));
        return path;
    }

    QTemporaryDir dir;
    QString german;
    QString french;
};

// A small window with named controls, some inside unnamed containers.
struct SetupWindow
{
    SetupWindow()
    {
        dialog = std::make_unique<QDialog>();
        dialog->setObjectName("DialogSetup");
        dialog->setWindowTitle("Setup");
        auto *layout = new QVBoxLayout(dialog.get());
        group = new QGroupBox("Options", dialog.get());
        group->setObjectName("GroupBox1");
        layout->addWidget(group);
        auto *inner = new QWidget(group); // unnamed container, looked through
        label = new QLabel("Open file", inner);
        label->setObjectName("Label1");
        label->setToolTip("Choose a file");
        twoLines = new QLabel("Two lines", inner);
        twoLines->setObjectName("LabelTwo");
        unnamed = new QLabel("Open file", group);
        excluded = new QLabel("Open file", group);
        excluded->setObjectName("LabelKeep");
        excluded->setProperty("noTranslate", true);
        cancel = new QPushButton("Cancel", dialog.get());
        cancel->setObjectName("Cancel"); // caption equals its name: left alone
        abort = new QPushButton("Cancel", dialog.get());
        abort->setObjectName("ButtonAbort");
        menu = new QMenu("Options", dialog.get());
        menu->setObjectName("MenuOptions");
        open = menu->addAction("Open file");
        open->setObjectName("ActionOpen");
        separator = menu->addAction("-");
        separator->setObjectName("N1");
        tabs = new QTabWidget(dialog.get());
        tabs->setObjectName("PageControl1");
        page = new QWidget;
        page->setObjectName("TabGeneral");
        tabs->addTab(page, "General");
        // A plain object with list and number properties, as custom controls may have.
        holder = new QObject(dialog.get());
        holder->setObjectName("Holder");
        holder->setProperty("items", QStringList{"Alpha", "Beta"});
        holder->setProperty("tag", 7);
    }

    std::unique_ptr<QDialog> dialog;
    QGroupBox *group;
    QLabel *label, *twoLines, *unnamed, *excluded;
    QPushButton *cancel, *abort;
    QMenu *menu;
    QAction *open, *separator;
    QTabWidget *tabs;
    QWidget *page;
    QObject *holder;
};

} // namespace

TEST_F(LanguageTest, TranslatesTextsFromTheLanguageFile)
{
    Language::SetLanguagefile(german);
    EXPECT_EQ(Language::LanguageFileName(), german);
    EXPECT_EQ(Translate("Open file"), QString::fromUtf8("Datei öffnen"));
    EXPECT_EQ(Translate("open FILE"), QString::fromUtf8("Datei öffnen")); // first line of the key
    EXPECT_EQ(Translate("Open file "), "Open file ");                     // no trimming
    EXPECT_EQ(Translate("Empty"), "Empty");                               // empty value: untranslated
    EXPECT_EQ(Translate("Save"), "Save");                                 // other sections are not read
    EXPECT_EQ(Language::doTranslate("Messages", "Setup", "x"), "Einrichtung");
    EXPECT_EQ(Language::doTranslate("Static", "Unknown", "x"), "x");

    // Backslash + n in the file and a line break in the code's text are the same key.
    EXPECT_EQ(Translate("Line one\\nLine two"), "Zeile eins\nZeile zwei");
    EXPECT_EQ(Translate("Line one\nLine two"), "Zeile eins\nZeile zwei");
    EXPECT_EQ(Translate("Line one\r\nLine two"), "Zeile eins\nZeile zwei");
    EXPECT_EQ(Translate("Not there\\nat all"), "Not there\nat all");

    // Arguments fill the placeholders in order and are never searched themselves.
    EXPECT_EQ(Translate("Copy %s to %s", {"100%s.txt", "b"}), "Kopiere 100%s.txt nach b");
    EXPECT_EQ(Translate("Copy %s to %s", {"%s%s", "%s"}), "Kopiere %s%s nach %s");
    EXPECT_EQ(Translate("Copy %s to %s", {"a"}), "Kopiere a nach %s");
    EXPECT_EQ(Translate("Datei %s nicht gefunden", {"a.txt", "surplus"}), "Datei a.txt nicht gefunden");

    Language::CloseFile();
    EXPECT_EQ(Translate("Open file"), "Open file");
    Language::SetLanguagefile(dir.filePath("missing.lng"));
    EXPECT_EQ(Translate("Open file"), "Open file");
}

TEST_F(LanguageTest, ReadsUtf8LanguageFilesWithByteOrderMark)
{
    const QString path = dir.filePath("russian.lng");
    ASSERT_TRUE(testsupport::writeFile(path, "\xEF\xBB\xBF[translated]\nOpen file=\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C\n"));
    Language::SetLanguagefile(path);
    EXPECT_EQ(Translate("Open file"), QString::fromUtf8("Открыть"));
}

TEST_F(LanguageTest, BuildsPathsOverObjectNames)
{
    SetupWindow w;
    QStringList paths;
    Language::BuildProperties(w.dialog.get(), paths, QString());
    EXPECT_TRUE(paths.contains("DialogSetup.GroupBox1.Label1.caption"));
    EXPECT_TRUE(paths.contains("DialogSetup.GroupBox1.Label1.hint"));
    EXPECT_TRUE(paths.contains("DialogSetup.GroupBox1.caption"));
    EXPECT_TRUE(paths.contains("DialogSetup.ButtonAbort.caption"));
    EXPECT_TRUE(paths.contains("DialogSetup.MenuOptions.ActionOpen.caption"));
    EXPECT_TRUE(paths.contains("DialogSetup.PageControl1.qt_tabwidget_stackedwidget.TabGeneral.caption"));
    EXPECT_TRUE(paths.contains("DialogSetup.caption"));
    EXPECT_EQ(paths.last(), "DialogSetup.caption"); // children come first
    EXPECT_FALSE(paths.contains("DialogSetup.Cancel.caption"));
    EXPECT_FALSE(paths.contains("DialogSetup.MenuOptions.N1.caption"));
    EXPECT_FALSE(paths.contains("DialogSetup.GroupBox1.LabelKeep.caption"));
    EXPECT_FALSE(paths.contains("DialogSetup.ButtonAbort.hint")); // no tool tip set
    EXPECT_FALSE(paths.contains("DialogSetup.MenuOptions.ActionOpen.hint"));

    QString path = " DialogSetup . GroupBox1.Label1.caption";
    QString first;
    EXPECT_FALSE(Language::IsLastPart(path));
    Language::GetFirstPart(path, first);
    EXPECT_EQ(first, "DialogSetup");
    EXPECT_EQ(path, "GroupBox1.Label1.caption");
    path = "caption ";
    EXPECT_TRUE(Language::IsLastPart(path));
    Language::GetFirstPart(path, first);
    EXPECT_EQ(first, "caption");
    EXPECT_TRUE(path.isEmpty());

    EXPECT_EQ(Language::FindComponent(w.dialog.get(), "label1"), nullptr); // inside the named group box
    EXPECT_EQ(Language::FindComponent(w.dialog.get(), "groupbox1"), w.group);
    EXPECT_EQ(Language::FindComponent(w.group, "LABEL1"), w.label);
    EXPECT_EQ(Language::FindComponent(w.dialog.get(), "nothing"), nullptr);
    EXPECT_EQ(Language::FindComponent(nullptr, "dialogsetup"), w.dialog.get());
}

TEST_F(LanguageTest, TranslatesAWindowAndSwitchesLanguageTwice)
{
    SetupWindow w;
    Language::SetLanguagefile(german);
    Translate(w.dialog.get());
    EXPECT_EQ(w.dialog->windowTitle(), "Einrichtung");
    EXPECT_EQ(w.group->title(), "Optionen");
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Datei öffnen"));
    EXPECT_EQ(w.label->toolTip(), QString::fromUtf8("Eine Datei wählen"));
    EXPECT_EQ(w.twoLines->text(), "Zwei\nZeilen"); // shown on two lines
    EXPECT_EQ(w.abort->text(), "Abbrechen");
    EXPECT_EQ(w.cancel->text(), "Cancel");
    EXPECT_EQ(w.menu->title(), "Optionen");
    EXPECT_EQ(w.open->text(), QString::fromUtf8("Datei öffnen"));
    EXPECT_EQ(w.separator->text(), "-");
    EXPECT_EQ(w.tabs->tabText(0), "Allgemein");
    EXPECT_EQ(w.unnamed->text(), "Open file");
    EXPECT_EQ(w.excluded->text(), "Open file");
    EXPECT_EQ(Language::UntranslatedText(w.label, "Caption"), "Open file");

    // The second language starts from the English texts, not from the German ones.
    Language::SetLanguagefile(french);
    Translate(w.dialog.get());
    EXPECT_EQ(w.dialog->windowTitle(), "Configuration");
    EXPECT_EQ(w.group->title(), "Options");
    EXPECT_EQ(w.label->text(), "Ouvrir un fichier");
    EXPECT_EQ(w.label->toolTip(), "Choisir un fichier");
    EXPECT_EQ(w.abort->text(), "Cancel");
    EXPECT_EQ(w.open->text(), "Ouvrir un fichier");
    EXPECT_EQ(w.tabs->tabText(0), "General");

    // And back to German, then to the built-in texts.
    Language::SetLanguagefile(german);
    Translate(w.dialog.get());
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Datei öffnen"));
    EXPECT_EQ(w.group->title(), "Optionen");
    Language::SetLanguagefile(dir.filePath("missing.lng"));
    Translate(w.dialog.get());
    EXPECT_EQ(w.dialog->windowTitle(), "Setup");
    EXPECT_EQ(w.label->text(), "Open file");
    EXPECT_EQ(w.twoLines->text(), "Two lines");
    EXPECT_EQ(w.tabs->tabText(0), "General");
}

TEST_F(LanguageTest, WindowsOfTheSameNameAreEachTranslated)
{
    SetupWindow first;
    SetupWindow second;
    Language::SetLanguagefile(german);
    Translate(second.dialog.get());
    EXPECT_EQ(second.label->text(), QString::fromUtf8("Datei öffnen"));
    EXPECT_EQ(first.label->text(), "Open file");
}

TEST_F(LanguageTest, NumberAndListPropertiesTakeConvertedTexts)
{
    SetupWindow w;
    write("numbers.lng", "[translated]\r\n"
                         "Alpha\\nBeta=Eins \\n Zwei\\n\r\n"
                         "7=42\r\n");
    Language::SetLanguagefile(dir.filePath("numbers.lng"));
    EXPECT_FALSE(Language::HasProperty(w.holder, "caption"));
    EXPECT_TRUE(Language::HasProperty(w.holder, "Items"));
    EXPECT_EQ(Language::StringProperty(w.holder, "items"), "Alpha\\nBeta");
    EXPECT_EQ(Language::IntegerProperty(w.holder, "TAG"), 7);

    // A list's lines are split at "\n" and trimmed, a last empty piece dropped; a number
    // property takes the translation as a number.
    Language::TranslateProperty(w.dialog.get(), "DialogSetup.Holder.items");
    Language::TranslateProperty(w.dialog.get(), "DialogSetup.Holder.Tag");
    EXPECT_EQ(w.holder->property("items").toStringList(), (QStringList{"Eins", "Zwei"}));
    EXPECT_EQ(w.holder->property("tag").toInt(), 42);

    // Paths that lead nowhere change nothing.
    Language::TranslateProperty(w.dialog.get(), "OtherWindow.Holder.tag");
    Language::TranslateProperty(w.dialog.get(), "DialogSetup.Nobody.tag");
    Language::TranslateProperty(w.dialog.get(), "DialogSetup.Holder.nothing");
    EXPECT_EQ(w.holder->property("tag").toInt(), 42);
}

TEST_F(LanguageTest, KeptTextsGoWithTheirObjects)
{
    Language::SetLanguagefile(german);
    const int before = Language::UntranslatedObjectCount();
    QPointer<QLabel> label;
    {
        SetupWindow w;
        label = w.label;
        Translate(w.dialog.get());
        EXPECT_GT(Language::UntranslatedObjectCount(), before);
    }
    EXPECT_TRUE(label.isNull());
    EXPECT_EQ(Language::UntranslatedObjectCount(), before);

    // A new window that may reuse the freed addresses starts from its own texts.
    SetupWindow again;
    again.label->setText("Setup");
    Translate(again.dialog.get());
    EXPECT_EQ(again.label->text(), "Einrichtung");
}

