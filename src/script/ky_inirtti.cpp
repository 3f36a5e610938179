#include "ky_inirtti.h"

#include "ky_classes.h"
#include "ky_script.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavIniFiles.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <rtl/kavStrings.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// Members every ini class has.
constexpr const char16_t *customMembers[] = {
    u"function ReadInteger(const Section, Ident: String; Default: Longint): Longint",
    u"procedure WriteInteger(const Section, Ident: String; Value: Longint)",
    u"function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
    u"procedure WriteBool(const Section, Ident: String; Value: Boolean)",
    u"function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
    u"procedure WriteDate(const Section, Name: String; Value: TDateTime)",
    u"function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
    u"procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
    u"function ReadFloat(const Section, Name: String; Default: Double): Double",
    u"procedure WriteFloat(const Section, Name: String; Value: Double)",
    u"function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
    u"procedure WriteTime(const Section, Name: String; Value: TDateTime)",
    u"function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
    u"procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
    u"function SectionExists(const Section: String): Boolean",
    u"function ValueExists(const Section, Ident: String): Boolean",
    u"procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
    u"function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): "
    u"String;",
    u"procedure UpdateFile",
};

// Members TMemIniFile and TIniFile each register for themselves.
constexpr const char16_t *fileMembers[] = {
    u"procedure WriteString(const Section, Ident, Value: String)",
    u"function ReadString(const Section, Ident, Default: String): String",
    u"procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
    u"procedure DeleteKey(const Section, Ident: String)",
    u"procedure ReadSection(const Section: String; Strings: TStrings)",
    u"procedure ReadSections(Strings: TStrings)",
    u"procedure ReadSectionValues(const Section: String; Strings: TStrings)",
    u"procedure EraseSection(const Section: String)",
    u"procedure SaveIniFileToStream(oStream: TStream)",
    u"procedure LoadIniFileFromStream(oStream: TStream)",
};

constexpr const char16_t *memOnlyMembers[] = {
    u"procedure Clear",
    u"procedure GetStrings(List: TStrings)",
    u"procedure SetStrings(List: TStrings)",
};

QString str(const TkyMethodHelper &m, int index)
{
    return VarToStr(m.GetVParam(index));
}

Variant createIni(const TkavClassInfo *cls, TkyMethodHelper &m)
{
    const QString fileName = kyFileArg(m, 0);
    std::unique_ptr<TObject> made;
    if (cls && cls->InheritsFrom(TIniFile::StaticClassInfo()))
        made = std::make_unique<TIniFile>(fileName);
    else if (cls && cls->InheritsFrom(TMemIniFile::StaticClassInfo()))
        made = std::make_unique<TMemIniFile>(fileName);
    else
        kavRaise<EkyError>(u"Cannot create an instance of the abstract class TCustomIniFile"_s);
    return m.Program()->AdoptObject(std::move(made));
}

// Members that take a string list; nil does nothing.
Variant callWithStrings(TCustomIniFile &ini, const QString &name, TkyMethodHelper &m)
{
    const bool sectionFirst
        = name != u"READSECTIONS" && name != u"GETSTRINGS" && name != u"SETSTRINGS";
    TStrings *list = kyArgObject<TStrings>(m, sectionFirst ? 1 : 0);
    if (!list)
        return name == u"READTSTRINGS" ? Variant(QString()) : Variant::Null();
    const QString section = sectionFirst ? str(m, 0) : QString();
    if (name == u"WRITETSTRINGS")
        ini.WriteTStrings(section, *list, m.GetVParam(2).AsBoolean());
    else if (name == u"READTSTRINGS")
        return ini.ReadTStrings(section, *list, m.GetVParam(2).AsBoolean());
    else if (name == u"READSECTION")
        ini.ReadSection(section, *list);
    else if (name == u"READSECTIONS")
        ini.ReadSections(*list);
    else if (name == u"READSECTIONVALUES")
        ini.ReadSectionValues(section, *list);
    else if (name == u"READSECTIONVALUESEX")
        ini.ReadSectionValuesEx(section, *list);
    else if (auto *mem = dynamic_cast<TMemIniFile *>(&ini); mem && name == u"GETSTRINGS")
        mem->GetStrings(*list);
    else if (mem && name == u"SETSTRINGS")
        mem->SetStrings(*list);
    return Variant::Null();
}

