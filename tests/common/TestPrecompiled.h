#pragma once

// The outside headers nearly every test file reads, compiled once per test executable. Only
// headers of the test framework, Qt and the standard library: our own stay out, so that a
// change to one of them does not rebuild every test.

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTreeView>

#include <functional>
#include <map>
#include <memory>
#include <vector>
