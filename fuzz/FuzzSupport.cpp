#include "FuzzSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <memory>

#include "DateFormat.h"
#include "core/PlannerCore.h"
#include "core/PlannerWindow.h"
#include "core/UndoRedo.h"
#include "document/DocumentFile.h"
#include "sync/DocumentSync.h"
#include "treegrid/StringTreeGrid.h"

namespace fuzz {

namespace {

// Every question gets OK: the readers go as far as the input lets them.
class TFuzzWindow : public IPlannerWindow
{
public:
    void InvalidateRow(TNodeData &) override {}
    void InvalidateChart() override {}
    void SetStatusText(int, const QString &) override {}
    int Ask(const QString &, TMsgDlgType, TMsgDlgButtons) override { return mrOk; }
    void SetBusyCursor(bool) override {}
};

// The core refers to the window, undo list and grids, so it is built after them and goes first;
// its synchronisation and file go before it.
struct TFuzzCore {
    TFuzzWindow window;
    TUndoRedo undo;
    std::unique_ptr<TStringTreeGrid> tasks{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TStringTreeGrid> absent{TBaseTreeGrid::Create<TStringTreeGrid>(nullptr)};
    std::unique_ptr<TPlannerCore> core;
    std::unique_ptr<TDocumentSync> sync;
    std::unique_ptr<TDocumentFile> file;

    TFuzzCore()
    {
        core = std::make_unique<TPlannerCore>(tasks.get(), absent.get(), window, &undo);
        sync = std::make_unique<TDocumentSync>(*core);
        file = std::make_unique<TDocumentFile>(*core, *sync);
    }
    ~TFuzzCore()
    {
        file.reset();
        sync.reset();
        core.reset();
    }
};

QTemporaryDir *Folder()
{
    static QTemporaryDir *folder = new QTemporaryDir; // lives until the process ends
    return folder;
}

} // namespace

void Start(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir *home = Folder();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
        const QString dir = home->filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, dir.toLocal8Bit());
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    static QApplication *app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    // Day-first dates with dots, 24-hour times: the forms the documents of the tests use.
    SetDateFormats(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QStringLiteral("HH:mm:ss"));
}

QString WriteInput(const QByteArray &bytes, const QString &name)
{
    const QString path = Folder()->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

TDocumentFile &NewDocument()
{
    static TFuzzCore *shared = new TFuzzCore;
    shared->core->ActionNewExecute();
    return *shared->file;
}

} // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::Start(argc, argv);
    return 0;
}

// Fontconfig keeps its configuration for the life of the process; the first text measured
// during an input would otherwise count as that input's leak.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
