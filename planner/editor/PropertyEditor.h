#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Color.h"
#include "core/DocumentTypes.h"

class QLabel;
class QScrollArea;
class QUrl;
class QWidget;
class TAutofill;
class TDateTimePopup;
class TDocumentSync;
class TEditorForm;
class TPlannerCore;
class TRefusalMark;

// The property editor beside the table: one line per visible column of the active table with
// the column's caption and a field showing the value the selected rows share. A field whose
// rows differ is tinted and empty; a value typed into it goes into every selected row, as
// one undo step. It lives in a panel at the right of the table or in a window of its own.
//
// Controls are made at run time, named "__edit", "__date", "__button" or "__autofill" followed
// by the column index, and carry the column index in the property "Tag". A rebuild frees the
// previous controls later, never inside one of their own signals.
class TPropertyEditor : public QObject
{
    Q_OBJECT
public:
    // `panel`: the docked panel; `mainWindow`: the window the editor window stays on top of;
    // `sync` names the document (links and the autofill file lie beside it).
    TPropertyEditor(TPlannerCore &core, const TDocumentSync &sync, QWidget *panel, QWidget *mainWindow,
                    QObject *parent = nullptr);
    ~TPropertyEditor() override;

    // Field colours: the rows agree (or one row is selected), or they differ.
    static constexpr TColor AgreeColor = 0xFFFFFF;
    static constexpr TColor DifferColor = 0xF0E5CC; // RGB(204, 229, 240)

    // ---- building and filling
    // Rebuilds every line for the active table (its columns, types and pick lists changed).
    void PageControl1Change();
    // Refills the fields from the selected rows; nothing inside an update bracket or while
    // the editor is hidden.
    void UpdateEditor();
    // The editor window's status line: the number of selected rows (counted when -1), in
    // the current language.
    void ShowSelectedCount(int count = -1);
    // The position drop-down follows the rows of the current group tab.
    void UpdatePositionItems();
    // A colour of the palette changed: the colour lists show it.
    void PaletteChanged();
    int LineCount() const { return int(FLines.size()); }
    // Line k lies at k * Pitch(): a one-line edit's height and 6 pixels.
    int Pitch() const { return FPitch; }
    // The control of a column by its name ("__edit" + column ...), nil when there is none.
    QWidget *Control(const QString &prefix, int column) const;
    // The selected rows of the active table, in table order.
    std::vector<TNodeData *> SelectedRows() const;

    // ---- the controls' events
    void EditChange(int column);
    // A value control got the focus: the filters of the selected rows are evaluated again.
    void EditorEnter();
    // A text field was left: its text joins its completion list.
    void EditorExit(int column);
    // A date field was confirmed (Return) or left inside the program: a readable date is
    // written in the model's form. A text that is no date writes nothing: it stays, marked
    // with a note, for the user to mend.
    void DateEditExit(int column);
    // Before the document goes elsewhere (saving, printing, exporting, archiving, opening):
    // the dates typed into the fields are written first.
    void ApplyTypedDate();
    // A date is typed into a field but not yet written (saving has something to write).
    bool DateTyped() const;
    // The one rule for a date typed but not yet written: it leaves its field only written or
    // told. Runs wherever the field would lose it: its rows leave the editor (another
    // selection, deleted, filtered away), the editor hides, its lines are built anew, its
    // window or the main window closes. A date is written into those of its rows that are
    // left; a text that is no date, or a date whose rows are all gone, is named to the user:
    // at once with `now` (the window closes), else once the current event is done. True when
    // something was written (the fields were refilled).
    bool SettleTypedDates(bool now = false);
    // The calendar button: the shared date pop-up below the field.
    void CanvasPanelClick(int column);
    void DateTimePopupChange();
    // The "..." button of a link field.
    void LinkPanelClick(int column);
    // The "A" button: fills the selected tasks from the autofill record of the typed key.
    void AutofillPanelClick(int column);

