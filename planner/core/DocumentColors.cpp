#include "core/DocumentColors.h"

namespace {

bool ParseColorText(const QString &text, TColor &color)
{
    const QString t = text.trimmed();
    bool ok = false;
    qint64 value = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1Char('$')))
        value = t.mid(1).toLongLong(&ok, 16);
    else
        value = t.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > UINT32_MAX)
        return false;
    color = TColor(quint32(value));
    return true;
}

} // namespace

QString ColorText(TColor color)
{
    return QStringLiteral("0x")
           + QString::number(quint32(ColorToRGB(color)), 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

void ReadColorList(QVector<TColor> &colors, int count, const std::function<QString(int)> &textOf)
{
    const QVector<TColor> previous = colors;
    colors.resize(count);
    for (int i = 0; i < count; ++i) {
        TColor color = i < previous.size() ? previous[i] : TColor(0xFFFFFF);
        ParseColorText(textOf(i), color);
        colors[i] = color;
    }
}

void FillUpColors(QVector<TColor> &colors, int count)
{
    static const TColor cycle[] = {0x008080, 0x00FFFF, 0x00BF00, 0xFFFFFF, 0xC0C0C0,
                                   0xFFFFFF, 0x808000, 0x008000, 0x808080, 0x800000};
    for (int i = 0; colors.size() < count; ++i)
        colors.append(cycle[i % 10]);
}
