#pragma once

// TkyScript: the script program and scope. For now it holds only what the IL parser reads
// and writes (error report, identifier charset, unit search); the program model (items,
// statements, scopes, execution) grows here.

#include <QString>
#include <QStringList>

#include <functional>

class TkyScript;

// Supplies the source text of a unit instead of the file search (an empty text is an
// empty unit).
using TkyGetUnitEvent = std::function<QString(TkyScript &script, const QString &unitName)>;

class TkyScript
{
public:
    TkyScript() = default;
    TkyScript(const TkyScript &) = delete;
    TkyScript &operator=(const TkyScript &) = delete;

    // Last compile error: message, "line:column", and the unit it occurred in (empty for
    // the main text).
    const QString &ErrorMsg() const { return FErrorMsg; }
    void SetErrorMsg(const QString &value) { FErrorMsg = value; }
    const QString &ErrorPos() const { return FErrorPos; }
    void SetErrorPos(const QString &value) { FErrorPos = value; }
    const QString &ErrorUnit() const { return FErrorUnit; }
    void SetErrorUnit(const QString &value) { FErrorUnit = value; }

    // Identifiers may contain the character codes 128..255.
    bool ExtendedCharset() const { return FExtendedCharset; }
    void SetExtendedCharset(bool value) { FExtendedCharset = value; }

    // Folders searched in order for unit files; an empty entry is the current folder.
    const QStringList &IncludePath() const { return FIncludePath; }
    QStringList &IncludePath() { return FIncludePath; }
    void SetIncludePath(const QStringList &value) { FIncludePath = value; }

    const TkyGetUnitEvent &OnGetUnit() const { return FOnGetUnit; }
    void SetOnGetUnit(TkyGetUnitEvent handler) { FOnGetUnit = std::move(handler); }

private:
    QString FErrorMsg;
    QString FErrorPos;
    QString FErrorUnit;
    bool FExtendedCharset = false;
    QStringList FIncludePath{QString()}; // one empty entry: the current folder
    TkyGetUnitEvent FOnGetUnit;
};
