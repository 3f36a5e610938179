#pragma once

// The View menu's choice of language: one radio item per language file next to the program.
// Choosing one loads it over the texts and every open window that follows the language
// (kavOnLanguageChanged) shows its captions again.

class QMenu;

// Adds a separator and the submenu "Language" (resource 2475) to menu, the language in use
// checked; nothing (nullptr) when no language file exists. A language that cannot be loaded
// is reported in an error box and changes nothing.
QMenu *kavAddLanguageMenu(QMenu &menu);
