#pragma once

// What every designer dialog shares: it opens where and as large as it was last closed
// (per dialog class, kept in the designer's settings in section "Form5." + class name, and
// brought back onto a screen), and F1 opens its page of the user guide.

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class TkavIniFile;

// The one line a dialog's constructor adds; className names its settings section and its
// help page (the dialog's class, e.g. "TkavPageEditorForm").
void kavDesignerDialog(QDialog &dialog, const QString &className);

// The store dialogs remember themselves in (the designer's report settings), or none: then
// they are remembered for the process only. The designer window sets it while it exists.
using TkavDialogSettings = std::function<std::unique_ptr<TkavIniFile>()>;
void kavSetDialogSettings(TkavDialogSettings settings);
