#include "kavDesgnPlacement.h"

#include <rtl/kavSettings.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString sectionOf(const QString &className)
{
    return u"Form5."_s + className;
}

// How much of a window's top edge (where it is grabbed) must lie on a screen.
constexpr int grabStrip = 24;
constexpr int grabWidth = 48;

bool reachable(const QRect &bounds)
{
    const QRect strip(bounds.left(), bounds.top(), bounds.width(), grabStrip);
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect part = strip.intersected(screen->availableGeometry());
        if (part.width() >= std::min(grabWidth, bounds.width()) && part.top() == strip.top())
            return true;
    }
    return false;
}

} // namespace

void kavSaveFormPosition(TkavIniFile &ini, const QString &className, const QWidget &window,
                         const QString &dockName)
{
    const QString section = sectionOf(className);
    const bool maximized = window.isMaximized();
    // pos() is where move() puts the window back (the frame's corner), size() its client.
    const QRect bounds = maximized ? window.normalGeometry() : QRect(window.pos(), window.size());
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
        // A stored size below the window's minimum, or absurdly large, is not taken.
        const int width = ini.ReadInteger(section, u"Width"_s, window.width());
        const int height = ini.ReadInteger(section, u"Height"_s, window.height());
        window.move(ini.ReadInteger(section, u"Left"_s, window.x()), ini.ReadInteger(section, u"Top"_s, window.y()));
        if (width > 0 && height > 0 && width <= 16384 && height <= 16384)
            window.resize(width, height);
        kavKeepOnScreen(window);
    }
    return ini.ReadString(section, u"Dock5"_s, QString());
}

void kavKeepOnScreen(QWidget &window)
{
    if (!window.isWindow() || QGuiApplication::screens().isEmpty())
        return;
    const QRect bounds(window.pos(), window.size());
    if (reachable(bounds))
        return;
    // Onto the screen of the window's owner (else the primary one), whole when it fits.
    const QWidget *owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const QSize size = bounds.size().boundedTo(area.size());
    window.resize(size);
    window.move(std::clamp(bounds.left(), area.left(), area.right() + 1 - size.width()),
                std::clamp(bounds.top(), area.top(), area.bottom() + 1 - size.height()));
}
