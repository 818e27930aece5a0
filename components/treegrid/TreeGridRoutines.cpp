#include "treegrid/TreeGridRoutines.h"

#include <map>
#include <memory>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>

#include "Canvas.h"
#include "ImageList.h"
#include "CursorRegistry.h"
#include "treegrid/CheckImages.h"
#include "treegrid/TreeGridAccessible.h"
#include "treegrid/TreeGridTypes.h"

// ---- text

QString ShortenString(TCanvas &dc, const QString &s, int width, int ellipsisWidth)
{
    if (s.isEmpty() || width <= 0)
        return QString();
    if (ellipsisWidth == 0)
        ellipsisWidth = dc.TextWidth(QStringLiteral("..."));
    if (width <= ellipsisWidth)
        return QString();
    // Character advances give the cut without shaping every prefix; the shaped width of the
    // prefix then settles it (kerning may move it by a character).
    const int room = width - ellipsisWidth;
    const QFontMetrics metrics(dc.Font().ToQFont());
    const int last = int(s.size()) - 1;
    int lo = 0;
    for (int sum = 0; lo < last; ++lo) {
        sum += metrics.horizontalAdvance(s[lo]);
        if (sum > room)
            break;
    }
    int shaped = lo > 0 ? dc.TextWidth(s.left(lo)) : 0;
    while (lo > 0 && shaped > room)
        shaped = --lo > 0 ? dc.TextWidth(s.left(lo)) : 0;
    // One more character is tried only where kerning could still make it fit.
    constexpr int KerningSlack = 3;
    while (lo < last && shaped + metrics.horizontalAdvance(s[lo]) <= room + KerningSlack) {
        const int next = dc.TextWidth(s.left(lo + 1));
        if (next > room)
            break;
        shaped = next;
        ++lo;
    }
    if (lo > 0 && s[lo - 1].isHighSurrogate())
        --lo;
    return s.left(lo) + QStringLiteral("...");
}

void GetStringDrawRect(TCanvas &dc, const QString &s, QRect &bounds, uint drawFormat)
{
    bounds = QRect(bounds.topLeft(), QSize(1, 1));
    dc.DrawText(s, bounds, drawFormat | DT_CALCRECT);
}

namespace {

int LineWidth(TCanvas &dc, const QString &s, const QRect &bounds, uint format)
{
    QRect r = bounds;
    GetStringDrawRect(dc, s, r, format);
    return r.width();
}

} // namespace

QString WrapString(TCanvas &dc, const QString &s, const QRect &bounds, bool rtl, uint drawFormat)
{
    // Measuring one line must not break it again.
    const uint format = drawFormat & ~DT_WORDBREAK;
    const int width = bounds.width();
    QStringList words = s.trimmed().split(u' ');
    if (rtl)
        std::reverse(words.begin(), words.end());

    QString result;
    QString line;
    bool lineStarted = false;
    auto finishLine = [&] {
        result += line;
        result += u'\n';
        line.clear();
        lineStarted = false;
    };
    for (const QString &word : words) {
        const QString candidate = lineStarted ? line + u' ' + word : word;
        if (LineWidth(dc, candidate, bounds, format) <= width) {
            line = candidate;
            lineStarted = true;
            continue;
        }
        if (lineStarted)
            finishLine();
        if (LineWidth(dc, word, bounds, format) <= width) {
            line = word;
            lineStarted = true;
            continue;
        }
        // Too wide for any line: cut by characters, at least one per line, pairs kept whole.
        QString piece;
        for (int i = 0; i < word.size(); ++i) {
            QString ch(word[i]);
            if (word[i].isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate())
                ch += word[++i];
            if (!piece.isEmpty() && LineWidth(dc, piece + ch, bounds, format) > width) {
                line = piece;
                finishLine();
                piece.clear();
            }
            piece += ch;
        }
        line = piece;
        lineStarted = true;
    }
    if (lineStarted)
        finishLine();
    if (result.endsWith(u'\n'))
        result.chop(1);
    return result;
}

// ---- small helpers

QRect OrderRect(const QRect &r)
{
    const int l = r.x(), t = r.y(), rt = RectRight(r), b = RectBottom(r);
    return MakeRect(qMin(l, rt), qMin(t, b), qMax(l, rt), qMax(t, b));
}

quint32 GetRGBColor(TColor value)
{
    if (value == clNone)
        return CLR_NONE;
    if (value == clDefault)
        return CLR_DEFAULT;
    return quint32(ColorToRGB(value));
}

void ShowError(const QString &msg, int helpContext)
{
    throw ETreeGridError(msg, helpContext);
}

namespace {

std::map<const TGridNode *, TBaseTreeGrid *> &TreeRoots()
{
    static auto *roots = new std::map<const TGridNode *, TBaseTreeGrid *>;
    return *roots;
}

} // namespace

void RegisterTreeRoot(const TGridNode *root, TBaseTreeGrid *tree)
{
    if (root)
        TreeRoots()[root] = tree;
}

void UnregisterTreeRoot(const TGridNode *root)
{
    TreeRoots().erase(root);
}

TBaseTreeGrid *TreeFromNode(const TGridNode *node)
{
    if (!node)
        ShowError(QStringLiteral("Node must not be nil."), 0);
    // The hidden root links to itself as its own next sibling.
    const TGridNode *run = node;
    while (run->NextSibling != run) {
        if (!run->Parent)
            ShowError(QStringLiteral("Node is not part of a tree."), 0);
        run = run->Parent;
    }
    // A root whose parent link holds the tree answers directly; otherwise the registry does.
    if (run->Parent)
        return reinterpret_cast<TBaseTreeGrid *>(run->Parent);
    const auto it = TreeRoots().find(run);
    return it == TreeRoots().end() ? nullptr : it->second;
}

