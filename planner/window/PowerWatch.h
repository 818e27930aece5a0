#pragma once

#include <QObject>

#include <memory>

// Tells when the computer goes to sleep and when it wakes, from logind on the system bus.
// While running it holds a delay lock, so the system waits for the work that must stop
// before it sleeps; without a system bus nothing is ever told.
class TPowerWatch : public QObject
{
    Q_OBJECT
public:
    explicit TPowerWatch(QObject *parent = nullptr);
    ~TPowerWatch() override;

    // logind's announcement: true before sleeping, false after waking.
    void PrepareForSleep(bool sleeping);
    bool Sleeping() const { return FSleeping; }
    // Connected to logind.
    bool Watching() const { return FWatching; }

signals:
    void Suspending();
    void Resumed();

private slots:
    // The bus calls it by name.
    void OnPrepareForSleep(bool sleeping);

private:
    void TakeDelayLock();

    struct TLock;
    std::unique_ptr<TLock> FLock;
    bool FWatching = false;
    bool FSleeping = false;
};
