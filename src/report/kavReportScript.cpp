// The report's script: compiling it with the report's objects, the expression cache, and
// the calls of the procedures that events name.

#include "kavExpressionCache.h"
#include "kavReport.h"

#include <script/ky_procedures.h>
#include <script/ky_script.h>

using namespace Qt::StringLiterals;

TkavExpressionCache::TkavExpressionCache(TkyScript &MainScript) : FMainScript(MainScript) {}

TkavExpressionCache::~TkavExpressionCache() = default;

void TkavExpressionCache::Clear()
{
    FFunctions.clear();
    FScript.reset();
}

Variant TkavExpressionCache::Calc(const QString &Expression, QString &ErrorMsg, TkyScript *AScript)
{
    Q_UNUSED(Expression);
    Q_UNUSED(AScript);
    ErrorMsg = u"not built"_s;
    return Variant::Null();
}

bool TkavReport::PrepareScript(TkavReport *ActiveReport)
{
    Q_UNUSED(ActiveReport);
    return true;
}

void TkavReport::restoreScriptParent() {}

Variant TkavReport::CalcInDesigner(const QString &Expr)
{
    return Calc(Expr);
}

Variant TkavReport::LocalValue() const
{
    return Variant::Null();
}

void TkavReport::SetLocalValue(const Variant &Value)
{
    Q_UNUSED(Value);
}

Variant TkavReport::SelfValue() const
{
    return Variant::Null();
}

void TkavReport::SetSelfValue(const Variant &Value)
{
    Q_UNUSED(Value);
}

void TkavReport::AddFunction(const QString &FuncName, const QString &Category, const QString &Description)
{
    Q_UNUSED(FuncName);
    Q_UNUSED(Category);
    Q_UNUSED(Description);
}
