#pragma once

// TkavExpressionCache: the report's compiled expressions. Each distinct expression text
// becomes one function of a private script program, compiled on first use and reused for
// the rest of the run, so a memo evaluated for every row compiles once.

#include <rtl/kavVariant.h>

#include <QHash>
#include <QString>

#include <memory>

class TkyProcVariable;
class TkyScript;

class TkavExpressionCache
{
public:
    explicit TkavExpressionCache(TkyScript &MainScript);
    ~TkavExpressionCache();

    // Forgets every compiled expression.
    void Clear();
    // "PascalScript", "C++Script", "BasicScript" or "JScript": the language expressions
    // are written in.
    void SetScriptLanguage(const QString &Value) { FScriptLanguage = Value; }
    // Expressions differing only in letter case share a function unless set.
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    // The value of Expression with AScript (null: the main script) as its enclosing scope.
    // A compile or run-time error leaves ErrorMsg set and gives null.
    Variant Calc(const QString &Expression, QString &ErrorMsg, TkyScript *AScript);
    // Number of compiled expressions.
    int Count() const { return int(FFunctions.size()); }

private:
    TkyProcVariable *compile(const QString &Expression, QString &ErrorMsg);

    TkyScript &FMainScript;
    std::unique_ptr<TkyScript> FScript;
    QHash<QString, TkyProcVariable *> FFunctions; // owned by FScript
    QString FScriptLanguage = QStringLiteral("PascalScript");
    bool FCaseSensitive = false;
};