    // ---- the field the user works in, kept while the document is replaced (a reload) and
    // while the lines are built anew (an undo, many events of other users at once)
    // (PropertyEditorFocus.cpp)
    struct TFieldState
    {
        TWhichTable table = tbTable;
        QString caption; // of the field's column; empty when no field had the focus
        TColumnType type = ctText;
        int column = -1;
        TConnection connection = cnNone;
        QStringList captions; // of every column of the table: a caption not among them is new
        QString text;
        bool typed = false; // a date typed but not yet written: its text comes back
        bool refused = false; // the typed text is no date: it comes back marked
        bool agreed = true; // the field was white: confirming the typed date writes it
        int cursor = 0;
        int anchor = 0; // the other end of the selected text; the cursor when none is
        int scroll = 0; // the editor's scroll position
        QSet<QString> rows; // the identities of the rows the field showed
    };
    TFieldState FieldState() const;
    // The same column's field takes the focus again with the caret and selected text it had.
    // False when that column or its field is gone, the field cannot take the focus, or the
    // editor shows other rows than the field did (some of them gone is fine).
    bool RestoreFieldState(const TFieldState &state);
    // The field back as RestoreFieldState puts it; when it cannot come back, the active
    // table takes the focus it had, so that the user's next keys do not go nowhere, and a
    // date typed there is named to the user as not written.
    void ReturnFocus(const TFieldState &state);
    // While the view keeper holds the field (the document is replaced), a rebuild neither
    // writes a typed date nor puts the field back: the keeper does that at the end.
    void HoldField(bool held) { FFieldHeld = held; }
    // The field the user's keys go to: the focus while the editor's window is active; the
    // field its window gives the keys back to while the user is in another program, a dialog
    // or a pop-up. Nil when the user works in the program's other window.
    QWidget *FieldInUse() const;

    // ---- visibility, panel and window
    // Takes effect 500 ms later; a new request restarts the wait.
    void SeteditorVisible(bool visible);
    bool EditorVisible() const { return FEditorVisible; }
    // A new row: the editor shows at once; docked, its first field takes the focus.
    void ShowForNewNode();
    void ChangeEditorVisibleTimerTimer();
    QTimer &ChangeEditorVisibleTimer() { return FVisibleTimer; }
    bool EditorAsForm() const { return FAsForm; }
    // Moves the editor into its own window or back into the panel, keeping what it shows.
    void EditorAsFormClick(bool asWindow);
    // The editor window, made on first use of window mode; nil before.
    TEditorForm *EditorForm() const;
    QSize GetEditorSize() const;
    void SetEditorSize(const QSize &size);
    // The window's place: where it is, or, before it is made, where it goes when it is.
    QPoint GetEditorPos() const;
    void SetEditorPos(const QPoint &pos);
    // The window was resized: by the user the size is kept for the active table.
    void OnEditorSizeChanged();
    // Window sizes per table (task table, absent days).
    std::array<QSize, WhichTableCount> FEditorSize{QSize(300, 300), QSize(300, 300)};

    QScrollArea *ScrollBox() const { return FScrollBox; }
    QWidget *NamePanel() const { return FNamePanel; }
    QWidget *ValuePanel() const { return FValuePanel; }
    TAutofill &Autofill() const { return *FAutofill; }
    TDateTimePopup *DateTimePopup() const;

    // The selected rows of a table; without it the table's own selection is read.
    std::function<std::vector<TNodeData *>(TWhichTable)> OnSelectedRows;
    // A date field was typed into: saving can write it now.
    std::function<void()> OnDateTyped;
    // Opens a link; the desktop's handler unless a test replaces it.
    std::function<bool(const QUrl &)> OnOpenUrl;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // This editor writes for its lifetime: refills wait until the writes are done.
    class TWritingScope
    {
    public:
        explicit TWritingScope(bool &writing) : FWriting(writing), FBefore(writing) { FWriting = true; }
        ~TWritingScope() { FWriting = FBefore; }
        TWritingScope(const TWritingScope &) = delete;
        TWritingScope &operator=(const TWritingScope &) = delete;

    private:
        bool &FWriting;
        bool FBefore;
    };

    struct TLine
    {
        int column = -1;
        TColumnType type = ctText;
        TConnection connection = cnNone;
        int top = 0;
        QLabel *label = nullptr;
        QWidget *edit = nullptr;     // "__edit" or "__date"
        QWidget *button = nullptr;   // calendar or link button
        QWidget *autofill = nullptr; // "A"
        bool agreed = true;          // white: the rows agree or the field was written
        bool typed = false;          // a date typed but not yet written
        bool completionFilled = false;
        TRefusalMark *mark = nullptr; // made when a text is first refused; owned by the field
    };

    // ---- PropertyEditorFields.cpp: the controls of one line
    void BuildLine(TLine &line, int index);
    QString CaptionOf(int column) const;
    TColor MarkerColor(TConnection connection) const;
    QStringList PullDownItems(int column) const;
    void FillCompletion(TLine &line);
    void LayoutLines();
    void SetFieldColor(TLine &line, bool agreed);
    QString FieldText(const TLine &line) const;
    void ShowValue(TLine &line, const QString &value);

