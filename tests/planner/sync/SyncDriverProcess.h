#pragma once

// The parent's handle on one synchronisation test driver (see SyncDriver.h): a real process
// of the planner test executable, talked to one command line at a time. Header-only, so that
// the synchronisation benchmark drives the same processes.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <map>
#include <memory>

class TSyncDriverProcess
{
public:
    // The environment variable that names a driver's host (and makes the test executable
    // a driver).
    static const char *HostVariable() { return "VELMORA_SYNC_HOST"; }

    // Starts the driver as host `host`, with further environment entries; `program` is the
    // planner test executable (this one by default). False when it does not come up.
    bool Start(const QString &host, const std::map<QString, QString> &environment = {},
               const QString &program = QString())
    {
        FHost = host;
        FProcess = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(HostVariable()), host);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const auto &[name, value] : environment)
            env.insert(name, value);
        FProcess->setProcessEnvironment(env);
        FProcess->setProcessChannelMode(QProcess::SeparateChannels);
        FProcess->start(program.isEmpty() ? QCoreApplication::applicationFilePath() : program,
                        {QStringLiteral("--gtest_filter=SyncDriverMode.Run")});
        if (!FProcess->waitForStarted(10000))
            return false;
        FPid = FProcess->processId();
        return Command({QStringLiteral("state")}).startsWith(QStringLiteral("{"));
    }

    ~TSyncDriverProcess()
    {
        if (Running()) {
            FProcess->closeWriteChannel();
            if (!FProcess->waitForFinished(5000))
                Kill();
        }
    }

    // Sends one command without waiting for its answer.
    void Send(const QStringList &fields)
    {
        if (!Running())
            return;
        FProcess->write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
        FProcess->waitForBytesWritten(1000);
    }
    // The next answer (at most timeoutMs): its text without the "@@ ok " prefix, or a text
    // starting with "error" / "timeout".
    QString Receive(int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            qsizetype end;
            while ((end = FBuffer.indexOf('\n')) >= 0) {
                const QByteArray line = FBuffer.left(end);
                FBuffer.remove(0, end + 1);
                if (line.startsWith("@@ ")) {
                    const QString answer = QString::fromUtf8(line.mid(3));
                    if (answer == QStringLiteral("ok"))
                        return QString();
                    if (answer.startsWith(QStringLiteral("ok ")))
                        return answer.mid(3);
                    return answer;
                }
                FOutput += QString::fromUtf8(line) + QLatin1Char('\n');
            }
            if (deadline.hasExpired() || !Running())
                return QStringLiteral("timeout");
            if (FProcess->waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
                FBuffer += FProcess->readAllStandardOutput();
            FOutput += QString::fromUtf8(FProcess->readAllStandardError());
        }
    }
    // Sends one command and waits for its answer.
    QString Command(const QStringList &fields, int timeoutMs = 10000)
    {
        if (!Running())
            return QStringLiteral("error not running");
        Send(fields);
        return Receive(timeoutMs);
    }
    QJsonObject Json(const QString &command, int timeoutMs = 10000)
    {
        return QJsonDocument::fromJson(Command({command}, timeoutMs).toUtf8()).object();
    }
    // Waits for the process to end on its own; false when it does not.
    bool WaitForExit(int timeoutMs) { return !Running() || FProcess->waitForFinished(timeoutMs); }
    void Kill()
    {
        if (FProcess) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
    }
    bool Running() const { return FProcess && FProcess->state() != QProcess::NotRunning; }
    // The process's id, also after it ended.
    qint64 Pid() const { return FPid; }
    const QString &Host() const { return FHost; }
    // Everything the driver wrote that was no answer (for failure messages).
    QString Output()
    {
        if (FProcess)
            FOutput += QString::fromUtf8(FProcess->readAllStandardError());
        return FOutput;
    }

private:
    std::unique_ptr<QProcess> FProcess;
    QString FHost;
    qint64 FPid = 0;
    QString FOutput;
    QByteArray FBuffer;
};
