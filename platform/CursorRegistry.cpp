#include "CursorRegistry.h"

#include <map>

#include <QGuiApplication>

namespace {

// Never destroyed: units tear down their cursors during program exit in any order.
std::map<TCursor, QCursor> &Table()
{
    static auto *table = new std::map<TCursor, QCursor>;
    return *table;
}

TCursor &Screen()
{
    static TCursor value = crDefault;
    return value;
}

Qt::CursorShape StandardShape(TCursor id)
{
    switch (id) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragCopyCursor;
    case crNoDrop: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crSQLWait: return Qt::BusyCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

void TCursorRegistry::Register(TCursor id, const QCursor &cursor)
{
    if (id > 0)
        Table()[id] = cursor;
}

void TCursorRegistry::Unregister(TCursor id)
{
    Table().erase(id);
}

bool TCursorRegistry::Has(TCursor id)
{
    return id <= 0 || Table().count(id) > 0;
}

QCursor TCursorRegistry::Cursor(TCursor id)
{
    if (id <= 0)
        return QCursor(StandardShape(id));
    const auto it = Table().find(id);
    return it != Table().end() ? it->second : QCursor(Qt::ArrowCursor);
}

void TCursorRegistry::SetScreenCursor(TCursor id)
{
    if (Screen() == id)
        return;
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui && Screen() != crDefault)
        QGuiApplication::restoreOverrideCursor();
    Screen() = id;
    if (gui && id != crDefault)
        QGuiApplication::setOverrideCursor(Cursor(id));
}

TCursor TCursorRegistry::ScreenCursor()
{
    return Screen();
}
