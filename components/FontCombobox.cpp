#include "FontCombobox.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The small type icons: "T" for TrueType (blue for symbol fonts), "R" for raster fonts.
QPixmap TypeIcon(const QString &type)
{
    static QPixmap icons[3];
    const int which = type == QLatin1String("TA") ? 0 : type == QLatin1String("TS") ? 1 : 2;
    if (icons[which].isNull()) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        const QColor colours[3] = {QColor(96, 96, 96), QColor(0, 0, 160), QColor(160, 0, 0)};
        p.setPen(colours[which]);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, which == 2 ? QStringLiteral("R") : QStringLiteral("T"));
        icons[which] = pixmap;
    }
    return icons[which];
}

} // namespace

class TFontItemDelegate : public QStyledItemDelegate
{
public:
    explicit TFontItemDelegate(TScFontComboBox *box) : QStyledItemDelegate(box), FBox(box) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QString line = index.data(Qt::DisplayRole).toString();
        const QString name = TScFontComboBox::NameOf(line);
        const QString type = TScFontComboBox::TypeOf(line);
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        painter->save();
        painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
        int x = option.rect.left() + 4;
        if (FBox->FBlnShowImagesFontType) {
            painter->drawPixmap(option.rect.left() + 2, option.rect.top() + (option.rect.height() - 16) / 2, TypeIcon(type));
            x = option.rect.left() + 20;
        }
        const bool used = FBox->BlnDown && index.row() < FBox->IntCountUsed;
        QColor colour = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        if (used && !selected)
            colour = FBox->FColorUsed;
        QFont font = FBox->font();
        if (FBox->FBlnShowPreviewInList && type != QLatin1String("TS")) {
            font.setFamily(name);
        }
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(QRect(x, option.rect.top(), option.rect.right() - x, option.rect.height()),
                          Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, name);
        if (FBox->BlnDown && FBox->IntCountUsed > 0 && index.row() == FBox->IntCountUsed - 1) {
            painter->setPen(pal.color(QPalette::WindowText));
            painter->drawLine(option.rect.left(), option.rect.bottom(), option.rect.right(), option.rect.bottom());
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(FBox->FItemHeight);
        return s;
    }

private:
    TScFontComboBox *FBox;
};

TScFontComboBox::TScFontComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("ScFontComboBox"));
    setItemDelegate(new TFontItemDelegate(this));
    setMaxVisibleItems(12);
    resize(200, sizeHint().height());
    QFont f = font();
    f.setPointSize(10);
    setFont(f);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The pick that closes the list is reported once it has been filed.
        if (FChoosing || FClosePending)
            return;
        if (BlnDown)
            ShowExample(index);
        emit OnChange();
    });
    connect(this, &QComboBox::highlighted, this, [this](int index) { ShowExample(index); });
    connect(this, &QComboBox::activated, this, [this](int index) {
        // The pick in the list arrives after the list was hidden.
        if (FClosePending) {
            FinishClose();
            return;
        }
        // Chosen with the list closed (keyboard on the closed box).
        if (BlnDown || index < 0)
            return;
        FStrFontName = NameOf(itemText(index));
        emit OnClick();
    });
}

TScFontComboBox::~TScFontComboBox()
{
    delete FFormExample;
}

QString TScFontComboBox::NameOf(const QString &line)
{
    const int at = line.lastIndexOf(QLatin1Char('='));
    return at < 0 ? line : line.left(at);
}

QString TScFontComboBox::TypeOf(const QString &line)
{
    const int at = line.lastIndexOf(QLatin1Char('='));
    return at < 0 ? QString() : line.mid(at + 1);
}

QStringList TScFontComboBox::Lines() const
{
    QStringList lines;
    for (int i = 0; i < count(); ++i)
        lines << itemText(i);
    return lines;
}

QList<TFontEntry> TScFontComboBox::EnumerateFonts() const
{
    QList<TFontEntry> fonts;
    for (const QString &family : QFontDatabase::families()) {
        TFontEntry entry;
        entry.Name = family;
        if (!QFontDatabase::isScalable(family))
            entry.Type = ftRaster;
        else if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol))
            entry.Type = ftTrueTypeSymbol;
        else
            entry.Type = ftTrueTypeAnsi;
        fonts << entry;
    }
    return fonts;
}

