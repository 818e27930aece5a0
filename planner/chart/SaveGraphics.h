#pragma once

// "Save Graphics...": the chart of a chosen range as a JPEG picture. The file is asked for
// first (its extension always becomes ".jpg", before the question whether to overwrite), then
// the range; a picture that is too large or cannot be written is refused with a message and
// leaves no file behind.

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWidget;
class TDocumentSync;
class TForm1;
class TTimeChartView;

class TSaveGraphics : public QObject
{
    Q_OBJECT
public:
    static constexpr int Quality = 90;

    // `sync` names the document the picture is proposed beside.
    TSaveGraphics(TTimeChartView &chart, const TDocumentSync &sync, QWidget *window);

    QAction *Grafikspeichern1 = nullptr; // "Save Graphics..."
    void Grafikspeichern1Click();

    // The name with its extension made ".jpg".
    static QString JpegName(const QString &fileName);
    // The document's name with the extension ".jpg", in the document's folder.
    QString ProposedName() const;
    // Made on first use and kept.
    TForm1 &Form1();

    // The file dialog SavePictureDialog1 (empty: cancelled) and the range window's exec;
    // tests answer them.
    std::function<QString(const QString &proposed)> OnChooseFile;
    std::function<int(TForm1 &form)> OnShowForm;

private:
    // SavePictureDialog1, proposing `proposed` under the filter of its kind.
    QString ChooseFile(const QString &proposed);

    TTimeChartView &FChart;
    const TDocumentSync &FSync;
    QPointer<QWidget> FWindow;
    QPointer<TForm1> FForm1;
};
