#include "dialogs/FilterPopup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "AutocompletingEdit.h"
#include "Language.h"
#include "dialogs/DateField.h"

namespace {

template <class T>
T *Named(QWidget *parent, const char *name)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QRadioButton *Radio(QWidget *parent, const char *name, const char *caption, const char *hint = nullptr)
{
    auto *button = Named<QRadioButton>(parent, name);
    button->setText(Translate(QString::fromLatin1(caption)));
    if (hint)
        button->setToolTip(Translate(QString::fromLatin1(hint)));
    return button;
}

QLabel *Label(QWidget *parent, const char *name, const char *caption)
{
    auto *label = Named<QLabel>(parent, name);
    label->setText(Translate(QString::fromLatin1(caption)));
    return label;
}

} // namespace

TFilterPopup::TFilterPopup(QWidget *parent)
    : TfmDropDown(parent)
{
    setObjectName(QStringLiteral("FilterPopup"));
    setWindowTitle(Translate(QStringLiteral("Set Filter")));
    SetSizable(false);

    LabelCaption = Label(this, "LabelCaption", "Set Filter");
    QFont bold = LabelCaption->font();
    bold.setBold(true);
    LabelCaption->setFont(bold);
    RadioButtonNoFilter = Radio(this, "RadioButtonNoFilter", "no Filter", "Do not filter this column");
    LabelText = Label(this, "LabelText", "Text");
    LabelText->setFont(bold);
    RadioButtonEmpty = Radio(this, "RadioButtonEmpty", "only empty fields");
    RadioButtonText = Radio(this, "RadioButtonText", "equal to", "(you can use wildcards * and ?)");
    EditText = Named<TAutocompletingEdit>(this, "EditText");
    EditText->setToolTip(Translate(QStringLiteral("(you can use wildcards * and ?)")));
    RadioButtonList = Radio(this, "RadioButtonList", "List", "Select with left Mouseclick (+Shift/Ctrl)");
    ListBoxList = Named<QListWidget>(this, "ListBoxList");
    ListBoxList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBoxList->setMaximumHeight(130);
    ListBoxList->setToolTip(Translate(QStringLiteral("Select with left Mouseclick (+Shift/Ctrl)")));
    RadioButtonDate = Radio(this, "RadioButtonDate", "Date");
    LabelDateFrom = Label(this, "LabelDateFrom", "from");
    DateTimePickerFrom = Named<TDateField>(this, "DateTimePickerFrom");
    LabelDateTill = Label(this, "LabelDateTill", "till");
    DateTimePickerTill = Named<TDateField>(this, "DateTimePickerTill");
    LabelNumber = Label(this, "LabelNumber", "Number");
    LabelNumber->setFont(bold);
    RadioButtonSmaller = Radio(this, "RadioButtonSmaller", "smaller than");
    RadioButtonGreater = Radio(this, "RadioButtonGreater", "bigger than");
    RadioButtonEquals = Radio(this, "RadioButtonEquals", "equal to");
    EditValue = Named<QLineEdit>(this, "EditValue");
    RadioButtonFromTo = Radio(this, "RadioButtonFromTo", "from");
    EditFrom = Named<QLineEdit>(this, "EditFrom");
    LabelTo = Label(this, "LabelTo", "to");
    EditTo = Named<QLineEdit>(this, "EditTo");
    ButtonOK = Named<QPushButton>(this, "ButtonOK");
    ButtonOK->setText(Translate(QStringLiteral("OK")));
    ButtonOK->setDefault(true);
    ButtonCancel = Named<QPushButton>(this, "ButtonCancel");
    ButtonCancel->setText(Translate(QStringLiteral("Cancel")));

    FKinds = new QButtonGroup(this);
    const QRadioButton *buttons[] = {RadioButtonNoFilter, RadioButtonEmpty, RadioButtonText,
                                     RadioButtonList,     RadioButtonDate,  RadioButtonSmaller,
                                     RadioButtonGreater,  RadioButtonEquals, RadioButtonFromTo};
    for (int kind = 0; kind < int(std::size(buttons)); ++kind)
        FKinds->addButton(const_cast<QRadioButton *>(buttons[kind]), kind);
    connect(FKinds, &QButtonGroup::idClicked, this, [this] { RadioButtonClick(); });
    connect(ButtonOK, &QPushButton::clicked, this, [this] { Finish(mrOk); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { Finish(mrCancel); });

    // Every kind's inputs start at the indent of the heading "Text".
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setColumnStretch(1, 1);
    int row = 0;
    layout->addWidget(LabelCaption, row++, 0, 1, 4);
    layout->addWidget(RadioButtonNoFilter, row++, 0, 1, 4);
    layout->addWidget(LabelText, row++, 0, 1, 4);
    layout->addWidget(RadioButtonEmpty, row++, 0, 1, 4);
    layout->addWidget(RadioButtonText, row, 0);
    layout->addWidget(EditText, row++, 1, 1, 3);
    layout->addWidget(RadioButtonList, row++, 0, 1, 4);
    layout->addWidget(ListBoxList, row++, 0, 1, 4);
    layout->addWidget(RadioButtonDate, row++, 0, 1, 4);
    auto *dates = new QHBoxLayout;
    dates->addWidget(LabelDateFrom);
    dates->addWidget(DateTimePickerFrom, 1);
    dates->addWidget(LabelDateTill);
    dates->addWidget(DateTimePickerTill, 1);
    layout->addLayout(dates, row++, 0, 1, 4);
    layout->addWidget(LabelNumber, row++, 0, 1, 4);
    FNumberLayout = new QGridLayout;
    FNumberLayout->setColumnStretch(1, 1);
    FNumberLayout->setColumnStretch(3, 1);
    FNumberLayout->addWidget(RadioButtonSmaller, 0, 0);
    FNumberLayout->addWidget(RadioButtonGreater, 1, 0);
    FNumberLayout->addWidget(RadioButtonEquals, 2, 0);
    FNumberLayout->addWidget(EditValue, 0, 1, 1, 3);
    FNumberLayout->addWidget(RadioButtonFromTo, 3, 0);
    FNumberLayout->addWidget(EditFrom, 3, 1);
    FNumberLayout->addWidget(LabelTo, 3, 2);
    FNumberLayout->addWidget(EditTo, 3, 3);
    layout->addLayout(FNumberLayout, row++, 0, 1, 4);
    auto *buttons2 = new QHBoxLayout;
    buttons2->addStretch(1);
    buttons2->addWidget(ButtonOK);
    buttons2->addWidget(ButtonCancel);
    layout->addLayout(buttons2, row++, 0, 1, 4);

    RadioButtonNoFilter->setChecked(true);
    RadioButtonClick();
    FitToContents();
}

QRadioButton *TFilterPopup::ButtonOf(TFilterPopupValues::TKind kind) const
{
    return static_cast<QRadioButton *>(FKinds->button(int(kind)));
}

void TFilterPopup::SetListFilterEnabled(bool enabled)
{
    RadioButtonList->setVisible(enabled);
    ListBoxList->setVisible(enabled);
}

void TFilterPopup::SetDateFilterEnabled(bool enabled)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{RadioButtonDate, LabelDateFrom, DateTimePickerFrom,
                                                             LabelDateTill, DateTimePickerTill})
        widget->setVisible(enabled);
}

