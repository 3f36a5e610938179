// Test entry: a Qt application object (Widgets or Gui when the suite links them) around
// GoogleTest.
#include <QtGlobal>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
using KavTestApp = QApplication;
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
using KavTestApp = QGuiApplication;
#else
#include <QCoreApplication>
using KavTestApp = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KavTestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