// ---- process-wide state

namespace {

struct TGlobals {
    int unitReferences = 0;
    bool initialized = false;
    std::unique_ptr<TImageList> lightCheck, darkCheck, lightTick, darkTick, flat, xp, utilities;
    std::unique_ptr<TImageList> systemCheck, systemFlatCheck;
    qint64 paletteKey = 0;
    std::function<void()> registerFormats;
    std::function<void()> freeFormats;
};

TGlobals &Globals()
{
    static TGlobals globals;
    return globals;
}

// The unit's own reference, held for the life of the program.
struct TUnitReference {
    TUnitReference() { TreeGridUnitStart(); }
    ~TUnitReference() { TreeGridUnitEnd(); }
};
const TUnitReference unitReference;

std::unique_ptr<TImageList> LoadList(const char *name, bool remap)
{
    auto list = std::make_unique<TImageList>(16, 16);
    ConvertImageList(*list, QString::fromLatin1(name), remap);
    return list;
}

} // namespace

QString TreeGridReferenceFormat()
{
    return QStringLiteral("application/x-velmora-tree-grid-reference");
}

TImageList *LightCheckImages() { return Globals().lightCheck.get(); }
TImageList *DarkCheckImages() { return Globals().darkCheck.get(); }
TImageList *LightTickImages() { return Globals().lightTick.get(); }
TImageList *DarkTickImages() { return Globals().darkTick.get(); }
TImageList *FlatImages() { return Globals().flat.get(); }
TImageList *XPImages() { return Globals().xp.get(); }
TImageList *UtilityImages() { return Globals().utilities.get(); }
TImageList *SystemCheckImages() { return Globals().systemCheck.get(); }
TImageList *SystemFlatCheckImages() { return Globals().systemFlatCheck.get(); }

bool GlobalStructuresInitialized() { return Globals().initialized; }

void SetClipboardFormatHooks(std::function<void()> registerFormats, std::function<void()> freeFormats)
{
    Globals().registerFormats = std::move(registerFormats);
    Globals().freeFormats = std::move(freeFormats);
}

void InitializeGlobalStructures()
{
    TGlobals &g = Globals();
    if (g.initialized)
        return;
    g.initialized = true;

    g.lightCheck = LoadList("TG_CHECK_LIGHT", true);
    g.darkCheck = LoadList("TG_CHECK_DARK", true);
    g.lightTick = LoadList("TG_TICK_LIGHT", true);
    g.darkTick = LoadList("TG_TICK_DARK", true);
    g.flat = LoadList("TG_FLAT", true);
    g.xp = LoadList("TG_XP", false);
    g.utilities = LoadList("TG_UTILITIES", true);
    CreateSystemImageSet(g.systemCheck, false);
    CreateSystemImageSet(g.systemFlatCheck, true);
    g.paletteKey = QGuiApplication::palette().cacheKey();

    TCursorRegistry::Register(crHeaderSplit, QCursor(Qt::SplitHCursor));
    TCursorRegistry::Register(crVertSplit, QCursor(Qt::SplitVCursor));
    // Assistive tools read the rows through Qt's accessibility.
    TTreeGridAccessible::InstallFactory();

    if (g.registerFormats)
        g.registerFormats();
}

void RebuildCheckImageLists()
{
    TGlobals &g = Globals();
    if (!g.initialized)
        return;
    const qint64 key = QGuiApplication::palette().cacheKey();
    if (key == g.paletteKey)
        return;
    g.paletteKey = key;
    ConvertImageList(*g.lightCheck, QStringLiteral("TG_CHECK_LIGHT"), true);
    ConvertImageList(*g.darkCheck, QStringLiteral("TG_CHECK_DARK"), true);
    ConvertImageList(*g.lightTick, QStringLiteral("TG_TICK_LIGHT"), true);
    ConvertImageList(*g.darkTick, QStringLiteral("TG_TICK_DARK"), true);
    ConvertImageList(*g.flat, QStringLiteral("TG_FLAT"), true);
    ConvertImageList(*g.utilities, QStringLiteral("TG_UTILITIES"), true);
    for (auto [list, flat] : {std::pair{g.systemCheck.get(), false}, std::pair{g.systemFlatCheck.get(), true}}) {
        std::unique_ptr<TImageList> fresh;
        CreateSystemImageSet(fresh, flat);
        list->SetSize(fresh->Width(), fresh->Height());
        list->SetBkColor(fresh->BkColor());
        for (int index = 0; index < fresh->Count(); ++index)
            list->Add(fresh->GetImage(index));
    }
}

void FinalizeGlobalStructures()
{
    TGlobals &g = Globals();
    g.lightCheck.reset();
    g.darkCheck.reset();
    g.lightTick.reset();
    g.darkTick.reset();
    g.flat.reset();
    g.xp.reset();
    g.utilities.reset();
    g.systemCheck.reset();
    g.systemFlatCheck.reset();
    TCursorRegistry::Unregister(crHeaderSplit);
    TCursorRegistry::Unregister(crVertSplit);
    g.initialized = false;
}

void TreeGridUnitStart()
{
    TGlobals &g = Globals();
    if (g.unitReferences++ == 0)
        g.initialized = false;
}

void TreeGridUnitEnd()
{
    TGlobals &g = Globals();
    if (g.unitReferences <= 0)
        return;
    if (--g.unitReferences == 0) {
        if (g.initialized)
            FinalizeGlobalStructures();
        if (g.freeFormats)
            g.freeFormats();
    }
}

int TreeGridUnitReferences()
{
    return Globals().unitReferences;
}
