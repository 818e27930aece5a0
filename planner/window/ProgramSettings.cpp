#include "window/ProgramSettings.h"

#include <algorithm>
#include <map>

#include "CustomIniFile.h"
#include "document/DocumentSettings.h"

namespace {

const QString View = QStringLiteral("view");
const QString Setup = QStringLiteral("setup");
const QString Edit = QStringLiteral("edit");
const QString LastFilesSection = QStringLiteral("Last files");

constexpr int MinWindowSize = 100;

int Clamped(const TCustomIniFile &ini, const QString &section, const QString &key, int def, int lo, int hi)
{
    return std::clamp(ini.ReadInteger(section, key, def), lo, hi);
}

} // namespace

bool IsPlainLanguageName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control)
            return false;
    return true;
}

TProgramSettings ReadProgramSettings(const TCustomIniFile &ini, const TProgramSettings &current)
{
    using SettingsRange::MaxWindowSize;
    TProgramSettings s = current;
    const QString language = ini.ReadString(View, QStringLiteral("language"), QStringLiteral("default"));
    // Empty stands for the built-in texts.
    s.Language = language.isEmpty() || IsPlainLanguageName(language) ? language : QStringLiteral("default");

    s.EditorTop = Clamped(ini, Setup, QStringLiteral("editortop"), current.EditorTop, -MaxWindowSize, MaxWindowSize);
    s.EditorLeft = Clamped(ini, Setup, QStringLiteral("editorleft"), current.EditorLeft, -MaxWindowSize, MaxWindowSize);
    s.Width = Clamped(ini, Setup, QStringLiteral("width"), current.Width, MinWindowSize, MaxWindowSize);
    s.Height = Clamped(ini, Setup, QStringLiteral("height"), current.Height, MinWindowSize, MaxWindowSize);
    s.Top = Clamped(ini, Setup, QStringLiteral("top"), current.Top, -MaxWindowSize, MaxWindowSize);
    s.Left = Clamped(ini, Setup, QStringLiteral("left"), current.Left, -MaxWindowSize, MaxWindowSize);

    s.DrawLines = ini.ReadBool(View, QStringLiteral("drawlines"), current.DrawLines);
    s.DrawLinesMultiRow = ini.ReadBool(View, QStringLiteral("drawlines_multirow"), current.DrawLinesMultiRow);
    s.Toolbar = ini.ReadBool(View, QStringLiteral("toolbar"), current.Toolbar);
    s.SmallTimeChart = ini.ReadBool(View, QStringLiteral("smalltimechart"), current.SmallTimeChart);
    s.Table = ini.ReadBool(View, QStringLiteral("table"), current.Table);
    s.StatusBar = ini.ReadBool(View, QStringLiteral("statusbar"), current.StatusBar);
    s.EditorAsForm = ini.ReadBool(View, QStringLiteral("editorasform"), current.EditorAsForm);
    s.HideRows = ini.ReadBool(View, QStringLiteral("hiderows"), false);
    s.HideMultiRows = ini.ReadBool(View, QStringLiteral("hidemultirows"), false);
    s.DrawFullText = ini.ReadBool(View, QStringLiteral("drawfulltext"), false);
    s.LocalUndo = ini.ReadBool(Edit, QStringLiteral("localundo"), true);
    s.AutoScroll = ini.ReadBool(Edit, QStringLiteral("autoscroll"), true);
    s.NaturalScroll = ini.ReadBool(Edit, QStringLiteral("naturalscroll"), false);
    s.AutoArrange = ini.ReadBool(QStringLiteral("Setup"), QStringLiteral("AutoArrange"), false);

    // The keys "0", "1", ... that are there, in their order; a number the file does not back
    // is never counted up to.
    QStringList keys;
    ini.ReadSection(LastFilesSection, keys);
    std::map<qint64, QString> entries;
    for (const QString &key : keys) {
        bool ok = false;
        const qint64 index = key.toLongLong(&ok);
        if (!ok || index < 0 || entries.count(index))
            continue;
        const QString file = ini.ReadString(LastFilesSection, key, QString());
        if (!file.isEmpty())
            entries[index] = file;
    }
    s.LastFiles.clear();
    for (const auto &entry : entries)
        s.LastFiles.append(entry.second);
    return s;
}

void WriteProgramSettings(TCustomIniFile &ini, const TProgramSettings &s)
{
    ini.WriteString(View, QStringLiteral("language"), s.Language);
    ini.WriteInteger(Setup, QStringLiteral("editortop"), s.EditorTop);
    ini.WriteInteger(Setup, QStringLiteral("editorleft"), s.EditorLeft);
    ini.WriteInteger(Setup, QStringLiteral("width"), s.Width);
    ini.WriteInteger(Setup, QStringLiteral("height"), s.Height);
    ini.WriteInteger(Setup, QStringLiteral("top"), s.Top);
    ini.WriteInteger(Setup, QStringLiteral("left"), s.Left);
    ini.WriteBool(View, QStringLiteral("drawlines"), s.DrawLines);
    ini.WriteBool(View, QStringLiteral("drawlines_multirow"), s.DrawLinesMultiRow);
    ini.WriteBool(View, QStringLiteral("toolbar"), s.Toolbar);
    ini.WriteBool(View, QStringLiteral("smalltimechart"), s.SmallTimeChart);
    ini.WriteBool(View, QStringLiteral("table"), s.Table);
    ini.WriteBool(View, QStringLiteral("statusbar"), s.StatusBar);
    ini.WriteBool(View, QStringLiteral("editorasform"), s.EditorAsForm);
    ini.WriteBool(View, QStringLiteral("hiderows"), s.HideRows);
    ini.WriteBool(View, QStringLiteral("hidemultirows"), s.HideMultiRows);
    ini.WriteBool(Edit, QStringLiteral("localundo"), s.LocalUndo);
    ini.WriteBool(Edit, QStringLiteral("autoscroll"), s.AutoScroll);
    ini.WriteBool(Edit, QStringLiteral("naturalscroll"), s.NaturalScroll);
    ini.WriteBool(QStringLiteral("Setup"), QStringLiteral("AutoArrange"), s.AutoArrange);
    // Entries of a longer list written before must not come back.
    ini.EraseSection(LastFilesSection);
    for (int i = 0; i < s.LastFiles.size(); ++i)
        ini.WriteString(LastFilesSection, QString::number(i), s.LastFiles[i]);
}