// Members that take a stream; nil does nothing.
Variant callWithStream(TCustomIniFile &ini, const QString &name, TkyMethodHelper &m)
{
    const bool whole = name == u"SAVEINIFILETOSTREAM" || name == u"LOADINIFILEFROMSTREAM";
    TStream *stream = kyArgObject<TStream>(m, whole ? 0 : 2);
    if (!stream)
        return name == u"READBINARYSTREAM" ? Variant(0) : Variant::Null();
    if (name == u"SAVEINIFILETOSTREAM")
        ini.SaveIniFileToStream(*stream);
    else if (name == u"LOADINIFILEFROMSTREAM")
        ini.LoadIniFileFromStream(*stream);
    else if (name == u"READBINARYSTREAM")
        return ini.ReadBinaryStream(str(m, 0), str(m, 1), *stream);
    else
        ini.WriteBinaryStream(str(m, 0), str(m, 1), *stream);
    return Variant::Null();
}

Variant callIni(TObject *obj, const TkavClassInfo *cls, const QString &name, TkyMethodHelper &m)
{
    if (name == u"CREATE")
        return createIni(cls, m);
    TCustomIniFile &ini = kyObjectAs<TCustomIniFile>(obj);
    if (name == u"READSTRING")
        return ini.ReadString(str(m, 0), str(m, 1), str(m, 2));
    if (name == u"WRITESTRING")
        ini.WriteString(str(m, 0), str(m, 1), str(m, 2));
    else if (name == u"READINTEGER")
        return ini.ReadInteger(str(m, 0), str(m, 1), m.GetVParam(2).AsInteger());
    else if (name == u"WRITEINTEGER")
        ini.WriteInteger(str(m, 0), str(m, 1), m.GetVParam(2).AsInteger());
    else if (name == u"READBOOL")
        return ini.ReadBool(str(m, 0), str(m, 1), m.GetVParam(2).AsBoolean());
    else if (name == u"WRITEBOOL")
        ini.WriteBool(str(m, 0), str(m, 1), m.GetVParam(2).AsBoolean());
    else if (name == u"READFLOAT")
        return ini.ReadFloat(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble());
    else if (name == u"WRITEFLOAT")
        ini.WriteFloat(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble());
    else if (name == u"READDATE")
        return Variant::FromDate(ini.ReadDate(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble()));
    else if (name == u"WRITEDATE")
        ini.WriteDate(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble());
    else if (name == u"READDATETIME")
        return Variant::FromDate(ini.ReadDateTime(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble()));
    else if (name == u"WRITEDATETIME")
        ini.WriteDateTime(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble());
    else if (name == u"READTIME")
        return Variant::FromDate(ini.ReadTime(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble()));
    else if (name == u"WRITETIME")
        ini.WriteTime(str(m, 0), str(m, 1), m.GetVParam(2).AsDouble());
    else if (name == u"SECTIONEXISTS")
        return ini.SectionExists(str(m, 0));
    else if (name == u"VALUEEXISTS")
        return ini.ValueExists(str(m, 0), str(m, 1));
    else if (name == u"DELETEKEY")
        ini.DeleteKey(str(m, 0), str(m, 1));
    else if (name == u"ERASESECTION")
        ini.EraseSection(str(m, 0));
    else if (name == u"UPDATEFILE")
        ini.UpdateFile();
    else if (name == u"CLEAR") {
        if (auto *mem = dynamic_cast<TMemIniFile *>(&ini))
            mem->Clear();
    } else if (name.contains(u"STREAM"))
        return callWithStream(ini, name, m);
    else
        return callWithStrings(ini, name, m);
    return Variant::Null();
}

class TkyIniRTTI : public TkyRTTIModule
{
public:
    explicit TkyIniRTTI(TkyScript &script);
};

template <std::size_t N>
void addMembers(TkyClassVariable &cls, const char16_t *const (&members)[N])
{
    for (const char16_t *syntax : members)
        cls.AddMethod(QString::fromUtf16(syntax), &callIni);
}

TkyIniRTTI::TkyIniRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    if (TkyClassVariable *custom
        = script.AddClass(TCustomIniFile::StaticClassInfo(), u"TObject"_s)) {
        custom->AddConstructor(u"constructor Create(const FileName: String)"_s, &callIni);
        addMembers(*custom, customMembers);
        custom->AddProperty(
            u"FileName"_s, u"String"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<TCustomIniFile>(obj).FileName());
            });
    }
    if (TkyClassVariable *mem
        = script.AddClass(TMemIniFile::StaticClassInfo(), u"TCustomIniFile"_s)) {
        mem->AddConstructor(u"constructor Create(const FileName: String)"_s, &callIni);
        addMembers(*mem, fileMembers);
        addMembers(*mem, memOnlyMembers);
    }
    if (TkyClassVariable *file = script.AddClass(TIniFile::StaticClassInfo(), u"TCustomIniFile"_s))
        addMembers(*file, fileMembers);
}

} // namespace

void kyRegisterIniModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleIni,
            [](TkyScript &script) { return std::make_unique<TkyIniRTTI>(script); });
    });
}
