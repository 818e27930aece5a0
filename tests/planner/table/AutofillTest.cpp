// The autofill file: its name, the column flags it sets, the lookup by key and the fill of
// the selected tasks as one undo step.

#include "planner/CoreTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include "table/Autofill.h"
#include "common/TestSupport.h"

namespace {

class AutofillTest : public CoreTest
{
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        filler = std::make_unique<TAutofill>(*core, *sync);
        // The basic task table plus Customer and City.
        customer = core->GetTableColCount(tbTable);
        for (const char *caption : {"Customer", "City"}) {
            const int column = core->GetTableColCount(tbTable);
            core->InsertColumn(tbTable, column);
            core->SetColumnCaption(tbTable, column, QString::fromLatin1(caption));
            core->SetColumnType(tbTable, column, ctText);
        }
        city = customer + 1;
        for (int i = 0; i < 3; ++i)
            rows.push_back(AddTask("Position 1", "04.03.2024", "1"));
    }
    QString Write(const QByteArray &text)
    {
        const QString file = dir.filePath(QStringLiteral("plan.autofill"));
        EXPECT_TRUE(testsupport::writeFile(file, text));
        return file;
    }
    const THeaderData &Header(int column) const { return *core->GetHeader(tbTable, column); }

    QTemporaryDir dir;
    std::unique_ptr<TAutofill> filler;
    int customer = -1;
    int city = -1;
    std::vector<TNodeData *> rows;
};

} // namespace

TEST(AutofillFileTest, NamedLikeTheDocument)
{
    EXPECT_EQ(TAutofill::FileNameFor(QStringLiteral("/data/plan.zop")), QStringLiteral("/data/plan.autofill"));
    EXPECT_EQ(TAutofill::FileNameFor(QStringLiteral("/data/my.plan.zop")), QStringLiteral("/data/my.plan.autofill"));
    EXPECT_EQ(TAutofill::FileNameFor(QStringLiteral("/data/plan")), QStringLiteral("/data/plan.autofill"));
    EXPECT_EQ(TAutofill::FileNameFor(QString()), QString());
}

TEST_F(AutofillTest, MillerFillsCustomerAndCityOfEverySelectedTaskAsOneStep)
{
    // Captions are matched without regard to case, for the flags and the fill alike.
    filler->LoadFrom(Write("customer;CITY;Unknown\r\nMiller;Berlin;x\r\nSmith;Bonn;y\r\n"));
    EXPECT_TRUE(Header(customer).HasAutofill);
    EXPECT_TRUE(Header(customer).HasUniqueAutofill);
    EXPECT_TRUE(Header(city).HasUniqueAutofill);
    EXPECT_FALSE(Header(0).HasAutofill);
    EXPECT_EQ(filler->Values(customer), (QStringList{"Miller", "Smith"}));

    const std::vector<TNodeData *> selected{rows[0], rows[2]};
    core->SetData(rows[0], city, "Hamburg");
    const std::size_t entries = undo.UndoList().size();
    EXPECT_EQ(filler->AutofillPanelClick(customer, "mill", selected), TAutofill::frFilled);
    for (TNodeData *node : selected) {
        EXPECT_EQ(core->GetData(node, customer), QStringLiteral("Miller"));
        EXPECT_EQ(core->GetData(node, city), QStringLiteral("Berlin"));
    }
    EXPECT_EQ(core->GetData(rows[1], customer), QString());
    EXPECT_TRUE(window.questions.isEmpty());
    EXPECT_EQ(core->FUndoRedoGroupIndex, -1);
    ASSERT_EQ(undo.UndoList().size(), entries + 4);
    core->Undo();
    EXPECT_EQ(undo.UndoList().size(), entries);
    EXPECT_EQ(core->GetData(rows[0], city), QStringLiteral("Hamburg"));
    EXPECT_EQ(core->GetData(rows[2], customer), QString());

    // An exact key wins over partial matches.
    EXPECT_EQ(filler->AutofillPanelClick(city, "bonn", {rows[1]}), TAutofill::frFilled);
    EXPECT_EQ(core->GetData(rows[1], customer), QStringLiteral("Smith"));
    EXPECT_EQ(core->GetData(rows[1], city), QStringLiteral("Bonn"));
}

TEST_F(AutofillTest, KeysNotFoundOrNotUniqueChangeNothing)
{
    filler->LoadFrom(Write("Customer;City\r\nMiller;Berlin\r\nSmith;Bonn\r\n"));
    const std::size_t entries = undo.UndoList().size();
    window.answers = {mrOk, mrOk};
    EXPECT_EQ(filler->AutofillPanelClick(city, "B", rows), TAutofill::frNotUnique);
    EXPECT_EQ(filler->AutofillPanelClick(customer, "Jones", rows), TAutofill::frNotFound);
    EXPECT_EQ(window.questions,
              (QStringList{"Cannot autofill, key not unique", "Cannot autofill, key not found"}));
    EXPECT_EQ(filler->AutofillPanelClick(customer, QString(), rows), TAutofill::frNothing);
    EXPECT_EQ(undo.UndoList().size(), entries);
    EXPECT_EQ(core->GetData(rows[0], city), QString());
}

TEST_F(AutofillTest, DuplicatesCompleteButGiveNoKey)
{
    filler->LoadFrom(Write("Customer;City\r\nMiller;Berlin\r\nSmith;Berlin\r\nJones;\r\nKing;\r\n"));
    EXPECT_TRUE(Header(city).HasAutofill);
    EXPECT_FALSE(Header(city).HasUniqueAutofill);
    EXPECT_TRUE(Header(customer).HasUniqueAutofill); // empty cells do not count as equal
    EXPECT_EQ(filler->Values(city), (QStringList{"Berlin", "Berlin", "", ""}));
}

TEST_F(AutofillTest, MissingOversizedAndSwitchedPages)
{
    filler->LoadFrom(Write("Customer;City\r\nMiller;Berlin\r\n"));
    ASSERT_TRUE(Header(customer).HasAutofill);
    // No file: no flags, no values.
    filler->LoadFrom(dir.filePath(QStringLiteral("missing.autofill")));
    EXPECT_FALSE(Header(customer).HasAutofill);
    EXPECT_TRUE(filler->Values(customer).isEmpty());

    // A file past the size limit is refused whole.
    QByteArray big = "Customer;City\r\n";
    big += QByteArray(int(TAutofill::MaxFileSize), 'x');
    filler->LoadFrom(Write(big));
    EXPECT_FALSE(Header(customer).HasAutofill);
    EXPECT_EQ(filler->Data().Rows(), 0);

    // With the absent days shown the data and flags stay as they are; the document has no
    // file name here, so going back to the tasks finds no file.
    filler->LoadFrom(Write("Customer;City\r\nMiller;Berlin\r\n"));
    core->SetActiveTable(tbExclude);
    filler->LoadAutofill();
    EXPECT_TRUE(Header(customer).HasAutofill);
    core->SetActiveTable(tbTable);
    filler->LoadAutofill();
    EXPECT_FALSE(Header(customer).HasAutofill);
}
