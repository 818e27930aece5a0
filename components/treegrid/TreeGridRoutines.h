#pragma once

#include <functional>

#include <QRect>
#include <QString>

#include "Color.h"
#include "ImageList.h"

class TCanvas;
class TBaseTreeGrid;
struct TGridNode;

// Free routines and process-wide state of the tree-grid unit: text shortening, wrapping and
// measuring, the shared check image lists and cursors, and the unit's set-up and tear-down.

// ---- text
// The longest prefix of s that fits in width together with "..." (ellipsisWidth 0: the width of
// "..." in the canvas font), followed by "...". Empty for an empty text, a width of 0 or less, or
// a width not above the ellipsis width. A surrogate pair is never split.
QString ShortenString(TCanvas &dc, const QString &s, int width, int ellipsisWidth = 0);
// Breaks s into lines (joined by line feeds) no wider than the bounds; a word wider than a line
// is cut by characters, each line keeping at least one character.
QString WrapString(TCanvas &dc, const QString &s, const QRect &bounds, bool rtl, uint drawFormat);
// The rectangle the text needs, starting from the top-left of bounds.
void GetStringDrawRect(TCanvas &dc, const QString &s, QRect &bounds, uint drawFormat);

// ---- small helpers
// Left at most right and top at most bottom, by the exclusive edges.
QRect OrderRect(const QRect &r);
// The colour for the image list: clNone -> CLR_NONE, clDefault -> CLR_DEFAULT, others as RGB.
quint32 GetRGBColor(TColor value);
// Raises ETreeGridError.
[[noreturn]] void ShowError(const QString &msg, int helpContext);
// The tree a node belongs to, found through the hidden root. A nil node is an error; a root
// that names no tree gives null. The tree stands in the root's parent link, or, for trees that
// keep that link nil, in the registry below (the tree registers its root whenever it makes one).
TBaseTreeGrid *TreeFromNode(const TGridNode *node);
void RegisterTreeRoot(const TGridNode *root, TBaseTreeGrid *tree);
void UnregisterTreeRoot(const TGridNode *root);

// ---- shared images and cursors
inline constexpr int crHeaderSplit = 63;
inline constexpr int crVertSplit = 62;

// The registered name of the tree reference clipboard format and the MIME type standing for it.
inline constexpr const char *CFSTR_TREEGRIDREFERENCE = "Tree Grid Reference";
QString TreeGridReferenceFormat();

// The shared lists; null before the set-up and after the tear-down.
TImageList *LightCheckImages();
TImageList *DarkCheckImages();
TImageList *LightTickImages();
TImageList *DarkTickImages();
TImageList *FlatImages();
TImageList *XPImages();
TImageList *UtilityImages();
TImageList *SystemCheckImages();
TImageList *SystemFlatCheckImages();

// ---- set-up and tear-down
// Runs once (the first tree's constructor calls it): image lists, system sets, cursors and the
// clipboard formats.
void InitializeGlobalStructures();
// Draws the shared check image lists again for the current system colours (once per palette);
// the lists keep their addresses.
void RebuildCheckImageLists();
void FinalizeGlobalStructures();
bool GlobalStructuresInitialized();

// The clipboard layer hands in how it registers and frees its formats; the set-up and the
// tear-down call these.
void SetClipboardFormatHooks(std::function<void()> registerFormats, std::function<void()> freeFormats);

// Reference counting of the unit: the last end tears everything down.
void TreeGridUnitStart();
void TreeGridUnitEnd();
int TreeGridUnitReferences();