    // ---- PropertyEditor.cpp
    TLine *LineOf(int column);
    std::vector<TNodeData *> RowsOf(TWhichTable table) const;
    // The identities of the selected rows of the built table.
    QSet<QString> RowIds(const std::vector<TNodeData *> &rows) const;
    // Some rows are selected, and every one of them was among `rows`.
    bool ShowsOnly(const QSet<QString> &rows) const;
    // Writes `text` into the column of `rows` (`all`: also into a tinted field).
    void WriteRows(TLine &line, const QString &text, bool all, const std::vector<TNodeData *> &rows);
    // What the selected rows hold per column, and whether they agree.
    struct TSharedValues
    {
        std::vector<QString> values;
        std::vector<char> agreed;
    };
    TSharedValues SharedValues(const std::vector<TNodeData *> &rows) const;
    // The line shows what its rows hold again, dropping what was typed.
    void ShowCellValue(TLine &line);
    // Leaving the focus for `reason` leaves the field: not when the window only lost its
    // activation to another program or a dialog, or a pop-up or menu opened.
    bool LeavesField(Qt::FocusReason reason) const;
    // The main window or the editor's own: the user works on in the program there.
    bool IsProgramWindow(const QWidget *window) const;
    // Where the keys went from a field: on loan outside the editor until the user types there.
    class TKeyWatch;
    void WatchKeys();
    void FocusChanged(QWidget *old, QWidget *now);
    void KeyPressed(QWidget *receiver);
    // The keys are in a field, or still on loan from one.
    bool KeysFromField() const;
    // The line a focused control belongs to.
    const TLine *LineOfWidget(const QWidget *widget) const;

    // ---- PropertyEditorDates.cpp
    // Tells the user that a typed date (or a text that is no date) was not written: at once
    // with `now`, else once the current event is done.
    void TellNotWritten(const QString &caption, const QString &text, bool now = false);
    // The typed date of `line` written into `rows`, or told when it cannot be; the field is
    // no longer typed either way. True when written.
    bool WriteTypedDate(TLine &line, const std::vector<TNodeData *> &rows, bool now);
    // Some field holds typed text not yet written.
    bool AnyTyped() const;
    // The rows the fields showed when the dates were typed, those still there.
    std::vector<TNodeData *> TypedForRows() const;
    bool SettleTypedDatesFor(const std::vector<TNodeData *> &rows, bool now);
    // A text that is no date stays in the field, marked red with a note.
    void Refuse(TLine &line);
    void Unrefuse(TLine &line);
    bool Refused(const TLine &line) const;
    // The line of the column a noted field showed, in the lines built since.
    TLine *FieldLine(const TFieldState &state);
    void RequestRefill();

    // ---- PropertyEditorView.cpp
    void EnsureForm();
    void ApplyVisibility();
    void LayOutNow();
    // The fields take typing only while the editor is to be shown: rows are selected.
    void ApplyFieldsEnabled();
    void ApplyFormSize();
    void LimitFormHeight(int kept);

    TPlannerCore &FCore;
    const TDocumentSync &FSync;
    QPointer<QWidget> FPanel;
    QPointer<QWidget> FMainWindow;
    QScrollArea *FScrollBox = nullptr; // owned by its current parent
    QWidget *FContent = nullptr;
    QWidget *FNamePanel = nullptr;
    QWidget *FValuePanel = nullptr;
    QPointer<TEditorForm> FForm;
    std::optional<QPoint> FEditorPos; // kept from the settings for the window not made yet
    QPointer<TDateTimePopup> FDatePopup;
    std::unique_ptr<TAutofill> FAutofill;
    std::vector<TLine> FLines;
    TWhichTable FBuiltTable = tbTable;
    // The rows of the last refill, by identity: kept as a list, looked up as a set only when
    // asked (a typed date, a reload), so that a refill for many rows does not hash them all.
    std::vector<QString> FShownRowIds;
    mutable std::optional<QSet<QString>> FShownRowSet;
    const QSet<QString> &ShownRows() const;
    int FPitch = 27;
    int FPopupColumn = -1;

    bool FEditorVisible = false;
    bool FUpdateEditor = false;
    bool FMultiEditUpdate = false;
    bool FWriting = false;       // this editor writes: refills wait until it is done
    bool FRefillWanted = false;
    bool FAsForm = false;
    bool FEditorSizeUpdate = false; // the program resizes the window: sizes are not kept
    bool FFieldHeld = false;        // the view keeper holds the field while the document goes
    bool FKeysLent = false;         // the keys left a field for another control
    QTimer FVisibleTimer;
};