void TScFontComboBox::GetFontNames()
{
    FNamesLoaded = true;
    QStringList lines;
    for (const TFontEntry &entry : EnumerateFonts()) {
        if (entry.Name.isEmpty() || entry.Name.startsWith(QLatin1Char('@')) || !(FFontTypes & entry.Type))
            continue;
        const char *type = entry.Type == ftTrueTypeAnsi ? "TA" : entry.Type == ftTrueTypeSymbol ? "TS" : "R";
        const QString line = entry.Name + QLatin1Char('=') + QLatin1String(type);
        if (!lines.contains(line))
            lines << line;
    }
    std::sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) {
        const int c = NameOf(a).compare(NameOf(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    FChoosing = true;
    clear();
    addItems(lines);
    IntCountUsed = 0;
    FChoosing = false;
    const int index = FStrFontName.isEmpty() ? -1 : findText(FStrFontName + QLatin1Char('='), Qt::MatchStartsWith | Qt::MatchCaseSensitive);
    setCurrentIndex(index);
}

void TScFontComboBox::SetFontName(const QString &name)
{
    if (!FNamesLoaded)
        GetFontNames();
    const QString key = name + QLatin1Char('=');
    for (int i = 0; i < count(); ++i) {
        // The family must be the whole name before "=": "Mono" is not "DejaVu Sans Mono".
        if (itemText(i).startsWith(key)) {
            FChoosing = true;
            setCurrentIndex(i);
            FChoosing = false;
            ChooseFont();
            return;
        }
    }
}

void TScFontComboBox::ChooseFont()
{
    const int selected = currentIndex();
    if (selected < 0)
        return;
    const QString line = itemText(selected);
    FStrFontName = NameOf(line);
    BlnDown = false;
    FChoosing = true;
    if (FBlnMoveUsedToTop && selected > 0 && FIntMaxUsed > 0) {
        // A font picked from the full list may already be in the block: that line moves up.
        int used = -1;
        for (int i = 0; used < 0 && i < IntCountUsed; ++i)
            if (itemText(i) == line)
                used = i;
        if (used < 0) {
            insertItem(0, line);
            ++IntCountUsed;
            if (IntCountUsed > FIntMaxUsed) {
                removeItem(IntCountUsed - 1); // the oldest recently used line
                --IntCountUsed;
            }
        } else if (used > 0) {
            removeItem(used);
            insertItem(0, line);
        }
        setCurrentIndex(0);
    }
    FChoosing = false;
    update();
}

QWidget *TScFontComboBox::FormExample()
{
    if (!FFormExample) {
        FFormExample = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        FFormExample->setObjectName(QStringLiteral("FormExample"));
        FFormExample->setAttribute(Qt::WA_ShowWithoutActivating);
        auto *layout = new QVBoxLayout(FFormExample);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->setSpacing(2);
        FExampleCaption = new QLabel(FFormExample);
        FExampleCaption->setObjectName(QStringLiteral("LabelFontName"));
        auto *panel = new QFrame(FFormExample);
        panel->setObjectName(QStringLiteral("PanelExample"));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto *panelLayout = new QVBoxLayout(panel);
        panelLayout->setContentsMargins(2, 2, 2, 2);
        FExampleText = new QLabel(panel);
        FExampleText->setObjectName(QStringLiteral("LabelExample"));
        FExampleText->setAlignment(Qt::AlignCenter);
        panelLayout->addWidget(FExampleText);
        layout->addWidget(FExampleCaption);
        layout->addWidget(panel, 1);
    }
    return FFormExample;
}

void TScFontComboBox::ShowExample(int index)
{
    if (!FBlnShowPreview || !BlnDown || index < 0 || index >= count())
        return;
    FormExample();
    const QString name = NameOf(itemText(index));
    FExampleCaption->setText(name);
    FExampleCaption->setVisible(FBlnShowPreviewFontName);
    QFont f(name);
    f.setPointSize(20);
    f.setBold(true);
    FExampleText->setFont(f);
    FExampleText->setText(FStrPreviewText.isEmpty() ? QStringLiteral("AaBbYyZz") : FStrPreviewText);
}

void TScFontComboBox::PlaceExample()
{
    QWidget *form = FormExample();
    form->resize(FIntPreviewWidth, FIntPreviewHeight);
    const QRect box(mapToGlobal(QPoint(0, 0)), size());
    QPoint p(box.right() + 1, box.bottom() + 1);
    QScreen *s = screen();
    const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    if (p.x() + FIntPreviewWidth > available.right() + 1)
        p.setX(box.left() - FIntPreviewWidth);
    if (p.y() + FIntPreviewHeight > available.bottom() + 1)
        p.setY(box.top() - FIntPreviewHeight);
    p.setX(qMax(available.left(), p.x()));
    p.setY(qMax(available.top(), p.y()));
    form->move(p);
}

void TScFontComboBox::showEvent(QShowEvent *event)
{
    if (!FNamesLoaded)
        GetFontNames();
    QComboBox::showEvent(event);
}

void TScFontComboBox::showPopup()
{
    FinishClose();
    if (!FNamesLoaded)
        GetFontNames();
    BlnDown = true;
    if (FBlnShowPreview) {
        PlaceExample();
        ShowExample(currentIndex());
        FFormExample->show();
    }
    QComboBox::showPopup();
}

void TScFontComboBox::hidePopup()
{
    QComboBox::hidePopup();
    if (FFormExample)
        FFormExample->hide();
    if (!BlnDown || FClosePending)
        return;
    // Escape and a click outside pick nothing: the queued call files the selection as it is.
    FClosePending = true;
    QMetaObject::invokeMethod(this, &TScFontComboBox::FinishClose, Qt::QueuedConnection);
}

void TScFontComboBox::FinishClose()
{
    if (!FClosePending)
        return;
    FClosePending = false;
    const QString before = FStrFontName;
    ChooseFont();
    // Reported after closing, so that a listener that ignores changes while the list is down
    // still sees the choice.
    if (before != FStrFontName)
        emit OnChange();
    emit OnClick();
}

void TScFontComboBox::paintEvent(QPaintEvent *)
{
    // The closed box shows the name without its type.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = NameOf(option.currentText);
    if (FBlnShowPreviewInEdit && TypeOf(currentText()) != QLatin1String("TS")) {
        QFont f = font();
        f.setFamily(option.currentText);
        painter.setFont(f);
    }
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