void TFilterPopup::SetNumberFilterEnabled(bool enabled)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{LabelNumber, RadioButtonSmaller, RadioButtonGreater,
                                                             RadioButtonEquals, EditValue, RadioButtonFromTo, EditFrom,
                                                             LabelTo, EditTo})
        widget->setVisible(enabled);
}

void TFilterPopup::RadioButtonClick()
{
    const auto kind = TFilterPopupValues::TKind(FKinds->checkedId());
    ListBoxList->setEnabled(kind == TFilterPopupValues::fkList);
    DateTimePickerFrom->setEnabled(kind == TFilterPopupValues::fkDate);
    DateTimePickerTill->setEnabled(kind == TFilterPopupValues::fkDate);
    EditText->setEnabled(kind == TFilterPopupValues::fkText);
    EditFrom->setEnabled(kind == TFilterPopupValues::fkFromTo);
    EditTo->setEnabled(kind == TFilterPopupValues::fkFromTo);
    const bool single = kind == TFilterPopupValues::fkSmaller || kind == TFilterPopupValues::fkGreater
                        || kind == TFilterPopupValues::fkEquals;
    EditValue->setEnabled(single);
    // The one value edit stands beside the comparison it belongs to.
    if (single) {
        const int row = kind - TFilterPopupValues::fkSmaller;
        FNumberLayout->removeWidget(EditValue);
        FNumberLayout->addWidget(EditValue, row, 1, 1, 3);
    }
}

