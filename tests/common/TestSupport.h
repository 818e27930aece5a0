#pragma once

#include <QByteArray>
#include <QString>

namespace testsupport {

// The temporary folder that holds this test run's XDG folders.
QString testRoot();
void setTestRoot(const QString &path);

// Whole-file helpers for tests that check what landed on disk.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &data);

// A hand-written file of tests/data.
QString dataFile(const QString &name);

} // namespace testsupport
