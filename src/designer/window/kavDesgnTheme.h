#pragma once

// The program's colours: the system's palette, or a light or a dark one the user chooses,
// applied to every window and kept in the user's settings ("Appearance", value "Theme").

#include <QPalette>

class QMenu;

// ORDER: the items of the Theme submenu.
enum TkavTheme : int {
    thSystem,
    thLight,
    thDark
};

// The stored choice; thSystem when none is stored or the stored text is unknown.
TkavTheme kavStoredTheme();
// Applies theme to the whole application (without storing it).
void kavApplyTheme(TkavTheme theme);
// Applies theme and stores it.
void kavSetTheme(TkavTheme theme);
// Applies the stored theme: called once at start-up, before the first window shows.
void kavApplyStoredTheme();
// The theme applied last (thSystem before any).
TkavTheme kavCurrentTheme();
// The palette of a theme (thSystem: the one the application started with).
QPalette kavThemePalette(TkavTheme theme);
// Whether windows now paint on a dark background.
bool kavDarkPalette(const QPalette &palette);
// The designer's accent colours on the palette's text background: navy (inspector values,
// comments and strings in scripts) and green (numbers), lighter tints where it is dark.
QColor kavNavy(const QPalette &palette);
QColor kavGreen(const QPalette &palette);

// Adds the submenu "Theme" to menu: System, Light and Dark as radio items, the current one
// checked; choosing one applies and stores it.
QMenu *kavAddThemeMenu(QMenu &menu);
