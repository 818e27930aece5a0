#pragma once

// Column captions and cell texts as the diff files hold them, read from the core: used by the
// journal's hand-over and by the synchronisation's writer alike.

#include "sync/NodeEvent.h"

class TPlannerCore;

class TCoreJournalFormat : public IJournalFormat
{
public:
    explicit TCoreJournalFormat(const TPlannerCore &core) : FCore(core) {}

    QString ColumnCaption(TWhichTable table, int column) const override;
    QString CellForFile(TWhichTable table, int column, const QString &text) const override;

private:
    const TPlannerCore &FCore;
};
