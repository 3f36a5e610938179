#pragma once

// What the designer's dialogs share for their captions: the resource table's texts and the
// OK and Cancel buttons.

#include <QString>

class QDialog;
class QDialogButtonBox;

// Gives widget the object name the dialog's tests and settings find it by.
template <class T>
T *kavNamed(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The resource table's text for key.
QString kavDialogText(const char *key);
QString kavDialogText(const char16_t *key);

// OK (named okName) accepts the dialog, Cancel ("CancelB") rejects it.
QDialogButtonBox *kavOkCancelButtons(QDialog &dialog, const char *okName = "OkB");
