// Tree-grid header: AutoFitColumns over 10,000 rows x 12 columns of texts like the planner's
// tables hold (resources, task names, dates, lengths, yes/no flags, customers, order numbers),
// with a text handler that sets a bold font on some rows as the planner does. "cold" starts
// with no text measured yet (the first fit after loading), "warm" fits again.

#include "BenchMain.h"

#include <QApplication>
#include <QDate>
#include <QStringList>

#include <memory>
#include <vector>

#include "Canvas.h"
#include "treegrid/StringTreeGrid.h"
#include "treegrid/TreeGridHeader.h"
#include "treegrid/TreeGridTextWidths.h"

namespace {

constexpr int Rows = 10000;
constexpr int Columns = 12;

struct TBenchTable {
    std::unique_ptr<TStringTreeGrid> Tree;
    std::vector<QStringList> Cells;
};

std::unique_ptr<TBenchTable> MakeTable()
{
    auto table = std::make_unique<TBenchTable>();
    const QStringList resources = {QStringLiteral("M\u00FCller, Anna"), QStringLiteral("Schmidt, Bernd"),
                                   QStringLiteral("Weber, Carla"), QStringLiteral("Fischer, Dieter"),
                                   QStringLiteral("Wagner, Eva"), QStringLiteral("Becker, Frank"),
                                   QStringLiteral("Hoffmann, Gisela"), QStringLiteral("Sch\u00E4fer, Hans"),
                                   QStringLiteral("Koch, Ingrid"), QStringLiteral("Richter, J\u00FCrgen"),
                                   QStringLiteral("Halle 1"), QStringLiteral("Halle 2"), QStringLiteral("Kran A"),
                                   QStringLiteral("Kran B"), QStringLiteral("Montageteam Nord"),
                                   QStringLiteral("Montageteam S\u00FCd")};
    const QStringList customers = {QStringLiteral("Stadtwerke Ulm"), QStringLiteral("Bauhof Neu-Ulm"),
                                   QStringLiteral("Klinikum Mitte"), QStringLiteral("Schulzentrum West"),
                                   QStringLiteral("Wohnbau GmbH"), QStringLiteral("Gemeinde Blaustein"),
                                   QStringLiteral("Landratsamt"), QStringLiteral("Privat")};
    const QDate first(2026, 1, 5);
    table->Cells.reserve(Rows);
    for (int row = 0; row < Rows; ++row) {
        const QDate start = first.addDays((row * 7) % 365);
        const int length = 1 + (row * 13) % 40;
        table->Cells.push_back({
            resources[row % resources.size()],
            QStringLiteral("Montage Abschnitt %1 \u2013 Los %2").arg(row % 250).arg(row),
            start.toString(QStringLiteral("dd.MM.yyyy")),
            start.addDays(length).toString(QStringLiteral("dd.MM.yyyy")),
            QString::number(length),
            start.addDays(length + 5).toString(QStringLiteral("dd.MM.yyyy")),
            row % 3 ? QStringLiteral("Nein") : QStringLiteral("Ja"),
            customers[(row / 3) % customers.size()],
            QStringLiteral("A-2026-%1").arg(row, 5, 10, QLatin1Char('0')),
            QString::number(length * 8) + QStringLiteral(",0 h"),
            row % 17 == 0 ? QStringLiteral("Material bestellt, Lieferung offen") : QString(),
            QStringLiteral("%1 %").arg((row * 37) % 101),
        });
    }
    table->Tree.reset(TBaseTreeGrid::Create<TStringTreeGrid>());
    TStringTreeGrid &tree = *table->Tree;
    tree.resize(1280, 800);
    TTreeGridColumns *columns = tree.Header()->Columns();
    for (int i = 0; i < Columns; ++i)
        columns->Add()->SetText(QStringLiteral("Column %1").arg(i));
    auto &options = tree.TreeOptions();
    options.SetPaintOptions(options.PaintOptions() + toShowVertGridLines - toShowRoot - toShowTreeLines);
    const std::vector<QStringList> *cells = &table->Cells;
    tree.OnGetText = [cells](TBaseTreeGrid *, PGridNode node, TColumnIndex column, TVSTTextType, QString &text) {
        text = (*cells)[node->Index][column];
    };
    tree.OnPaintText = [](TBaseTreeGrid *, TCanvas &canvas, PGridNode node, TColumnIndex column, TVSTTextType) {
        if (column == 1 && node->Index % 9 == 0)
            canvas.Font().SetStyle(fsBold);
    };
    tree.SetRootNodeCount(Rows);
    return table;
}

void BM_AutoFitColumns(benchmark::State &state)
{
    const bool warm = state.range(0) != 0;
    auto table = MakeTable();
    TTreeGridHeader *header = table->Tree->Header();
    header->AutoFitColumns(false);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < Columns; ++i)
            header->Columns()->Items(i)->SetWidth(50);
        if (!warm)
            ClearTextWidthCache();
        state.ResumeTiming();
        header->AutoFitColumns(false);
    }
    int total = 0;
    for (int i = 0; i < Columns; ++i)
        total += header->Columns()->Items(i)->Width();
    state.counters["total width"] = total;
    state.SetLabel(warm ? "warm" : "cold");
}

} // namespace

BENCHMARK(BM_AutoFitColumns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
