// Ini files: any file (plain, UTF-8 with its mark, or compressed) loads; every typed read of
// every key gives a value or its default; the rendered lines parse back to themselves.

#include <QStringList>

#include <cstdlib>

#include "FuzzSupport.h"
#include "MemIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TMemIniFile ini(fuzz::WriteInput(fuzz::Bytes(data, size), QStringLiteral("input.ini")));
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString &section : sections) {
        QStringList keys;
        ini.ReadSection(section, keys);
        for (const QString &key : keys) {
            ini.ReadString(section, key, QString());
            ini.ReadInteger(section, key, -7);
            ini.ReadBool(section, key, false);
            ini.ReadFloat(section, key, 0.5);
            ini.ReadDate(section, key, 0);
            ini.ReadDateTime(section, key, 0);
            ini.ReadTime(section, key, 0);
            ini.ValueExists(section, key);
        }
    }

    QStringList lines;
    ini.GetStrings(lines);
    TMemIniFile copy{QString()};
    copy.SetStrings(lines);
    QStringList again;
    copy.GetStrings(again);
    if (again != lines)
        std::abort();
    return 0;
}
