// Language files: any file loads as the translation table; every key it holds translates, with
// and without arguments, and a window's texts translate through it.

#include <QAction>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include "FuzzSupport.h"
#include "Language.h"
#include "MemIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::WriteInput(fuzz::Bytes(data, size), QStringLiteral("input.lng"));
    Language::SetLanguagefile(path);

    // The keys as the file holds them, and as the program passes them (line breaks real).
    const TMemIniFile ini(path);
    QStringList keys;
    ini.ReadSection(QStringLiteral("translated"), keys);
    const QStringList args{QStringLiteral("%s"), QStringLiteral("x"), QString()};
    for (const QString &key : keys) {
        Language::Translate(key);
        Language::Translate(QString(key).replace(QStringLiteral("\\n"), QStringLiteral("\n")), args);
    }

    // A small window whose names and texts are the file's keys.
    QWidget window;
    window.setObjectName(QStringLiteral("Window"));
    auto *label = new QLabel(keys.value(0), &window);
    label->setObjectName(keys.value(1, QStringLiteral("Label")));
    auto *action = new QAction(keys.value(2), &window);
    action->setObjectName(QStringLiteral("Action"));
    Language::Translate(&window);
    for (const QString &key : keys.mid(0, 8))
        Language::TranslateProperty(&window, key);

    Language::CloseFile();
    return 0;
}
