#include "chart/SaveGraphics.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "Jpeg.h"
#include "Language.h"
#include "Log.h"
#include "chart/TimeChartView.h"
#include "core/PlannerCore.h"
#include "dialogs/Form1.h"
#include "sync/DirWatchThread.h"
#include "sync/DocumentSync.h"

TSaveGraphics::TSaveGraphics(TTimeChartView &chart, const TDocumentSync &sync, QWidget *window)
    : QObject(window)
    , FChart(chart)
    , FSync(sync)
    , FWindow(window)
{
    Grafikspeichern1 = new QAction(Translate(QStringLiteral("Save Graphics...")), this);
    Grafikspeichern1->setObjectName(QStringLiteral("Grafikspeichern1"));
    connect(Grafikspeichern1, &QAction::triggered, this, &TSaveGraphics::Grafikspeichern1Click);
}

TForm1 &TSaveGraphics::Form1()
{
    if (!FForm1)
        FForm1 = new TForm1(FChart, FSync, FWindow);
    return *FForm1;
}

QString TSaveGraphics::JpegName(const QString &fileName)
{
    const QFileInfo file(fileName);
    const QString suffix = file.suffix();
    const QString base = suffix.isEmpty() || file.fileName() == QLatin1Char('.') + suffix
                             ? fileName
                             : fileName.left(fileName.size() - suffix.size() - 1);
    return base + QStringLiteral(".jpg");
}

QString TSaveGraphics::ProposedName() const
{
    const TDirWatchThread *journal = FSync.DirWatchThread();
    const QString document = journal->Filename();
    const QString name = JpegName(QFileInfo(document.isEmpty() ? journal->GetPossibleFileName() : document).fileName());
    return document.isEmpty() ? name : QFileInfo(document).dir().filePath(name);
}

QString TSaveGraphics::ChooseFile(const QString &proposed)
{
    QFileDialog dialog(FWindow, Translate(QStringLiteral("Save Graphics")));
    dialog.setObjectName(QStringLiteral("SavePictureDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString jpg = QStringLiteral("JPEG-Grafikdatei (*.jpg)");
    dialog.setNameFilters({QStringLiteral("JPEG-Grafikdatei (*.jpeg)"), jpg});
    // The proposed name is a ".jpg" one: the filter shows its kind of files.
    dialog.selectNameFilter(jpg);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TSaveGraphics::Grafikspeichern1Click()
{
    const QString proposed = ProposedName();
    const QString chosen = OnChooseFile ? OnChooseFile(proposed) : ChooseFile(proposed);
    if (chosen.isEmpty())
        return;
    // The file that is written is the one the question names.
    const QString fileName = JpegName(chosen);
    IPlannerWindow &window = FChart.Core().Window();
    if (QFileInfo::exists(fileName)
        && window.Ask(Translate(QStringLiteral("File %s already exists.\nOverwrite this file?"), {fileName}),
                      mtConfirmation, {mbOK, mbCancel})
               != mrOk)
        return;
    TForm1 &form = Form1();
    if ((OnShowForm ? OnShowForm(form) : form.exec()) != QDialog::Accepted)
        return;
    QString error;
    if (!platform::writeJpeg(fileName, form.Bitmap(), Quality, &error)) {
        Log(QStringLiteral("The picture could not be written to %1: %2").arg(fileName, error));
        window.Ask(Translate(QStringLiteral("The picture could not be written to %s:\n%s"), {fileName, error}), mtError,
                   {mbOK});
    }
}
