#include "kavDesgnTheme.h"

#include <persist/kavRes.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavSettings.h>

#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QStyleFactory>

#include <array>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView settingsRoot = u"\\Software\\Orvane";
constexpr QStringView settingsSection = u"Appearance";
constexpr QStringView settingsValue = u"Theme";
// Stored names and caption keys, in TkavTheme order.
constexpr std::array<QStringView, 3> themeNames{u"System", u"Light", u"Dark"};
constexpr std::array<QStringView, 3> themeCaptions{u"dsThemeSystem", u"dsThemeLight", u"dsThemeDark"};

TkavTheme currentTheme = thSystem;

// The palette the application had before any theme was applied.
std::optional<QPalette> &startPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}

QPalette fusionPalette()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    return fusion ? fusion->standardPalette() : QPalette();
}

// Light text on dark grey surfaces; editable fields a step darker than the window, so the
// boxes stand out as they do in the light palette.
QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x35, 0x35, 0x38), base(0x26, 0x26, 0x29), text(0xe6, 0xe6, 0xe6);
    const QColor disabled(0x80, 0x80, 0x80);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x30, 0x30, 0x33));
    p.setColor(QPalette::ToolTipBase, QColor(0x45, 0x45, 0x48));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x60, 0x60));
    p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x58));
    p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x48));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2d));
    p.setColor(QPalette::Dark, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xb8));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xaa, 0xff));
    p.setColor(QPalette::LinkVisited, QColor(0xb0, 0x90, 0xff));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

} // namespace

TkavTheme kavStoredTheme()
{
    const TkavIniFile ini(settingsRoot.toString());
    const QString name = ini.ReadString(settingsSection.toString(), settingsValue.toString(), QString());
    for (int i = 0; i < int(themeNames.size()); ++i)
        if (kavSameText(name, themeNames[size_t(i)]))
            return TkavTheme(i);
    return thSystem;
}

QPalette kavThemePalette(TkavTheme theme)
{
    switch (theme) {
    case thLight:
        return fusionPalette();
    case thDark:
        return darkPalette();
    default:
        return startPalette().value_or(QApplication::palette());
    }
}

bool kavDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor kavNavy(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(0x8c, 0xb4, 0xff) : QColor(0x00, 0x00, 0x80);
}

QColor kavGreen(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(0x7c, 0xd0, 0x7c) : QColor(0x00, 0x80, 0x00);
}

TkavTheme kavCurrentTheme()
{
    return currentTheme;
}

void kavSetTheme(TkavTheme theme)
{
    kavApplyTheme(theme);
    TkavIniFile ini(settingsRoot.toString());
    ini.WriteString(settingsSection.toString(), settingsValue.toString(), themeNames[size_t(theme)].toString());
}

void kavApplyTheme(TkavTheme theme)
{
    if (!startPalette())
        startPalette() = QApplication::palette();
    // Not every style paints with the palette; the chosen palettes are made for this one.
    if (theme != thSystem && QApplication::style()->name().compare(u"fusion"_s, Qt::CaseInsensitive) != 0)
        QApplication::setStyle(u"Fusion"_s);
    QApplication::setPalette(kavThemePalette(theme));
    currentTheme = theme;
}

void kavApplyStoredTheme()
{
    const TkavTheme theme = kavStoredTheme();
    if (theme != thSystem)
        kavApplyTheme(theme);
}

QMenu *kavAddThemeMenu(QMenu &menu)
{
    QMenu *themes = menu.addMenu(kavResourceTable().Get(u"dsTheme"_s));
    themes->setObjectName(u"ThemeMI"_s);
    auto *group = new QActionGroup(themes);
    for (int i = 0; i < int(themeNames.size()); ++i) {
        QAction *item = themes->addAction(kavResourceTable().Get(themeCaptions[size_t(i)].toString()));
        item->setObjectName(themeNames[size_t(i)].toString() + u"ThemeMI"_s);
        item->setCheckable(true);
        item->setActionGroup(group);
        QObject::connect(item, &QAction::triggered, themes, [i] { kavSetTheme(TkavTheme(i)); });
    }
    const auto refresh = [themes] {
        themes->setTitle(kavResourceTable().Get(u"dsTheme"_s));
        const QList<QAction *> items = themes->actions();
        for (int i = 0; i < items.size(); ++i) {
            items[i]->setText(kavResourceTable().Get(themeCaptions[size_t(i)].toString()));
            items[i]->setChecked(i == int(kavCurrentTheme()));
        }
    };
    refresh();
    // The marks follow the theme applied elsewhere too.
    QObject::connect(themes, &QMenu::aboutToShow, themes, refresh);
    kavOnLanguageChanged(*themes, refresh);
    return themes;
}
