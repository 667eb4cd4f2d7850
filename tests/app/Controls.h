#pragma once
// Finds a control of the main window by its objectName, as a user of the
// window (or an automated check) names it.  The manual entry dialog is a child
// of the main window with names of its own ("Button2"), so the search keeps to
// the window's pages and its status bar.
#include "main.h"

#include <QStatusBar>
#include <gtest/gtest.h>

template <typename T = QWidget>
T *Control(TfrmMain &window, const char *name)
{
    const QString objectName = QString::fromLatin1(name);
    QWidget *central = window.centralWidget();
    QObject *found = central->objectName() == objectName ? central : central->findChild<QObject *>(objectName);
    if (!found && window.statusBar()->objectName() == objectName)
        found = window.statusBar();
    if (!found)
        found = window.statusBar()->findChild<QObject *>(objectName);
    auto *typed = qobject_cast<T *>(found);
    EXPECT_NE(typed, nullptr) << "no control " << name << " of that kind";
    return typed;
}
