#pragma once

#include <QComboBox>
#include <QList>

// The sizes offered for one font: a fixed list for scalable fonts, the font's own sizes otherwise.
class TFontSizeComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TFontSizeComboBox(QWidget *parent = nullptr);

    QString FontName() const { return FFontName; }
    void SetFontName(const QString &name);
    void Build();
    int PixelsPerInch() const { return FPixelsPerInch; }

    static QStringList TrueTypeSizes();

signals:
    void OnChange();

protected:
    // Whether the family is scalable; for a raster family its character heights in pixels
    // (cell height less internal leading). Tests give their own.
    virtual bool EnumerateSizes(const QString &family, QList<int> &rasterHeights) const;
    virtual int MeasurePixelsPerInch() const;

private:
    QString FFontName;
    int FPixelsPerInch = 96;
    bool FBuilding = false;
};
