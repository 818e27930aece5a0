#include "window/PowerWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace {

const QString Service = QStringLiteral("org.freedesktop.login1");
const QString Path = QStringLiteral("/org/freedesktop/login1");
const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

// The delay lock is a file descriptor: the system sleeps once every holder closed it.
struct TPowerWatch::TLock
{
    QDBusUnixFileDescriptor Descriptor;
};

TPowerWatch::TPowerWatch(QObject *parent)
    : QObject(parent), FLock(std::make_unique<TLock>())
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    FWatching = bus.connect(Service, Path, Manager, QStringLiteral("PrepareForSleep"), this,
                            SLOT(OnPrepareForSleep(bool)));
    if (FWatching)
        TakeDelayLock();
}

TPowerWatch::~TPowerWatch() = default;

void TPowerWatch::TakeDelayLock()
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Manager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Velmora")
         << QStringLiteral("Stops reading the shared folders before sleeping") << QStringLiteral("delay");
    // Asked without waiting: a slow bus must not hold up the window.
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
        if (!reply.isError() && !FSleeping)
            FLock->Descriptor = reply.value();
        done->deleteLater();
    });
}

void TPowerWatch::OnPrepareForSleep(bool sleeping)
{
    PrepareForSleep(sleeping);
}

void TPowerWatch::PrepareForSleep(bool sleeping)
{
    if (sleeping == FSleeping)
        return;
    FSleeping = sleeping;
    if (sleeping) {
        emit Suspending();
        // The work has stopped: the system may sleep now.
        FLock->Descriptor = QDBusUnixFileDescriptor();
    } else {
        emit Resumed();
        if (FWatching)
            TakeDelayLock();
    }
}
