#pragma once

// Dialog tests fill controls by their object names and answer modal dialogs from a timer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>

// The child control of that name and type; a test failure when there is none.
template <class T>
T *field(QWidget *dialog, const char *name)
{
    auto *w = dialog->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

template <class T>
T *field(QWidget &dialog, const char *name)
{
    return field<T>(&dialog, name);
}

// Answers the next modal dialog with the test's steps.
inline void whenOpen(std::function<void(QDialog &)> steps)
{
    QTimer::singleShot(0, [steps = std::move(steps)] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        steps(*dialog);
    });
}
