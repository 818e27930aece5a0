#include "InstanceLink.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "AtomicFile.h"
#include "Log.h"

namespace {

const QString EntrySuffix = QStringLiteral(".instance");
const QString EntryTag = QStringLiteral("velmora-instance");
constexpr int EntryFormat = 1;
// Entry files are a few hundred bytes; anything much larger is not ours.
constexpr qint64 MaxEntrySize = 64 * 1024;
constexpr int MaxIdLength = 64;
// sun_path holds 108 bytes; stay below it with room for the terminating zero.
constexpr int MaxSocketPathBytes = 100;
constexpr qsizetype MaxLineLength = 256;
constexpr int MaxLinesPerConnection = 16;
// A sender that neither finishes nor fails within this time is given up.
constexpr int PostTimeoutMs = 3000;
// A client that keeps its connection open without sending is dropped after this.
constexpr int IdleClientTimeoutMs = 5000;
// At shutdown the farewell is written straight away; local sockets answer at once.
constexpr int FlushTimeoutMs = 200;

const QByteArray FrontMessage = QByteArrayLiteral("VELMORA_BRING_TO_FRONT");

bool isIdChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
        || c == u'_' || c == u'.';
}

QString sanitizeId(const QString &id)
{
    QString result;
    for (QChar c : id.left(MaxIdLength))
        result += isIdChar(c) ? c : u'_';
    // A leading dot would hide the entry and ".." would leave the folder.
    if (result.startsWith(u'.'))
        result[0] = u'_';
    return result;
}

bool isValidId(const QString &id)
{
    return !id.isEmpty() && id.size() <= MaxIdLength && sanitizeId(id) == id;
}

// Field 22 of /proc/<pid>/stat (the start time in clock ticks) tells a process apart from
// a later one that got the same pid. Empty when it cannot be read; "Z" for a zombie.
QString processStartTime(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.read(4096);
    // The command name in parentheses may itself hold blanks and parentheses.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    // fields[0] is field 3 (state), so field 22 is fields[19].
    if (fields.size() < 20)
        return {};
    if (fields[0] == "Z" || fields[0] == "X")
        return QStringLiteral("Z");
    return QString::fromLatin1(fields[19]);
}

bool processAlive(qint64 pid, const QString &startTime)
{
    if (pid <= 0 || pid != static_cast<pid_t>(pid))
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    const QString now = processStartTime(pid);
    if (now == QStringLiteral("Z"))
        return false;
    // Without /proc the pid alone has to do.
    return startTime.isEmpty() || now.isEmpty() || now == startTime;
}

struct TEntry
{
    TInstanceInfo info;
    QString startTime;
};

// Parses one entry file; false for anything that is not a complete entry of this format.
bool parseEntry(const QByteArray &data, const QString &fileId, TEntry &entry)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("tag")).toString() != EntryTag
        || o.value(QStringLiteral("format")).toInt(-1) != EntryFormat)
        return false;
    entry.info.id = o.value(QStringLiteral("id")).toString();
    entry.info.pid = static_cast<qint64>(o.value(QStringLiteral("pid")).toDouble(0));
    entry.info.title = o.value(QStringLiteral("title")).toString();
    entry.info.socketName = o.value(QStringLiteral("socket")).toString();
    entry.info.registered = static_cast<qint64>(o.value(QStringLiteral("registered")).toDouble(0));
    entry.startTime = o.value(QStringLiteral("start")).toString();
    return entry.info.id == fileId && isValidId(fileId) && entry.info.pid > 0 && !entry.info.socketName.isEmpty()
        && o.value(QStringLiteral("title")).isString();
}

bool readEntryFile(const QString &path, const QString &fileId, TEntry &entry)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxEntrySize)
        return false;
    return parseEntry(file.read(MaxEntrySize + 1), fileId, entry);
}

bool sortByRegistration(const TInstanceInfo &a, const TInstanceInfo &b)
{
    if (a.registered != b.registered)
        return a.registered < b.registered;
    return a.id < b.id;
}

} // namespace

TInstanceLink::TInstanceLink(QObject *parent)
    : QObject(parent)
{
    const QString id = QStringLiteral("%1-%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
    init(defaultRuntimeFolder(), id);
}

TInstanceLink::TInstanceLink(const QString &runtimeFolder, const QString &instanceId, QObject *parent)
    : QObject(parent)
{
    init(runtimeFolder, instanceId);
}

TInstanceLink::~TInstanceLink()
{
    unregister();
}

QString TInstanceLink::defaultRuntimeFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        return QDir::tempPath() + QStringLiteral("/velmora-runtime-%1").arg(::getuid());
    return base + QStringLiteral("/velmora");
}

