#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

// One running instance of the program as its entry file describes it.
struct TInstanceInfo
{
    QString id;          // the instance id; also the entry file's base name
    qint64 pid = 0;
    QString title;       // the main window's title
    QString socketName;  // full name of the instance's local server
    qint64 registered = 0; // ms since the epoch when the instance registered (list order)
    bool isSelf = false;
};

// Links the running instances of the program on this machine and user: every instance
// keeps one small entry file (pid, title, local socket name) in the runtime folder and
// listens on a local server. Messages are fire-and-forget, so no instance ever waits
// for another. Entries of dead processes are dropped by whoever comes across them.
//
// Lives on the GUI thread; its signals arrive there.
class TInstanceLink : public QObject
{
    Q_OBJECT

public:
    // The registered message that makes every instance rebuild its window list.
    static inline const QString LookupMessage = QStringLiteral("WM_LOOKUP_OTHER_ZOP_WINDOWS");

    // The instance of this process, in defaultRuntimeFolder(), with an id made of the pid
    // and a random part.
    explicit TInstanceLink(QObject *parent = nullptr);
    // An instance in `runtimeFolder` (made when missing) with the given id; several
    // objects with distinct ids act as separate instances. Characters of the id that do not
    // belong in a file name are replaced.
    TInstanceLink(const QString &runtimeFolder, const QString &instanceId, QObject *parent = nullptr);
    ~TInstanceLink() override;

    TInstanceLink(const TInstanceLink &) = delete;
    TInstanceLink &operator=(const TInstanceLink &) = delete;

    // "velmora" below the user's runtime folder (XDG_RUNTIME_DIR).
    static QString defaultRuntimeFolder();

    QString instanceId() const { return FId; }
    QString runtimeFolder() const { return FFolder; }
    // False when the runtime folder could not be used: the instance then works alone
    // (it lists only itself and reaches nobody). The reason went to the log.
    bool isLinked() const { return FLinked; }

    QString title() const { return FTitle; }
    // Stores the title in this instance's entry and broadcasts the lookup message, to this
    // instance too (its own window list shows the new title).
    void setTitle(const QString &title);

    // Every live instance, this one included, oldest registration first. Entries of dead
    // processes are deleted on the way; unreadable entries are skipped.
    QList<TInstanceInfo> instances();
    QList<TInstanceInfo> otherInstances();

    // Posts the lookup message to every live instance, this one included (delivered from
    // the event loop). Returns the number of other instances it was sent to. Instances
    // whose socket refuses the connection are dropped.
    int broadcastLookup();

    // Asks the instance `id` to bring its window to the front. False when no live instance
    // has that id. For this instance's own id the request is delivered to itself.
    bool bringToFront(const QString &id);

    // Removes this instance's entry, closes its server and tells the others. Runs on
    // QCoreApplication::aboutToQuit and in the destructor; later calls do nothing.
    void unregister();

signals:
    // The lookup message arrived (from `senderId`, empty when unknown).
    void lookupReceived(const QString &senderId);
    // Another instance asked this one to restore its window and bring it to the front.
    void bringToFrontRequested(const QString &senderId);

private:
    enum class TSendMode { Post, Flush };

    void init(const QString &runtimeFolder, const QString &instanceId);
    void goAlone(const QString &reason);
    bool writeEntry();
    QString entryPath(const QString &id) const;
    // The other live instances; `restoreSelf` rewrites this instance's entry when it is gone.
    QList<TInstanceInfo> readLiveEntries(bool restoreSelf = true);
    void dropEntry(const QString &id, const QString &socketName);
    void send(const TInstanceInfo &target, const QByteArray &line, TSendMode mode);
    void onNewConnection();
    void onClientData(QLocalSocket *socket);
    void dispatch(const QByteArray &line);

    QString FFolder;
    QString FId;
    QString FTitle;
    QString FSocketName;
    qint64 FRegistered = 0;
    bool FLinked = false;
    bool FUnregistered = false;
    bool FWriteFailureLogged = false;
    std::unique_ptr<QLocalServer> FServer;
};
