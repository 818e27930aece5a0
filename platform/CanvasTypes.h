#pragma once

#include <QRect>
#include <QtGlobal>

// Constants of the canvas interface. The numeric values are the window system's, because
// callers store and combine them as plain numbers (text placement flags in particular).

// ---- DrawText flags
inline constexpr uint DT_TOP = 0x0;
inline constexpr uint DT_LEFT = 0x0;
inline constexpr uint DT_CENTER = 0x1;
inline constexpr uint DT_RIGHT = 0x2;
inline constexpr uint DT_VCENTER = 0x4;
inline constexpr uint DT_BOTTOM = 0x8;
inline constexpr uint DT_WORDBREAK = 0x10;
inline constexpr uint DT_SINGLELINE = 0x20;
inline constexpr uint DT_EXPANDTABS = 0x40;
inline constexpr uint DT_NOCLIP = 0x100;
inline constexpr uint DT_CALCRECT = 0x400;
inline constexpr uint DT_NOPREFIX = 0x800;
inline constexpr uint DT_EDITCONTROL = 0x2000;
inline constexpr uint DT_PATH_ELLIPSIS = 0x4000;
inline constexpr uint DT_END_ELLIPSIS = 0x8000;
inline constexpr uint DT_MODIFYSTRING = 0x10000;
inline constexpr uint DT_RTLREADING = 0x20000;
inline constexpr uint DT_WORD_ELLIPSIS = 0x40000;
inline constexpr uint DT_HIDEPREFIX = 0x100000;

// ---- DrawEdge edges and flags
inline constexpr uint BDR_RAISEDOUTER = 0x1;
inline constexpr uint BDR_SUNKENOUTER = 0x2;
inline constexpr uint BDR_RAISEDINNER = 0x4;
inline constexpr uint BDR_SUNKENINNER = 0x8;
inline constexpr uint BDR_OUTER = 0x3;
inline constexpr uint BDR_INNER = 0xC;
inline constexpr uint EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr uint EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr uint EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr uint EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr uint BF_LEFT = 0x1;
inline constexpr uint BF_TOP = 0x2;
inline constexpr uint BF_RIGHT = 0x4;
inline constexpr uint BF_BOTTOM = 0x8;
inline constexpr uint BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr uint BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr uint BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr uint BF_MIDDLE = 0x800;
inline constexpr uint BF_SOFT = 0x1000;
inline constexpr uint BF_ADJUST = 0x2000;
inline constexpr uint BF_FLAT = 0x4000;
inline constexpr uint BF_MONO = 0x8000;

// Background mode of text output.
enum TBkMode { bkTransparent = 1, bkOpaque = 2 };

// ---- rectangles
// A QRect covers the same pixels as the window system's (left, top, right, bottom) with the
// right and bottom edges excluded; these helpers speak in those exclusive edges.
inline QRect MakeRect(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}
inline int RectRight(const QRect &r) { return r.x() + r.width(); }
inline int RectBottom(const QRect &r) { return r.y() + r.height(); }
inline void SetRectRight(QRect &r, int right) { r.setWidth(right - r.x()); }
inline void SetRectBottom(QRect &r, int bottom) { r.setHeight(bottom - r.y()); }
// Empty as the window system sees it: right <= left or bottom <= top.
inline bool IsRectEmpty(const QRect &r) { return r.width() <= 0 || r.height() <= 0; }
