#pragma once

// F1 in a window opens that window's page of the user guide.

class QString;
class QWidget;

// F1 pressed anywhere inside window (the focus in it or in one of its children) asks the
// resource table for the help page of className; the innermost window with a help key
// wins, so a docked window shows its own page rather than its host's.
void kavInstallHelpKey(QWidget &window, const QString &className);
