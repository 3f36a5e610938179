#include "ky_sysfuncs.h"

#include "ky_classes.h"
#include "ky_script.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

class TkySysFunctions : public TkyRTTIModule
{
public:
    explicit TkySysFunctions(TkyScript &script);

private:
    static Variant call(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m);
};

TkySysFunctions::TkySysFunctions(TkyScript &script)
    : TkyRTTIModule(script)
{
    kyAddStandardTypes(script);
    script.AddConst(u"True"_s, u"Boolean"_s, true);
    script.AddConst(u"False"_s, u"Boolean"_s, false);
    script.AddConst(u"nil"_s, u"Variant"_s, 0);
    script.AddConst(u"Null"_s, u"Variant"_s, Variant::Null());
    script.AddVariable(u"ExceptionClassName"_s, u"String"_s, QString());
    script.AddVariable(u"ExceptionMessage"_s, u"String"_s, QString());
    const QString other = u"ctOther"_s;
    for (const char16_t *syntax : {u"procedure ShowMessage(Msg: Variant)",
                                   u"function Length(S: Variant): Integer",
                                   u"procedure Inc(var i: Integer; incr: Integer = 1)",
                                   u"procedure Dec(var i: Integer; decr: Integer = 1)",
                                   u"function IntToStr(i: Int64): String",
                                   u"function VarType(V: Variant): Integer",
                                   u"procedure RaiseException(Param: Variant)"})
        script.AddMethod(QString::fromUtf16(syntax), &TkySysFunctions::call, other);
}

Variant TkySysFunctions::call(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m)
{
    if (name == u"SHOWMESSAGE")
        kavUIServices().ShowMessage(VarToStr(m.GetVParam(0)));
    else if (name == u"LENGTH") {
        const Variant v = m.GetVParam(0);
        if (v.IsArray())
            return int(VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1);
        return int(VarToStr(v).size());
    } else if (name == u"INC" || name == u"DEC") {
        const Variant step = m.GetVParam(1);
        m.SetVParam(0, VarBinaryOp(m.GetVParam(0), step, name == u"INC" ? voAdd : voSubtract));
    } else if (name == u"INTTOSTR")
        return QString::number(m.GetVParam(0).AsInt64());
    else if (name == u"VARTYPE")
        return VarType(m.GetVParam(0));
    else if (name == u"RAISEEXCEPTION")
        kavRaise<Exception>(VarToStr(m.GetVParam(0)));
    return Variant::Null();
}

} // namespace

void kyRegisterSystemModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule([](TkyScript &script) { return std::make_unique<TkySysFunctions>(script); });
    });
}
