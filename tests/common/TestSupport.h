#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <utility>

namespace testsupport {

// The temporary folder that holds this test run's XDG folders.
QString testRoot();
void setTestRoot(const QString &path);

// Whole-file helpers for tests that check what landed on disk.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &data);

// A hand-written file of tests/data.
QString dataFile(const QString &name);

// A small file system of its own (tmpfs) mounted on a fresh folder, for tests of a full disk.
// Needs root; without it Mounted() is false and Why() says so (the test skips itself).
class TSmallFileSystem
{
public:
    explicit TSmallFileSystem(qint64 bytes);
    ~TSmallFileSystem();
    TSmallFileSystem(const TSmallFileSystem &) = delete;
    TSmallFileSystem &operator=(const TSmallFileSystem &) = delete;

    bool Mounted() const { return FMounted; }
    const QString &Why() const { return FWhy; }
    const QString &Path() const { return FPath; }
    // Bytes still free.
    qint64 Free() const;
    // Takes space with a filler file until at most `leave` bytes are free.
    bool FillUp(qint64 leave);
    // Gives the filler's space back.
    void Release();
    // Mounts it read-only (true) or writable again (false), keeping its files.
    bool SetReadOnly(bool readOnly);

private:
    QString FPath;
    QString FWhy;
    bool FMounted = false;
};

// For its life, the desktop's programs and their associations are looked for only below a
// folder of the test (applications in ApplicationsFolder(), mimeapps.list in ConfigFolder());
// the system's MIME types stay known.
class TIsolatedDesktop
{
public:
    explicit TIsolatedDesktop(const QString &root);
    ~TIsolatedDesktop();
    TIsolatedDesktop(const TIsolatedDesktop &) = delete;
    TIsolatedDesktop &operator=(const TIsolatedDesktop &) = delete;

    QString ApplicationsFolder() const { return FRoot + QStringLiteral("/data/applications"); }
    QString ConfigFolder() const { return FRoot + QStringLiteral("/config"); }

private:
    QString FRoot;
    QList<std::pair<QByteArray, QByteArray>> FSaved;
};

} // namespace testsupport
