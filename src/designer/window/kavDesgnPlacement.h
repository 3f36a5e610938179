#pragma once

// Where the designer's windows and dialogs were left: their bounds, maximised and visible
// states and the dock holding them, kept in the report's settings store in the section
// "Form5." followed by the window's class name.

#include <QString>

class QWidget;
class TkavIniFile;

// Writes Left, Top, Width, Height (the normal bounds when maximised), Maximized, Visible
// and Dock5 (empty when floating).
void kavSaveFormPosition(TkavIniFile &ini, const QString &className, const QWidget &window,
                         const QString &dockName = {});
// Maximises the window or sets its bounds (each missing key keeps the current value), on a
// screen; returns the dock named by Dock5, empty when floating.
QString kavRestoreFormPosition(const TkavIniFile &ini, const QString &className, QWidget &window);
// A window whose top edge cannot be grabbed on any screen (a screen since removed, a
// stored place far off) is moved, and if need be shrunk, onto its owner's screen.
void kavKeepOnScreen(QWidget &window);
