#pragma once

// The headless subcommands of kavrel. Each takes its arguments (after the command name),
// prints errors to standard error and returns the process exit code.

#include <QStringList>

int kavCmdResave(const QStringList &args);
int kavCmdScript(const QStringList &args);
int kavCmdPrepare(const QStringList &args);
int kavCmdExport(const QStringList &args);
int kavCmdPrint(const QStringList &args);
int kavCmdPreview(const QStringList &args);
// No display: the windows (preview, designer) run offscreen and can only grab a picture.
bool kavNoDisplay();
// Needs a QApplication (widgets).
int kavCmdDesign(const QStringList &args);