void TFilterPopup::SetValues(const TFilterPopupValues &values)
{
    LabelCaption->setText(values.Caption);
    SetDateFilterEnabled(values.DateEnabled);
    SetListFilterEnabled(values.ListEnabled);
    SetNumberFilterEnabled(values.NumberEnabled);

    if (values.DateFromSet)
        DateTimePickerFrom->setDate(DateTimeToQDate(values.DateFrom));
    if (values.DateTillSet)
        DateTimePickerTill->setDate(DateTimeToQDate(values.DateTill));

    ListBoxList->clear();
    ListBoxList->addItems(values.ListValues);
    for (int i = 0; i < ListBoxList->count(); ++i)
        ListBoxList->item(i)->setSelected(values.ListSelected.contains(ListBoxList->item(i)->text(), Qt::CaseInsensitive));

    EditText->SetItems(values.Completion);
    EditText->setText(values.Text);
    EditValue->setText(values.NumberValue);
    EditFrom->setText(values.NumberFrom);
    EditTo->setText(values.NumberTo);

    if (QRadioButton *button = ButtonOf(values.Kind))
        button->setChecked(true);
    RadioButtonClick();
    FitToContents();
}

void TFilterPopup::FitToContents()
{
    // The layout learns now which sections are hidden, so that the window is no taller than
    // what it shows, without gaps where the hidden sections were.
    if (QLayout *grid = layout()) {
        grid->invalidate();
        grid->activate();
    }
    resize(sizeHint());
}

TFilterPopupValues TFilterPopup::Values() const
{
    TFilterPopupValues values;
    values.Caption = LabelCaption->text();
    values.DateEnabled = !RadioButtonDate->isHidden();
    values.ListEnabled = !RadioButtonList->isHidden();
    values.NumberEnabled = !LabelNumber->isHidden();
    const int kind = FKinds->checkedId();
    values.Kind = kind < 0 ? TFilterPopupValues::fkNone : TFilterPopupValues::TKind(kind);
    values.DateFrom = QDateToDateTime(DateTimePickerFrom->date());
    values.DateTill = QDateToDateTime(DateTimePickerTill->date());
    values.DateFromSet = values.DateTillSet = true;
    for (int i = 0; i < ListBoxList->count(); ++i) {
        values.ListValues.append(ListBoxList->item(i)->text());
        if (ListBoxList->item(i)->isSelected())
            values.ListSelected.append(ListBoxList->item(i)->text());
    }
    values.Text = EditText->text();
    values.Completion = EditText->Items();
    values.NumberValue = EditValue->text();
    values.NumberFrom = EditFrom->text();
    values.NumberTo = EditTo->text();
    return values;
}

void TFilterPopup::Finish(int result)
{
    // A date typed that names none keeps the pop-up open until it is mended.
    if (result == mrOk && !CommitDateFields(this))
        return;
    SetModalResult(result);
    CloseDropDown();
}

bool TFilterPopup::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees Enter before its controls: it closes the pop-up with OK.
    if (event->type() == QEvent::KeyPress && DropDownState() == ddsShown) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // A date field's calendar is a window of its own: Enter there picks the day.
        const auto *widget = qobject_cast<QWidget *>(watched);
        bool inside = false;
        if (!widget || widget->window() == this)
            for (QObject *object = watched; object && !inside; object = object->parent())
                inside = object == this;
        if (inside && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            Finish(mrOk);
            return true;
        }
    }
    return TfmDropDown::eventFilter(watched, event);
}

void TFilterPopup::DoEscape()
{
    SetModalResult(mrCancel);
}