void TInstanceLink::init(const QString &runtimeFolder, const QString &instanceId)
{
    FFolder = QDir::cleanPath(QDir(runtimeFolder).absolutePath());
    FId = sanitizeId(instanceId);
    if (FId.isEmpty())
        FId = QString::number(QCoreApplication::applicationPid());
    FRegistered = QDateTime::currentMSecsSinceEpoch();

    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TInstanceLink::unregister);

    if (!QFileInfo(FFolder).isDir()) {
        if (!QDir().mkpath(FFolder)) {
            goAlone(QStringLiteral("cannot create the runtime folder %1").arg(FFolder));
            return;
        }
        // Only this user's instances may read the entries and reach the sockets.
        QFile::setPermissions(FFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    if (!QFileInfo(FFolder).isWritable()) {
        goAlone(QStringLiteral("the runtime folder %1 is not writable").arg(FFolder));
        return;
    }

    QString socketName = FFolder + u'/' + FId + QStringLiteral(".sock");
    if (QFile::encodeName(socketName).size() >= MaxSocketPathBytes) {
        // Too long for a socket address: Qt puts a plain name into the temporary folder.
        const QByteArray hash = QCryptographicHash::hash(socketName.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        socketName = QStringLiteral("velmora-") + QString::fromLatin1(hash);
    }

    FServer = std::make_unique<QLocalServer>();
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // A crashed instance with the same id may have left its socket file behind.
    QLocalServer::removeServer(socketName);
    if (!FServer->listen(socketName)) {
        goAlone(QStringLiteral("cannot listen on %1 (%2)").arg(socketName, FServer->errorString()));
        return;
    }
    FSocketName = FServer->fullServerName();
    connect(FServer.get(), &QLocalServer::newConnection, this, &TInstanceLink::onNewConnection);

    FLinked = true;
    if (!writeEntry())
        goAlone(QStringLiteral("the runtime folder %1 is not writable").arg(FFolder));
}

void TInstanceLink::goAlone(const QString &reason)
{
    FLinked = false;
    if (FServer)
        FServer->close();
    FServer.reset();
    Log(QStringLiteral("Instance link: %1; this instance works alone").arg(reason));
}

QString TInstanceLink::entryPath(const QString &id) const
{
    return FFolder + u'/' + id + EntrySuffix;
}

bool TInstanceLink::writeEntry()
{
    if (!FLinked || FUnregistered)
        return false;
    QJsonObject o;
    o.insert(QStringLiteral("tag"), EntryTag);
    o.insert(QStringLiteral("format"), EntryFormat);
    o.insert(QStringLiteral("id"), FId);
    o.insert(QStringLiteral("pid"), static_cast<double>(QCoreApplication::applicationPid()));
    o.insert(QStringLiteral("start"), processStartTime(QCoreApplication::applicationPid()));
    o.insert(QStringLiteral("registered"), static_cast<double>(FRegistered));
    o.insert(QStringLiteral("socket"), FSocketName);
    o.insert(QStringLiteral("title"), FTitle);

    const QByteArray data = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    QString error;
    if (platform::writeFileAtomically(entryPath(FId), data, &error))
        return true;
    if (!FWriteFailureLogged) {
        FWriteFailureLogged = true;
        Log(QStringLiteral("Instance link: ") + error);
    }
    return false;
}

void TInstanceLink::setTitle(const QString &title)
{
    FTitle = title;
    if (FUnregistered)
        return;
    writeEntry();
    broadcastLookup();
}

QList<TInstanceInfo> TInstanceLink::readLiveEntries(bool restoreSelf)
{
    QList<TInstanceInfo> result;
    if (!FLinked || FUnregistered)
        return result;
    bool selfSeen = false;
    const QFileInfoList files
        = QDir(FFolder).entryInfoList({QLatin1Char('*') + EntrySuffix}, QDir::Files, QDir::Name);
    for (const QFileInfo &fi : files) {
        const QString fileId = fi.fileName().chopped(EntrySuffix.size());
        if (fileId == FId) {
            selfSeen = true;
            continue;
        }
        TEntry entry;
        if (!readEntryFile(fi.filePath(), fileId, entry))
            continue; // garbled or foreign: not ours to judge, just not listed
        const bool socketPresent
            = !QDir::isAbsolutePath(entry.info.socketName) || QFileInfo::exists(entry.info.socketName);
        if (!processAlive(entry.info.pid, entry.startTime) || !socketPresent) {
            dropEntry(entry.info.id, entry.info.socketName);
            continue;
        }
        result.append(entry.info);
    }
    // Someone cleaned the folder under us: come back.
    if (!selfSeen && restoreSelf)
        writeEntry();
    return result;
}

void TInstanceLink::dropEntry(const QString &id, const QString &socketName)
{
    if (id == FId || !isValidId(id))
        return;
    const QString path = entryPath(id);
    TEntry entry;
    // Only when the file still describes the dead instance: a new one may have taken the id.
    if (!readEntryFile(path, id, entry) || entry.info.socketName != socketName)
        return;
    if (!QFile::remove(path))
        return;
    // The dead server's socket file, where we put it: in this folder or the temporary one.
    const QFileInfo socket(socketName);
    if (socket.isAbsolute()
        && (socket.absolutePath() == FFolder
            || (socket.absolutePath() == QDir::cleanPath(QDir::tempPath()) && socket.fileName().startsWith(QStringLiteral("velmora-")))))
        QFile::remove(socketName);
}

QList<TInstanceInfo> TInstanceLink::instances()
{
    QList<TInstanceInfo> result = readLiveEntries();
    if (!FUnregistered) {
        TInstanceInfo self;
        self.id = FId;
        self.pid = QCoreApplication::applicationPid();
        self.title = FTitle;
        self.socketName = FSocketName;
        self.registered = FRegistered;
        self.isSelf = true;
        result.append(self);
    }
    std::sort(result.begin(), result.end(), sortByRegistration);
    return result;
}

QList<TInstanceInfo> TInstanceLink::otherInstances()
{
    QList<TInstanceInfo> result = readLiveEntries();
    std::sort(result.begin(), result.end(), sortByRegistration);
    return result;
}

int TInstanceLink::broadcastLookup()
{
    if (FUnregistered)
        return 0;
    const QString self = FId;
    QMetaObject::invokeMethod(
        this, [this, self] { emit lookupReceived(self); }, Qt::QueuedConnection);
    const QList<TInstanceInfo> others = readLiveEntries();
    const QByteArray line = LookupMessage.toLatin1() + ' ' + FId.toLatin1() + '\n';
    for (const TInstanceInfo &other : others)
        send(other, line, TSendMode::Post);
    return static_cast<int>(others.size());
}

bool TInstanceLink::bringToFront(const QString &id)
{
    if (FUnregistered)
        return false;
    if (id == FId) {
        const QString self = FId;
        QMetaObject::invokeMethod(
            this, [this, self] { emit bringToFrontRequested(self); }, Qt::QueuedConnection);
        return true;
    }
    const QList<TInstanceInfo> others = readLiveEntries();
    const auto it = std::find_if(others.begin(), others.end(), [&id](const TInstanceInfo &i) { return i.id == id; });
    if (it == others.end())
        return false;
    send(*it, FrontMessage + ' ' + FId.toLatin1() + '\n', TSendMode::Post);
    return true;
}

void TInstanceLink::send(const TInstanceInfo &target, const QByteArray &line, TSendMode mode)
{
    const QString id = target.id;
    const QString socketName = target.socketName;

    if (mode == TSendMode::Flush) {
        QLocalSocket socket;
        socket.connectToServer(socketName);
        if (socket.waitForConnected(FlushTimeoutMs)) {
            socket.write(line);
            socket.waitForBytesWritten(FlushTimeoutMs);
            socket.disconnectFromServer();
        } else if (socket.error() == QLocalSocket::ServerNotFoundError
                   || socket.error() == QLocalSocket::ConnectionRefusedError) {
            dropEntry(id, socketName);
        }
        return;
    }

    // Owned by this link until it finishes, fails or times out.
    auto *socket = new QLocalSocket(this);
    connect(socket, &QLocalSocket::connected, socket, [socket, line] {
        socket->write(line);
        socket->disconnectFromServer();
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket, id, socketName](QLocalSocket::LocalSocketError e) {
        // The server is gone although the entry is there: the instance died.
        if (e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError)
            dropEntry(id, socketName);
        socket->deleteLater();
    });
    QTimer::singleShot(PostTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->connectToServer(socketName);
}

void TInstanceLink::onNewConnection()
{
    if (!FServer)
        return;
    while (QLocalSocket *socket = FServer->nextPendingConnection()) {
        socket->setProperty("lines", 0);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onClientData(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(IdleClientTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        onClientData(socket);
    }
}

void TInstanceLink::onClientData(QLocalSocket *socket)
{
    int lines = socket->property("lines").toInt();
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(MaxLineLength + 1);
        if (++lines > MaxLinesPerConnection || !line.endsWith('\n')) {
            socket->abort();
            return;
        }
        socket->setProperty("lines", lines);
        dispatch(line.trimmed());
        // A receiver may have unregistered us meanwhile.
        if (FUnregistered)
            return;
    }
    // No line end within the limit: not one of ours.
    if (socket->bytesAvailable() > MaxLineLength)
        socket->abort();
}

void TInstanceLink::dispatch(const QByteArray &line)
{
    const qsizetype blank = line.indexOf(' ');
    const QByteArray name = blank < 0 ? line : line.left(blank);
    const QString sender = blank < 0 ? QString() : QString::fromLatin1(line.mid(blank + 1));
    if (!sender.isEmpty() && !isValidId(sender))
        return;
    if (name == LookupMessage.toLatin1())
        emit lookupReceived(sender);
    else if (name == FrontMessage)
        emit bringToFrontRequested(sender);
}

void TInstanceLink::unregister()
{
    if (FUnregistered)
        return;
    const bool wasLinked = FLinked;
    const QList<TInstanceInfo> others = wasLinked ? readLiveEntries(false) : QList<TInstanceInfo>();
    FUnregistered = true;
    if (!wasLinked)
        return;
    QFile::remove(entryPath(FId));
    // Stops listening only; a connection being read right now stays valid.
    if (FServer)
        FServer->close();
    // The others rebuild their window lists without us; the event loop may be gone already.
    const QByteArray line = LookupMessage.toLatin1() + ' ' + FId.toLatin1() + '\n';
    for (const TInstanceInfo &other : others)
        send(other, line, TSendMode::Flush);
}
