#pragma once

// What a generation's working copy was made from, written by the save beside the new working
// copy ("<document>.base") before the working copy itself:
//
//   <base from="4" saver="host.anna" host="host" pid="1234">
//     <file name="host.bert.1.diff" index="17" />   every diff event of generation 4 up to
//     ...                                            this index is in the working copy
//   </base>
//
// Every instance that moves from generation 4 to this one journals again exactly its own
// events of generation 4 beyond these indices: nothing journalled is lost and nothing is
// applied twice.

#include <QString>

#include <map>

struct TGenerationBase
{
    qint64 From = -1; // the generation the saver worked in; -1 when none
    QString Saver;    // user identity of the saving instance
    QString Host;     // its machine, and its process there
    qint64 Pid = 0;
    // Diff file name (without folder) -> highest index of its events in the working copy.
    std::map<QString, int> Applied;

    // The index up to which `file` is in the working copy; -1 when none of it.
    int AppliedIndex(const QString &file) const;
    // Whether the saving process is known to be gone (it ran on this machine and has ended).
    bool SaverGone() const;

    QByteArray ToBytes() const;
    // False when the file is missing or not a base record.
    bool Read(const QString &fileName);
};
