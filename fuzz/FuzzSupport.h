#pragma once

// What the fuzz targets share: Qt started once offscreen with a fixed locale, date formats and
// temporary user folders; input bytes as a file for readers that take a file name; and a
// document (planner core, synchronisation and file) on grids nobody shows, whose questions are
// all answered OK.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

class TDocumentFile;

namespace fuzz {

// Runs once per process, from LLVMFuzzerInitialize (defined once for every target).
void Start(int *argc, char ***argv);

// The bytes of one input.
inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Writes the bytes into a file of that name in the process's temporary folder and returns its
// path; the same name is overwritten by the next input.
QString WriteInput(const QByteArray &bytes, const QString &name);

// The shared document, new and empty; its file gives its core and synchronisation.
TDocumentFile &NewDocument();

} // namespace fuzz
