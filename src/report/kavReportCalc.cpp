// The report's values by name: data fields, system variables, report and global
// variables. Expressions that are not names compile through the report's script
// (kavReportScript.cpp).

#include "kavCustomEngine.h"
#include "kavDataSets.h"
#include "kavReport.h"

#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <rtl/kavExceptions.h>
#include <script/ky_classes.h>
#include <script/ky_procedures.h>
#include <script/ky_script.h>

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

} // namespace

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
    if (FOnGetValue || FOnNewGetValue) {
        Variant given = Variant::Null();
        if (FOnGetValue)
            FOnGetValue(Name, given);
        if (FOnNewGetValue)
            FOnNewGetValue(*this, Name, given);
        if (!given.IsNull()) {
            Value = given;
            return true;
        }
    }
    if (FVariables->IndexOf(Name) >= 0) {
        const Variant v = FVariables->GetVariable(Name);
        if (v.IsString() && v.AsString().trimmed().isEmpty()) {
            Value = Variant(); // an empty variable is an empty value, not an empty expression
        } else if (v.IsString() && !v.AsString().contains(u'\r') && !v.AsString().contains(u'\n')) {
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
    // A variable of the script itself (not a procedure or method): its value now.
    if (TkyCustomVariable *v = FScript->FindLocal(Name);
        v && !dynamic_cast<TkyProcVariable *>(v) && !dynamic_cast<TkyCustomHelper *>(v)) {
        Value = v->GetValue();
        return true;
    }
    return false;
}
