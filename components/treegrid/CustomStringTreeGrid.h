#pragma once

#include <QString>

#include "treegrid/BaseTreeGrid.h"

// A tree-grid that shows texts per cell. The texts themselves (events, measuring, painting)
// come with the string-tree code; this class holds its defaults and its internal area.
class TCustomStringTreeGrid : public TBaseTreeGrid
{
    Q_OBJECT

public:
    explicit TCustomStringTreeGrid(QWidget *parent = nullptr);
    ~TCustomStringTreeGrid() override;

    QString DefaultText() const { return FDefaultText; }
    void SetDefaultText(const QString &value);

    TCustomStringTreeOptions &StringTreeOptions() const
    {
        return static_cast<TCustomStringTreeOptions &>(TreeOptions());
    }

protected:
    // Offset of the cached text width (4 bytes) in every node's internal area.
    std::uint32_t FInternalDataOffset = 0;
    QString FDefaultText;
};
