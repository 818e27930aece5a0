#pragma once

#include <QString>

// Gives a control the name that window translation and tests find it by.
template <typename T>
T *Named(T *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}
