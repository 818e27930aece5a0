#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <array>

#include "core/DocumentTypes.h"
#include "editor/PropertyEditor.h"

class TPlannerCore;
class TPlannerTables;
class TTimeChartView;

// Keeps what the user looks at and works in while the document is replaced under them (the
// reload after another instance saved), so that they do not notice it: the active table,
// the selected rows of both tables (by their identity), each table's focused row and column
// and its scroll position, the chart's position, the editor's field with its caret and a
// date typed but not yet written. The same, but the chart, while some rows go and come back
// under their identities (rebuilt from every user's records after a conflict).
//
// Every other keystroke in an editor field is in the document already (the fields write as
// they are typed) and comes back with the user's own events; keys pressed while the reload
// runs wait in the window system's queue and reach the field once it has the focus again.
class TViewKeeper : public QObject
{
public:
    TViewKeeper(TPlannerCore &core, TPlannerTables &tables, TPropertyEditor &editor, TTimeChartView *chart,
                QObject *parent = nullptr);

    enum TKeepScope { ksDocument, ksRows };

    // Notes the view; before anything of the document goes (ksDocument) or before rows are
    // rebuilt (ksRows). Calls nest: the outermost pair keeps the view.
    void Capture(TKeepScope scope);
    // Puts the noted view back on the new document: rows gone meanwhile are left out.
    void Restore();

private:
    struct TTableView
    {
        QStringList selected; // identities, the range anchor first
        QString focused;
        QString focusedColumn; // caption; the columns may have moved
        QPoint offset;
    };
    struct TView
    {
        TWhichTable active = tbTable;
        int activeColumn = -1;
        std::array<TTableView, WhichTableCount> tables;
        TDateTime chartStart = 0;
        int chartTop = 0;
        TPropertyEditor::TFieldState field;
    };

    void CaptureTable(TWhichTable table);
    void RestoreTable(TWhichTable table);

    TPlannerCore &FCore;
    TPlannerTables &FTables;
    TPropertyEditor &FEditor;
    QPointer<TTimeChartView> FChart;
    TView FView;
    TKeepScope FScope = ksDocument;
    int FDepth = 0;
};
