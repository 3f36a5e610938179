#include "kavDesgnPlacement.h"

#include <rtl/kavSettings.h>

#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QString sectionOf(const QString &className)
{
    return u"Form5."_s + className;
}

} // namespace

void kavSaveFormPosition(TkavIniFile &ini, const QString &className, const QWidget &window,
                         const QString &dockName)
{
    const QString section = sectionOf(className);
    const bool maximized = window.isMaximized();
    const QRect bounds = maximized ? window.normalGeometry() : window.geometry();
    ini.WriteInteger(section, u"Left"_s, bounds.left());
    ini.WriteInteger(section, u"Top"_s, bounds.top());
    ini.WriteInteger(section, u"Width"_s, bounds.width());
    ini.WriteInteger(section, u"Height"_s, bounds.height());
    ini.WriteBool(section, u"Maximized"_s, maximized);
    ini.WriteBool(section, u"Visible"_s, window.isVisible());
    ini.WriteString(section, u"Dock5"_s, dockName);
}

QString kavRestoreFormPosition(const TkavIniFile &ini, const QString &className, QWidget &window)
{
    const QString section = sectionOf(className);
    if (ini.ReadBool(section, u"Maximized"_s, false)) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    } else {
        const QRect current = window.geometry();
        // A stored size below the window's minimum, or absurdly large, is not taken.
        const int width = ini.ReadInteger(section, u"Width"_s, current.width());
        const int height = ini.ReadInteger(section, u"Height"_s, current.height());
        window.move(ini.ReadInteger(section, u"Left"_s, current.left()),
                    ini.ReadInteger(section, u"Top"_s, current.top()));
        if (width > 0 && height > 0 && width <= 16384 && height <= 16384)
            window.resize(width, height);
    }
    return ini.ReadString(section, u"Dock5"_s, QString());
}
