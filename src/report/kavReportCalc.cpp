// The report's values: the lookup of names (data fields, report and global variables) and
// the evaluation of expressions. Until the report compiles its script, an expression is a
// name or a literal.

#include "kavBands.h"
#include "kavCustomEngine.h"
#include "kavDataSets.h"
#include "kavReport.h"

#include <engine/kavAggregate.h>
#include <persist/kavRes.h>
#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>

using namespace Qt::StringLiterals;

namespace {

// A null field value as ConvertNulls turns it: 0, empty text or False by the field's type.
Variant convertedNull(TkavFieldType type)
{
    switch (type) {
    case fftNumeric:
    case fftDateTime:
        return Variant(0);
    case fftString:
        return Variant(QString());
    case fftBoolean:
        return Variant(false);
    }
    return Variant::Null();
}

// A quoted text ('it''s' or "say \"hi\"") or a number; false for anything else.
bool literalValue(const QString &expr, Variant &value)
{
    const QString e = expr.trimmed();
    if (e.size() >= 2 && e.front() == e.back() && (e.front() == u'\'' || e.front() == u'"')) {
        const QChar quote = e.front();
        QString text;
        for (qsizetype i = 1; i < e.size() - 1; ++i) {
            const QChar c = e[i];
            const bool escaped = quote == u'\'' ? c == u'\'' : c == u'\\';
            if (escaped && i + 1 < e.size() - 1)
                ++i;
            else if (c == quote)
                return false; // two literals joined by something: an expression
            text += e[i];
        }
        value = Variant(text);
        return true;
    }
    qint64 integer = 0;
    if (TryStrToInt64(e, integer)) {
        value = VarFromInteger(integer);
        return true;
    }
    double number = 0;
    if (kavTryFileTextToFloat(e, number)) {
        value = Variant(number);
        return true;
    }
    return false;
}

} // namespace

// SUM(expression, band, flags), AVG, MIN, MAX and COUNT(band, flags): the engine's value of
// that aggregate for the band being output. Band and flags are evaluated when given.
bool TkavReport::aggregateCall(const QString &Expr, Variant &Value)
{
    const QString e = Expr.trimmed();
    const qsizetype open = e.indexOf(u'(');
    if (open <= 0 || !e.endsWith(u')'))
        return false;
    const QString name = e.left(open).trimmed().toUpper();
    if (name != u"SUM" && name != u"AVG" && name != u"MIN" && name != u"MAX" && name != u"COUNT")
        return false;
    const QStringList args = kavSplitAggregateArgs(QStringView(e).mid(open + 1, e.size() - open - 2));
    const int first = name == u"COUNT" ? 0 : 1;
    const QString bandText = args.value(first);
    const QString flagsText = args.value(first + 1);
    TkavBand *band = nullptr;
    if (!bandText.isEmpty()) {
        band = dynamic_cast<TkavBand *>(FindObject(bandText));
        if (!band)
            throw EkavError(u"%1 '%2': Undeclared identifier: '%3'"_s.arg(
                kavResourceTable().Get(u"clExprError"_s), Expr, bandText));
    }
    const int flags = flagsText.isEmpty() ? 0 : int(Calc(flagsText).AsInteger());
    Value = FEngine->GetAggregateValue(name, first == 1 ? args.value(0) : QString(), band, flags);
    return true;
}

// The system variables, by exact name: the run's dates, page numbers and row numbers.
bool TkavReport::systemVariable(const QString &Name, Variant &Value) const
{
    const TkavCustomEngine &engine = *FEngine;
    TkavCustomPreviewPages &pages = *FPreviewPages;
    if (Name == u"Date")
        Value = Variant::FromDate(engine.StartDate());
    else if (Name == u"Time")
        Value = Variant::FromDate(engine.StartTime());
    else if (Name == u"Page")
        Value = Variant(pages.GetLogicalPageNo());
    else if (Name == u"Page#")
        Value = Variant(pages.CurPage() + 1);
    else if (Name == u"TotalPages")
        Value = Variant(pages.GetLogicalTotalPages());
    else if (Name == u"TotalPages#")
        Value = Variant(engine.TotalPages());
    else if (Name == u"Line")
        Value = Variant(engine.CurLine());
    else if (Name == u"Line#")
        Value = Variant(engine.CurLineThrough());
    else if (Name == u"CopyName#")
        Value = kavGlobalVariables().GetVariable(u"CopyName0"_s);
    else
        return false;
    return true;
}

bool TkavReport::GetValueByName(const QString &Name, Variant &Value)
{
    Value = Variant::Null();
    TkavDataSet *dataSet = nullptr;
    QString field;
    GetDatasetAndField(Name, dataSet, field);
    // Only a whole name is a field: DS."A" * DS."B" is an expression, not the field A" * DS."B.
    if (dataSet && Name.trimmed().endsWith(u'"') && !field.contains(u'"')) {
        Value = dataSet->GetValue(field);
        if (Value.IsNull() && FEngineOptions->ConvertNulls())
            Value = convertedNull(dataSet->GetFieldType(field));
        return true;
    }
    if (systemVariable(Name, Value))
        return true;
    if (FVariables->IndexOf(Name) >= 0) {
        const Variant v = FVariables->GetVariable(Name);
        if (v.IsString() && !v.AsString().contains(u'\r') && !v.AsString().contains(u'\n')) {
            if (FEvaluating.contains(Name, Qt::CaseInsensitive))
                throw EkavError(u"The variable %1 refers to itself"_s.arg(Name));
            FEvaluating.append(Name);
            try {
                Value = Calc(v.AsString());
            } catch (...) {
                FEvaluating.removeLast();
                throw;
            }
            FEvaluating.removeLast();
        } else {
            Value = v;
        }
        return true;
    }
    if (kavGlobalVariables().IndexOf(Name) >= 0) {
        Value = kavGlobalVariables().GetVariable(Name);
        return true;
    }
    return false;
}

Variant TkavReport::Calc(const QString &Expr, TkyScript *AScript)
{
    Q_UNUSED(AScript);
    // Only the outermost evaluation reports: a variable's expression fails once, not once
    // per variable on the way to it.
    const bool outermost = FEvaluating.isEmpty();
    Variant value;
    QString message;
    try {
        if (GetValueByName(Expr, value) || literalValue(Expr, value) || aggregateCall(Expr, value))
            return value;
        // <Name> names a variable or a data field the way expressions write it.
        const QString e = Expr.trimmed();
        if (e.size() > 2 && e.front() == u'<' && e.back() == u'>'
            && GetValueByName(e.mid(1, e.size() - 2).trimmed(), value))
            return value;
        message = u"%1 '%2': Undeclared identifier: '%3'"_s.arg(
            kavResourceTable().Get(u"clExprError"_s), Expr, Expr.trimmed());
    } catch (const EkavError &e) {
        if (!outermost)
            throw;
        message = e.Message();
    }
    if (!outermost)
        throw EkavError(message);
    if (!FCurObject.isEmpty())
        message = FCurObject + u": "_s + message;
    FErrors->Add(message);
    throw EkavError(message);
}
