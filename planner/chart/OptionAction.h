#pragma once

#include <QAction>

#include "Language.h"

// A named, translated check item of the chart's menus; the settings find it by its name.
inline QAction *MakeOptionAction(QObject *parent, const char *name, const char *caption, bool checked)
{
    auto *action = new QAction(Translate(QString::fromLatin1(caption)), parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}
