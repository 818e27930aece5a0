#include "SVFontCombos.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <cmath>

TFontSizeComboBox::TFontSizeComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("FontSizeComboBox"));
    setEditable(true);
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::currentTextChanged, this, [this] {
        if (!FBuilding)
            emit OnChange();
    });
}

QStringList TFontSizeComboBox::TrueTypeSizes()
{
    return {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
            QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
            QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
            QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};
}

void TFontSizeComboBox::SetFontName(const QString &name)
{
    FFontName = name;
    Build();
}

int TFontSizeComboBox::MeasurePixelsPerInch() const
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInchY()) : 96;
}

bool TFontSizeComboBox::EnumerateSizes(const QString &family, QList<int> &rasterHeights) const
{
    if (QFontDatabase::isScalable(family))
        return true;
    // Qt reports a bitmap family's sizes in points at the screen resolution.
    for (int points : QFontDatabase::pointSizes(family))
        rasterHeights << int(std::nearbyint(points * FPixelsPerInch / 72.0));
    return false;
}

void TFontSizeComboBox::Build()
{
    const QString current = currentText();
    FBuilding = true;
    clear();
    FPixelsPerInch = qMax(1, MeasurePixelsPerInch());
    QList<int> heights;
    if (EnumerateSizes(FFontName, heights)) {
        addItems(TrueTypeSizes());
    } else {
        QList<int> sizes;
        for (int h : heights) {
            const int size = int(std::nearbyint(h * 72.0 / FPixelsPerInch));
            const auto at = std::lower_bound(sizes.begin(), sizes.end(), size);
            if (at == sizes.end() || *at != size)
                sizes.insert(at, size);
        }
        for (int size : sizes)
            addItem(QString::number(size));
    }
    setCurrentIndex(findText(current));
    if (lineEdit())
        lineEdit()->setText(current);
    FBuilding = false;
    emit OnChange();
}
