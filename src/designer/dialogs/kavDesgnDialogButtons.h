#pragma once

// The OK and Cancel buttons of the designer's dialogs, with the resource table's captions.

class QDialog;
class QDialogButtonBox;

// OK (named okName) accepts the dialog, Cancel ("CancelB") rejects it.
QDialogButtonBox *kavOkCancelButtons(QDialog &dialog, const char *okName = "OkB");
