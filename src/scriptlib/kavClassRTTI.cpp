#include "kavClassRTTI.h"

#include <data/kavFileDataSets.h>
#include <data/kavSQLDataSets.h>
#include <engine/kavEngine.h>
#include <persist/kavUtils.h>
#include <persist/kavVariables.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavComponent.h>
#include <report/kavCustomEngine.h>
#include <report/kavDMP.h>
#include <report/kavDataSets.h>
#include <report/kavDialogControls.h>
#include <report/kavDialogs.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>
#include <report/kavStyles.h>
#include <report/kavViews.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>
#include <script/ky_classes.h>
#include <script/ky_classesrtti.h>
#include <script/ky_script.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <mutex>
#include <type_traits>

using namespace Qt::StringLiterals;

bool kavReportIsRunning(const TkavComponent &component)
{
    TkavReport *report = component.Report();
    if (!report)
        return false;
    const TkavCustomEngine *engine = report->Engine();
    return (engine && engine->Running()) || report->Script().IsRunning();
}

void kavCheckReportNotRunning(const TkavComponent &component)
{
    if (kavReportIsRunning(component))
        throw EkavError(QString::fromUtf16(kavRunningReportMessage));
}

namespace {

using Method = TkyMethodHelper;

// ---------------------------------------------------------------------------------------
// The Unicode string list scripts create with TWideStrings.Create. The lists report objects
// hand out (a memo's Lines) are served by the same members.

class TkavScriptWideStrings : public TkavWideStrings
{
public:
    KAV_CLASSINFO
};

} // namespace

const TkavClassInfo &TkavScriptWideStrings::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavScriptWideStrings, TStrings>(
        u"TWideStrings"_s, [](TkavPropBuilder<TkavScriptWideStrings> &) {});
    return info;
}

namespace {

// ---------------------------------------------------------------------------------------
// Argument and index helpers

[[noreturn]] void raiseIndex(int index)
{
    throw EListError(u"List index out of bounds (%1)"_s.arg(index));
}

// 0 <= index < count (or <= count when inserting), else EListError.
void checkIndex(int index, int count, bool inserting = false)
{
    if (index < 0 || index > count || (!inserting && index == count))
        raiseIndex(index);
}

QString textArg(const Method &m, int index)
{
    return m.GetVParam(index).AsString();
}

// Argument index as a T; nil raises "Object reference is nil".
template <class T>
T &objectArg(const Method &m, int index)
{
    T *object = kyArgObject<T>(m, index);
    if (!object)
        throw EkyError(u"Object reference is nil"_s);
    return *object;
}

// A new script-owned TList of items, built through the list class the script knows.
Variant makeList(TkyScript *program, const QList<TkavComponent *> &items)
{
    TkyClassVariable *listClass = program ? program->FindClass(u"TList") : nullptr;
    auto *add = listClass ? dynamic_cast<Method *>(listClass->Find(u"Add")) : nullptr;
    if (!add)
        throw EkyError(u"The class TList is not available"_s);
    add->SetProgram(program);
    const Variant list = kyCreateObject(listClass->ClassRef(), *add);
    add->SetParentValue(list);
    for (TkavComponent *item : items) {
        add->SetVParam(0, Variant::FromObject(item));
        add->GetValue();
    }
    add->SetParentValue(Variant::Null());
    add->SetVParam(0, Variant::Null());
    return list;
}

// Read-only and read-write properties served by lambdas over the object as T.
template <class T, class Get>
void addReadOnly(TkyClassVariable &cls, const QString &name, const QString &type, Get get)
{
    cls.AddProperty(name, type, [get](TObject *obj, const TkavClassInfo *, const QString &) {
        return Variant(get(kyObjectAs<T>(obj)));
    });
}

template <class T, class Get, class Set>
void addReadWrite(TkyClassVariable &cls, const QString &name, const QString &type, Get get, Set set)
{
    cls.AddProperty(
        name,
        type,
        [get](TObject *obj, const TkavClassInfo *, const QString &) {
            return Variant(get(kyObjectAs<T>(obj)));
        },
        [set](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
            set(kyObjectAs<T>(obj), v);
        });
}

// ---------------------------------------------------------------------------------------
// TWideStrings

Variant wideStringsMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    if (name == u"CREATE")
        return m.Program()->AdoptObject(std::make_unique<TkavScriptWideStrings>());
    TStrings &list = kyObjectAs<TStrings>(obj);
    const auto index = [&m](int i) { return m.GetVParam(i).AsInteger(); };
    const auto listed = [&m](int i) {
        TObject *object = kyArgObject<TObject>(m, i);
        kyRememberListedObject(object);
        return object;
    };
    if (name == u"ADD")
        return list.Add(textArg(m, 0));
    if (name == u"ADDOBJECT")
        return list.AddObject(textArg(m, 0), listed(1));
    if (name == u"INDEXOF")
        return list.IndexOf(textArg(m, 0));
    if (name == u"CLEAR") {
        list.Clear();
    } else if (name == u"DELETE") {
        checkIndex(index(0), list.Count());
        list.Delete(index(0));
    } else if (name == u"INSERT") {
        checkIndex(index(0), list.Count(), true);
        list.Insert(index(0), textArg(m, 1));
    } else if (name == u"LOADFROMFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        list.LoadFromFile(fileName);
    } else if (name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, true);
        list.SaveToFile(fileName);
    } else if (name == u"LOADFROMSTREAM") {
        list.LoadFromStream(objectArg<TStream>(m, 0));
    } else if (name == u"SAVETOSTREAM") {
        list.SaveToStream(objectArg<TStream>(m, 0));
    } else if (name == u"STRINGS.GET") {
        checkIndex(index(0), list.Count());
        return list.Strings(index(0));
    } else if (name == u"STRINGS.SET") {
        checkIndex(index(0), list.Count());
        list.SetStrings(index(0), textArg(m, 1));
    } else if (name == u"OBJECTS.GET") {
        checkIndex(index(0), list.Count());
        return kyListedObjectRef(list.Objects(index(0)));
    } else if (name == u"OBJECTS.SET") {
        checkIndex(index(0), list.Count());
        list.SetObjects(index(0), listed(1));
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// Components

// A new component of the class named before Create: owned by AOwner's report when an owner
// is given, else by the script.
Variant createComponent(TObject *, const TkavClassInfo *cls, const QString &, Method &m)
{
    TkavComponent *owner = kyArgObject<TkavComponent>(m, 0);
    if (!owner)
        return kyCreateObject(cls, m);
    return Variant::FromObject(TkavComponent::Create(cls->ClassName(), owner));
}

Variant componentMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &component = kyObjectAs<TkavComponent>(obj);
    if (name == u"FINDOBJECT")
        return Variant::FromObject(component.FindObject(textArg(m, 0)));
    if (name == u"CLEAR") {
        kavCheckReportNotRunning(component);
        component.Clear();
    } else if (name == u"LOADFROMSTREAM") {
        kavCheckReportNotRunning(component);
        component.LoadFromStream(objectArg<TStream>(m, 0));
    } else if (name == u"SAVETOSTREAM") {
        component.SaveToStream(objectArg<TStream>(m, 0), m.GetVParam(1).AsBoolean(), false);
    } else if (name == u"SETBOUNDS") {
        component.SetBounds(m.GetVParam(0).AsDouble(),
                            m.GetVParam(1).AsDouble(),
                            m.GetVParam(2).AsDouble(),
                            m.GetVParam(3).AsDouble());
    }
    return Variant();
}

// Parent := Value moves the component under another component of its own report.
void setParent(TkavComponent &component, const Variant &value)
{
    if (value.IsNull() || value.IsEmpty() || value.IsNil()) {
        component.SetParent(nullptr);
        return;
    }
    auto *parent = value.IsObject() ? dynamic_cast<TkavComponent *>(value.AsObject()) : nullptr;
    if (!parent)
        throw EkavError(u"The parent of %1 must be a report object"_s.arg(component.Name()));
    if (parent->Report() != component.Report())
        throw EkavError(u"%1 cannot be moved into %2, an object of another report"_s.arg(
            component.Name(), parent->Name()));
    component.SetParent(parent);
}

void addComponentMembers(TkyClassVariable &c)
{
    using C = TkavComponent;
    c.AddConstructor(u"constructor Create(AOwner: TkavComponent)"_s, &createComponent);
    c.AddMethod(u"procedure Clear"_s, &componentMethod);
    c.AddMethod(u"function FindObject(s: String): TkavComponent"_s, &componentMethod);
    c.AddMethod(u"procedure LoadFromStream(Stream: TStream)"_s, &componentMethod);
    c.AddMethod(u"procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)"_s,
                &componentMethod);
    c.AddMethod(u"procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)"_s,
                &componentMethod);
    c.AddPropertyEx(
        u"Objects"_s,
        u"TList"_s,
        [](TObject *obj, const TkavClassInfo *, const QString &, TkyPropertyHelper &caller) {
            return makeList(caller.Program(), kyObjectAs<C>(obj).Objects());
        });
    c.AddPropertyEx(
        u"AllObjects"_s,
        u"TList"_s,
        [](TObject *obj, const TkavClassInfo *, const QString &, TkyPropertyHelper &caller) {
            return makeList(caller.Program(), kyObjectAs<C>(obj).AllObjects());
        });
    addReadWrite<C>(
        c,
        u"Parent"_s,
        u"TkavComponent"_s,
        [](const C &x) { return Variant::FromObject(x.Parent()); },
        [](C &x, const Variant &v) { setParent(x, v); });
    addReadOnly<C>(
        c, u"Page"_s, u"TkavPage"_s, [](const C &x) { return Variant::FromObject(x.Page()); });
    addReadOnly<C>(c, u"AbsLeft"_s, u"Extended"_s, [](const C &x) { return x.AbsLeft(); });
    addReadOnly<C>(c, u"AbsTop"_s, u"Extended"_s, [](const C &x) { return x.AbsTop(); });
}

// ---------------------------------------------------------------------------------------
// Data sets

Variant dataSetMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &ds = kyObjectAs<TkavDataSet>(obj);
    if (name == u"EOF")
        return ds.Eof();
    if (name == u"FIELDSCOUNT")
        return ds.FieldsCount();
    if (name == u"HASFIELD")
        return ds.HasField(textArg(m, 0));
    if (name == u"ISBLOBFIELD")
        return ds.IsBlobField(textArg(m, 0));
    if (name == u"RECORDCOUNT")
        return ds.RecordCount();
    if (name == u"DISPLAYTEXT.GET")
        return ds.GetDisplayText(textArg(m, 0));
    if (name == u"DISPLAYWIDTH.GET")
        return ds.GetDisplayWidth(textArg(m, 0));
    if (name == u"FIELDTYPE.GET")
        return int(ds.GetFieldType(textArg(m, 0)));
    if (name == u"VALUE.GET")
        return ds.GetValue(textArg(m, 0));
    if (name == u"OPEN")
        ds.Open();
    else if (name == u"CLOSE")
        ds.Close();
    else if (name == u"FIRST")
        ds.First();
    else if (name == u"NEXT")
        ds.Next();
    else if (name == u"PRIOR")
        ds.Prior();
    else if (name == u"GETFIELDLIST")
        ds.GetFieldList(objectArg<TStrings>(m, 0));
    return Variant();
}

void addDataSetMembers(TkyClassVariable &c)
{
    c.AddConstructor(u"constructor Create(AOwner: TkavComponent)"_s, &createComponent);
    for (const char16_t *syntax : {u"procedure Open",
                                   u"procedure Close",
                                   u"procedure First",
                                   u"procedure Next",
                                   u"procedure Prior",
                                   u"function Eof: Boolean",
                                   u"function FieldsCount: Integer",
                                   u"function HasField(const fName: String): Boolean",
                                   u"function IsBlobField(const fName: String): Boolean",
                                   u"function RecordCount: Integer",
                                   u"procedure GetFieldList(List: TStrings)"})
        c.AddMethod(QString::fromUtf16(syntax), &dataSetMethod);
    addReadOnly<TkavDataSet>(
        c, u"RecNo"_s, u"Integer"_s, [](const TkavDataSet &ds) { return ds.RecNo(); });
    c.AddIndexProperty(u"DisplayText"_s, u"String"_s, u"String"_s, &dataSetMethod, true);
    c.AddIndexProperty(u"DisplayWidth"_s, u"String"_s, u"Integer"_s, &dataSetMethod, true);
    c.AddIndexProperty(u"FieldType"_s, u"String"_s, u"TkavFieldType"_s, &dataSetMethod, true);
    c.AddIndexProperty(u"Value"_s, u"String"_s, u"Variant"_s, &dataSetMethod, true);
}

// ---------------------------------------------------------------------------------------
// Views

Variant viewMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    if (name == u"CALCHEIGHT")
        return kyObjectAs<TkavStretcheable>(obj).CalcHeight();
    if (name == u"CALCWIDTH")
        return kyObjectAs<TkavCustomMemoView>(obj).CalcWidth();
    if (name == u"LOADFROMFILE") {
        auto &view = kyObjectAs<TkavPictureView>(obj);
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw EFOpenError(
                u"Cannot open file \"%1\". %2"_s.arg(fileName, file.errorString()));
        if (file.size() > kavPictureMaxImageBytes)
            throw EkavError(u"File \"%1\" is too large for a picture"_s.arg(fileName));
        if (!view.Picture().LoadFromBytes(file.readAll()))
            throw EkavError(u"File \"%1\" does not hold a picture"_s.arg(fileName));
    }
    return Variant();
}

Variant dialogMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &)
{
    if (name == u"SHOWMODAL")
        return kyObjectAs<TkavDialogPage>(obj).ShowModal();
    if (name == u"SETFOCUS")
        kyObjectAs<TkavDialogControl>(obj).SetFocus();
    return Variant();
}

void addMemoMembers(TkyClassVariable &c)
{
    using M = TkavCustomMemoView;
    c.AddMethod(u"function CalcWidth: Extended"_s, &viewMethod);
    addReadWrite<M>(
        c,
        u"Text"_s,
        u"String"_s,
        [](const M &x) { return x.Text(); },
        [](M &x, const Variant &v) { x.SetText(v.AsString()); });
    // ANSI text travels as one character per byte.
    addReadWrite<M>(
        c,
        u"AnsiText"_s,
        u"String"_s,
        [](const M &x) { return QString::fromLatin1(x.AnsiText()); },
        [](M &x, const Variant &v) { x.SetAnsiText(v.AsString().toLatin1()); });
    addReadWrite<M>(
        c,
        u"Lines"_s,
        u"TWideStrings"_s,
        [](const M &x) { return Variant::FromObject(&x.Lines()); },
        [](M &x, const Variant &v) {
            x.SetMemo(kyObjectAs<TStrings>(v.IsObject() ? v.AsObject() : nullptr));
        });
    addReadOnly<M>(c, u"Value"_s, u"Variant"_s, [](const M &x) { return x.Value(); });
}

// ---------------------------------------------------------------------------------------
// Variables

template <class T>
Variant variablesMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m)
{
    if (name == u"CREATE")
        return kyCreateObject(cls, m);
    T &list = kyObjectAs<T>(obj);
    // Variables are named by text; an array's keys are any value.
    const auto key = [&m] {
        if constexpr (std::is_same_v<T, TkavVariables>)
            return m.GetVParam(0).AsString();
        else
            return m.GetVParam(0);
    };
    if (name == u"VARIABLES.GET")
        return list.GetVariable(key());
    if (name == u"VARIABLES.SET")
        list.SetVariable(key(), m.GetVParam(1));
    return Variant();
}

// ---------------------------------------------------------------------------------------
// Styles

Variant stylesMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    if (name == u"CREATE") {
        const Variant owner = m.GetVParam(0);
        auto *report = owner.IsObject() ? dynamic_cast<TkavReport *>(owner.AsObject()) : nullptr;
        return m.Program()->AdoptObject(std::make_unique<TkavStyles>(report));
    }
    auto &styles = kyObjectAs<TkavStyles>(obj);
    if (name == u"ITEMS.GET") {
        const int index = int(m.GetVParam(0).AsInteger());
        if (index < 0 || index >= styles.Count())
            throw EkavError(u"List index out of bounds (%1)"_s.arg(index));
        return Variant::FromObject(styles.Items(index));
    }
    if (name == u"ADD")
        return Variant::FromObject(styles.Add());
    if (name == u"FIND")
        return Variant::FromObject(styles.Find(textArg(m, 0)));
    if (name == u"APPLY")
        styles.Apply();
    else if (name == u"GETLIST")
        styles.GetList(kyObjectAs<TStrings>(m.GetVParam(0).AsObject()));
    else if (name == u"LOADFROMFILE" || name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, name == u"SAVETOFILE");
        if (name == u"LOADFROMFILE")
            styles.LoadFromFile(fileName);
        else
            styles.SaveToFile(fileName);
    } else if (name == u"LOADFROMSTREAM")
        styles.LoadFromStream(kyObjectAs<TStream>(m.GetVParam(0).AsObject()));
    else if (name == u"SAVETOSTREAM")
        styles.SaveToStream(kyObjectAs<TStream>(m.GetVParam(0).AsObject()));
    return Variant();
}

// ---------------------------------------------------------------------------------------
// Report, engine, outline

Variant reportMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &report = kyObjectAs<TkavReport>(obj);
    if (name == u"CALC")
        return report.CalcInDesigner(textArg(m, 0));
    if (name == u"GETDATASET")
        return Variant::FromObject(report.GetDataset(textArg(m, 0)));
    if (name == u"LOADFROMFILE") {
        kavCheckReportNotRunning(report);
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, false);
        // A missing file is an answer, not an error, and leaves the report as it is.
        if (!QFileInfo(fileName).isFile())
            return false;
        return report.LoadFromFile(fileName);
    }
    if (name == u"SAVETOFILE") {
        const QString fileName = kyFileArg(m, 0);
        kavCheckFileAccess(fileName, true);
        report.SaveToFile(fileName);
    } else if (name == u"SHOWREPORT") {
        kavCheckReportNotRunning(report);
        report.ShowReport(true);
    }
    return Variant();
}

// Operations that output into the current page need a run in progress.
void checkEngineRunning(const TkavCustomEngine &engine)
{
    if (!engine.Running())
        throw EkavError(u"The engine is not running"_s);
}

TkavCustomPreviewPages &enginePages(const TkavCustomEngine &engine)
{
    if (!engine.PreviewPages())
        throw EkavError(u"The engine has no prepared pages"_s);
    return *engine.PreviewPages();
}

Variant engineMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &engine = kyObjectAs<TkavCustomEngine>(obj);
    if (name == u"FREESPACE")
        return engine.FreeSpace();
    if (name == u"GETANCHORPAGE")
        return enginePages(engine).GetAnchorPage(textArg(m, 0));
    if (name == u"STOPREPORT") {
        engine.StopReport();
        return Variant();
    }
    checkEngineRunning(engine);
    if (name == u"ADDANCHOR") {
        enginePages(engine).AddAnchor(textArg(m, 0));
    } else if (name == u"NEWPAGE") {
        engine.NewPage();
    } else if (name == u"NEWCOLUMN") {
        engine.NewColumn();
    } else if (name == u"SHOWBAND") {
        TkavBand &band = objectArg<TkavBand>(m, 0);
        if (band.Report() != engine.Report())
            throw EkavError(u"Band %1 does not belong to the running report"_s.arg(band.Name()));
        engine.ShowBand(&band);
    }
    return Variant();
}

Variant outlineMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &outline = kyObjectAs<TkavCustomOutline>(obj);
    if (name == u"ADDITEM") {
        const TkavCustomEngine *engine = outline.Engine();
        // The entry marks the engine's position, rounded half to even.
        const double y = engine ? std::nearbyint(engine->CurY()) : 0.0;
        outline.AddItem(textArg(m, 0), int(y));
    } else if (name == u"LEVELROOT") {
        outline.LevelRoot();
    } else if (name == u"LEVELUP") {
        outline.LevelUp();
    }
    return Variant();
}

// ---------------------------------------------------------------------------------------
// Functions

Variant functionCall(TObject *, const TkavClassInfo *, const QString &name, Method &m)
{
    if (name == u"DAYOF" || name == u"MONTHOF" || name == u"YEAROF") {
        int year = 0;
        int month = 0;
        int day = 0;
        DecodeDate(m.GetVParam(0).AsDouble(), year, month, day);
        return name == u"DAYOF" ? day : name == u"MONTHOF" ? month : year;
    }
    // IIF and the aggregates are served by the report's own functions of those names; the
    // declarations here are for the catalogue.
    return 0;
}

// ---------------------------------------------------------------------------------------
// The module

struct Constant
{
    const char16_t *name;
    const char16_t *type;
    double value;
};

const Constant constants[] = {{u"kv01cm", u"Extended", 3.77953},
                              {u"kv1cm", u"Extended", 37.7953},
                              {u"kv01in", u"Extended", 9.6},
                              {u"kv1in", u"Extended", 96},
                              {u"kv1CharX", u"Extended", 9.6},
                              {u"kv1CharY", u"Extended", 17},
                              {u"clTransparent", u"Integer", 536870911},
                              {u"crHand", u"Integer", 150},
                              {u"crZoom", u"Integer", 151},
                              {u"crFormat", u"Integer", 152}};

struct EnumType
{
    const char16_t *type;
    const char16_t *names;
    bool isSet;
};

const EnumType enumTypes[] = {
    {u"TkavStretchMode", u"smDontStretch, smActualHeight, smMaxHeight", false},
    {u"TkavShiftMode", u"smDontShift, smAlways, smWhenOverlapped", false},
    {u"TkavDuplexMode", u"dmNone, dmVertical, dmHorizontal, dmSimplex", false},
    {u"TkavAlign", u"baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient", false},
    {u"TkavFrameStyle", u"fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble", false},
    {u"TkavFrameTypes", u"ftLeft, ftRight, ftTop, ftBottom", true},
    {u"TkavHAlign", u"haLeft, haRight, haCenter, haBlock", false},
    {u"TkavVAlign", u"vaTop, vaBottom, vaCenter", false},
    {u"TkavRestrictions", u"rfDontModify, rfDontSize, rfDontMove, rfDontDelete", true},
    {u"TkavShapeKind",
     u"skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2",
     false},
    {u"TkavZoomMode", u"zmDefault, zmWholePage, zmPageWidth, zmManyPages", false},
    {u"TkavPrintPages", u"ppAll, ppOdd, ppEven", false},
    {u"TkavDMPFontStyles",
     u"fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, "
     u"fsx12cpi, fsx15cpi",
     true},
    {u"TkavRangeBegin", u"rbFirst, rbCurrent", false},
    {u"TkavRangeEnd", u"reLast, reCurrent, reCount", false},
    {u"TkavFieldType", u"fftNumeric, fftString, fftBoolean", false},
    {u"TkavFormatKind", u"fkText, fkNumeric, fkDateTime, fkBoolean", false},
    {u"TkavFillType", u"ftBrush, ftGradient, ftGlass", false}};

// The preview buttons carry the bits PreviewOptions.Buttons stores, so a set built in a
// script turns on the buttons it names: pbTree is the outline button, and pbRefresh, a
// button this preview does not have, turns on nothing.
struct SetElement
{
    const char16_t *name;
    qint64 value;
};

const SetElement previewButtons[] = {{u"pbPrint", 1 << pbPrint},
                                     {u"pbLoad", 1 << pbLoad},
                                     {u"pbSave", 1 << pbSave},
                                     {u"pbExport", 1 << pbExport},
                                     {u"pbZoom", 1 << pbZoom},
                                     {u"pbFind", 1 << pbFind},
                                     {u"pbTree", 1 << pbOutline},
                                     {u"pbPageSetup", 1 << pbPageSetup},
                                     {u"pbRefresh", 0},
                                     {u"pbTools", 1 << pbTools},
                                     {u"pbEdit", 1 << pbEdit},
                                     {u"pbNavigator", 1 << pbNavigator},
                                     {u"pbExportQuick", 1 << pbExportQuick}};

class TkavReportRTTI : public TkyRTTIModule
{
public:
    explicit TkavReportRTTI(TkyScript &script);

private:
    void addTypes();
    void addPreviewButtons();
    void addSupportClasses();
    void addComponents();
    void addViews();
    void addBandsAndPages();
    void addOptionsAndVariables();
    void addRunClasses();
    void addFunctions();
    // Registers each class with one ancestor name.
    void addClasses(std::initializer_list<const TkavClassInfo *> classes, const QString &ancestor);
};

TkavReportRTTI::TkavReportRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    addTypes();
    addSupportClasses();
    addComponents();
    addViews();
    addBandsAndPages();
    addOptionsAndVariables();
    addRunClasses();
    addFunctions();
}

void TkavReportRTTI::addClasses(std::initializer_list<const TkavClassInfo *> classes,
                                const QString &ancestor)
{
    for (const TkavClassInfo *info : classes)
        Script().AddClass(*info, ancestor);
}

void TkavReportRTTI::addTypes()
{
    TkyScript &script = Script();
    for (const Constant &c : constants) {
        const QString type = QString::fromUtf16(c.type);
        const Variant value = type == u"Integer" ? Variant(int(c.value)) : Variant(c.value);
        script.AddConst(QString::fromUtf16(c.name), type, value);
    }
    for (const EnumType &e : enumTypes) {
        if (e.isSet)
            script.AddEnumSet(QString::fromUtf16(e.type), QString::fromUtf16(e.names));
        else
            script.AddEnum(QString::fromUtf16(e.type), QString::fromUtf16(e.names));
    }
    addPreviewButtons();
}

void TkavReportRTTI::addPreviewButtons()
{
    TkyScript &script = Script();
    const QString type = u"TkavPreviewButtons"_s;
    script.Add(type, std::make_unique<TkyVariable>(type, fvtEnum, type));
    for (const SetElement &e : previewButtons) {
        const QString name = QString::fromUtf16(e.name);
        auto item = std::make_unique<TkyVariable>(name, fvtEnum, type);
        item->SetValue(int(e.value));
        item->SetIsReadOnly(true);
        script.Add(name, std::move(item));
    }
}

void TkavReportRTTI::addSupportClasses()
{
    // TJPEGImage and TPngImage come with the graphics module.
    const QString persistent = u"TPersistent"_s;
    addClasses({&TkavHyperlink::StaticClassInfo(), &TkavCustomFill::StaticClassInfo()},
               persistent);
    addClasses({&TkavBrushFill::StaticClassInfo(),
                &TkavGradientFill::StaticClassInfo(),
                &TkavGlassFill::StaticClassInfo()},
               u"TkavCustomFill"_s);
    if (!Script().FindClass(persistent))
        return;
    if (TkyClassVariable *c
        = Script().AddClass(TkavScriptWideStrings::StaticClassInfo(), persistent)) {
        c->AddConstructor(u"constructor Create"_s, &wideStringsMethod);
        for (const char16_t *syntax :
             {u"function Add(const S: string): Integer",
              u"function AddObject(const S: string; AObject: TObject): Integer",
              u"procedure Clear",
              u"procedure Delete(Index: Integer)",
              u"function IndexOf(const S: string): Integer",
              u"procedure Insert(Index: Integer; const S: string)",
              u"procedure LoadFromFile(const FileName: string)",
              u"procedure LoadFromStream(Stream: TStream)",
              u"procedure SaveToFile(const FileName: string)",
              u"procedure SaveToStream(Stream: TStream)"})
            c->AddMethod(QString::fromUtf16(syntax), &wideStringsMethod);
        addReadOnly<TStrings>(
            *c, u"Count"_s, u"Integer"_s, [](const TStrings &list) { return list.Count(); });
        c->AddIndexProperty(u"Objects"_s, u"Integer"_s, u"TObject"_s, &wideStringsMethod);
        c->AddDefaultProperty(u"Strings"_s, u"Integer"_s, u"string"_s, &wideStringsMethod);
        addReadWrite<TStrings>(
            *c,
            u"Text"_s,
            u"string"_s,
            [](const TStrings &list) { return list.Text(); },
            [](TStrings &list, const Variant &v) { list.SetText(v.AsString()); });
    }
}

void TkavReportRTTI::addComponents()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c = script.AddClass(TkavDataSet::StaticClassInfo(), u"TComponent"_s))
        addDataSetMembers(*c);
    addClasses({&TkavUserDataSet::StaticClassInfo(), &TkavCustomDBDataSet::StaticClassInfo()},
               u"TkavDataSet"_s);
    addClasses({&TkavTableDataSet::StaticClassInfo(), &TkavSQLQuery::StaticClassInfo()},
               u"TkavCustomDBDataSet"_s);
    addClasses({&TkavCSVDataSet::StaticClassInfo(), &TkavJSONDataSet::StaticClassInfo()},
               u"TkavTableDataSet"_s);
    if (TkyClassVariable *c = script.AddClass(TkavComponent::StaticClassInfo(), u"TComponent"_s)) {
        addComponentMembers(*c);
        // Report.Page1, Page1.MasterData1.Memo1: any object below, by its unique name.
        c->SetChildLookup([](TObject &parent, QStringView name) -> TObject * {
            auto *component = dynamic_cast<TkavComponent *>(&parent);
            return component ? component->FindObject(name) : nullptr;
        });
    }
    script.AddClass(TkavReportComponent::StaticClassInfo(), u"TkavComponent"_s);
    script.AddClass(TkavDialogComponent::StaticClassInfo(), u"TkavReportComponent"_s);
    script.AddClass(TkavCustomDatabase::StaticClassInfo(), u"TkavDialogComponent"_s);
    script.AddClass(TkavSQLDatabase::StaticClassInfo(), u"TkavCustomDatabase"_s);
    if (TkyClassVariable *c
        = script.AddClass(TkavDialogControl::StaticClassInfo(), u"TkavReportComponent"_s))
        c->AddMethod(u"procedure SetFocus"_s, &dialogMethod);
    for (const TkavClassInfo *cls : kavDialogControlClasses()) {
        TkyClassVariable *c = script.AddClass(*cls, u"TkavDialogControl"_s);
        // The date as a date value (files keep it as a number of days).
        if (c && cls == &TkavDateEditControl::StaticClassInfo())
            addReadWrite<TkavDateEditControl>(
                *c,
                u"Date"_s,
                u"TDateTime"_s,
                [](const TkavDateEditControl &x) { return Variant::FromDate(x.Date()); },
                [](TkavDateEditControl &x, const Variant &v) { x.SetDate(v.AsDouble()); });
    }
    addClasses({&TkavFrameLine::StaticClassInfo(),
                &TkavFrame::StaticClassInfo(),
                &TkavHighlight::StaticClassInfo(),
                &TkavFormat::StaticClassInfo()},
               u"TPersistent"_s);
}

void TkavReportRTTI::addViews()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c
        = script.AddClass(TkavView::StaticClassInfo(), u"TkavReportComponent"_s))
        addReadWrite<TkavView>(
            *c,
            u"TagStr"_s,
            u"String"_s,
            [](const TkavView &x) { return x.TagStr(); },
            [](TkavView &x, const Variant &v) { x.SetTagStr(v.AsString()); });
    addClasses({&TkavShapeView::StaticClassInfo(),
                &TkavSubreport::StaticClassInfo(),
                &TkavDMPCommand::StaticClassInfo()},
               u"TkavView"_s);
    if (TkyClassVariable *c = script.AddClass(TkavStretcheable::StaticClassInfo(), u"TkavView"_s))
        c->AddMethod(u"function CalcHeight: Extended"_s, &viewMethod);
    if (TkyClassVariable *c
        = script.AddClass(TkavCustomMemoView::StaticClassInfo(), u"TkavStretcheable"_s))
        addMemoMembers(*c);
    addClasses({&TkavMemoView::StaticClassInfo(),
                &TkavSysMemoView::StaticClassInfo(),
                &TkavDMPMemoView::StaticClassInfo()},
               u"TkavCustomMemoView"_s);
    script.AddClass(TkavCustomLineView::StaticClassInfo(), u"TkavStretcheable"_s);
    addClasses({&TkavLineView::StaticClassInfo(), &TkavDMPLineView::StaticClassInfo()},
               u"TkavCustomLineView"_s);
    if (TkyClassVariable *c = script.AddClass(TkavPictureView::StaticClassInfo(), u"TkavView"_s))
        c->AddMethod(u"procedure LoadFromFile(filename: String)"_s, &viewMethod);
}

void TkavReportRTTI::addBandsAndPages()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c
        = script.AddClass(TkavBand::StaticClassInfo(), u"TkavReportComponent"_s))
        addReadOnly<TkavBand>(
            *c, u"Overflow"_s, u"Boolean"_s, [](const TkavBand &b) { return b.Overflow(); });
    addClasses({&TkavDataBand::StaticClassInfo(),
                &TkavHeader::StaticClassInfo(),
                &TkavFooter::StaticClassInfo(),
                &TkavPageHeader::StaticClassInfo(),
                &TkavPageFooter::StaticClassInfo(),
                &TkavColumnHeader::StaticClassInfo(),
                &TkavColumnFooter::StaticClassInfo(),
                &TkavGroupHeader::StaticClassInfo(),
                &TkavGroupFooter::StaticClassInfo(),
                &TkavReportTitle::StaticClassInfo(),
                &TkavReportSummary::StaticClassInfo(),
                &TkavChild::StaticClassInfo(),
                &TkavOverlay::StaticClassInfo()},
               u"TkavBand"_s);
    addClasses({&TkavMasterData::StaticClassInfo(),
                &TkavDetailData::StaticClassInfo(),
                &TkavSubdetailData::StaticClassInfo(),
                &TkavDataBand4::StaticClassInfo(),
                &TkavDataBand5::StaticClassInfo(),
                &TkavDataBand6::StaticClassInfo()},
               u"TkavDataBand"_s);
    script.AddClass(TkavPage::StaticClassInfo(), u"TkavComponent"_s);
    if (TkyClassVariable *c = script.AddClass(TkavDialogPage::StaticClassInfo(), u"TkavPage"_s)) {
        c->AddMethod(u"function ShowModal: Integer"_s, &dialogMethod);
        addReadWrite<TkavDialogPage>(
            *c,
            u"ModalResult"_s,
            u"Integer"_s,
            [](const TkavDialogPage &x) { return x.ModalResult(); },
            [](TkavDialogPage &x, const Variant &v) { x.SetModalResult(v.AsInteger()); });
    }
    addClasses({&TkavReportPage::StaticClassInfo(), &TkavDataPage::StaticClassInfo()},
               u"TkavPage"_s);
    script.AddClass(TkavDMPPage::StaticClassInfo(), u"TkavReportPage"_s);
}

void TkavReportRTTI::addOptionsAndVariables()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c
        = script.AddClass(TkavEngineOptions::StaticClassInfo(), u"TPersistent"_s))
        addReadWrite<TkavEngineOptions>(
            *c,
            u"DestroyForms"_s,
            u"Boolean"_s,
            [](const TkavEngineOptions &o) { return o.DestroyForms(); },
            [](TkavEngineOptions &o, const Variant &v) { o.SetDestroyForms(v.AsBoolean()); });
    addClasses({&TkavPrintOptions::StaticClassInfo(),
                &TkavPreviewOptions::StaticClassInfo(),
                &TkavReportOptions::StaticClassInfo()},
               u"TPersistent"_s);
    script.AddClass(TkavVariable::StaticClassInfo(), u"TCollectionItem"_s);
    if (TkyClassVariable *c = script.AddClass(TkavVariables::StaticClassInfo(), u"TCollection"_s)) {
        c->AddConstructor(u"constructor Create"_s, &variablesMethod<TkavVariables>);
        c->AddDefaultProperty(
            u"Variables"_s, u"String"_s, u"Variant"_s, &variablesMethod<TkavVariables>);
    }
    if (TkyClassVariable *c = script.AddClass(TkavArray::StaticClassInfo(), u"TCollection"_s)) {
        c->AddConstructor(u"constructor Create"_s, &variablesMethod<TkavArray>);
        c->AddDefaultProperty(
            u"Variables"_s, u"Variant"_s, u"Variant"_s, &variablesMethod<TkavArray>);
    }
    script.AddObject(u"kavGlobalVariables"_s, &kavGlobalVariables());
    script.AddClass(TkavStyleItem::StaticClassInfo(), u"TCollectionItem"_s);
    if (TkyClassVariable *c = script.AddClass(TkavStyles::StaticClassInfo(), u"TCollection"_s)) {
        c->AddConstructor(u"constructor Create(AReport: TkavReport)"_s, &stylesMethod);
        c->AddDefaultProperty(u"Items"_s, u"Integer"_s, u"TkavStyleItem"_s, &stylesMethod, true);
        for (const char16_t *syntax : {u"function Add: TkavStyleItem",
                                       u"function Find(const Name: String): TkavStyleItem",
                                       u"procedure Apply",
                                       u"procedure GetList(List: TStrings)",
                                       u"procedure LoadFromFile(const FileName: String)",
                                       u"procedure LoadFromStream(Stream: TStream)",
                                       u"procedure SaveToFile(const FileName: String)",
                                       u"procedure SaveToStream(Stream: TStream)"})
            c->AddMethod(QString::fromUtf16(syntax), &stylesMethod);
    }
}

void TkavReportRTTI::addRunClasses()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c = script.AddClass(TkavReport::StaticClassInfo(), u"TkavComponent"_s)) {
        using R = TkavReport;
        for (const char16_t *syntax :
             {u"function Calc(const Expr: String): Variant",
              u"function GetDataset(const Alias: String): TkavDataset",
              u"function LoadFromFile(const FileName: String): Boolean",
              u"procedure SaveToFile(const FileName: String)",
              u"procedure ShowReport"})
            c->AddMethod(QString::fromUtf16(syntax), &reportMethod);
        addReadWrite<R>(
            *c,
            u"Terminated"_s,
            u"Boolean"_s,
            [](const R &r) { return r.Terminated(); },
            [](R &r, const Variant &v) { r.SetTerminated(v.AsBoolean()); });
        addReadOnly<R>(*c, u"Variables"_s, u"TkavVariables"_s, [](const R &r) {
            return Variant::FromObject(&r.Variables());
        });
        addReadOnly<R>(*c, u"Styles"_s, u"TkavStyles"_s, [](const R &r) {
            return Variant::FromObject(&r.Styles());
        });
    }
    if (TkyClassVariable *c
        = script.AddClass(TkavCustomEngine::StaticClassInfo(), u"TPersistent"_s)) {
        for (const char16_t *syntax : {u"procedure AddAnchor(const Text: String)",
                                       u"procedure NewPage",
                                       u"procedure NewColumn",
                                       u"procedure ShowBand(Band: TkavBand)",
                                       u"procedure StopReport",
                                       u"function FreeSpace: Extended",
                                       u"function GetAnchorPage(const Text: String): Integer"})
            c->AddMethod(QString::fromUtf16(syntax), &engineMethod);
    }
    script.AddClass(TkavEngine::StaticClassInfo(), u"TkavCustomEngine"_s);
    if (TkyClassVariable *c
        = script.AddClass(TkavCustomOutline::StaticClassInfo(), u"TPersistent"_s)) {
        c->AddMethod(u"procedure AddItem(const Text: String)"_s, &outlineMethod);
        c->AddMethod(u"procedure LevelRoot"_s, &outlineMethod);
        c->AddMethod(u"procedure LevelUp"_s, &outlineMethod);
    }
    script.AddClass(TkavOutline::StaticClassInfo(), u"TkavCustomOutline"_s);
}

void TkavReportRTTI::addFunctions()
{
    TkyScript &script = Script();
    const QString date = u"ctDate"_s;
    script.AddMethod(u"function DayOf(Date: TDateTime): Integer"_s, &functionCall, date);
    script.AddMethod(u"function MonthOf(Date: TDateTime): Integer"_s, &functionCall, date);
    script.AddMethod(u"function YearOf(Date: TDateTime): Integer"_s, &functionCall, date);
    script.AddMethod(u"function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"_s,
                     &functionCall,
                     u"ctOther"_s);
    const QString aggregate = u"ctAggregate"_s;
    for (const char16_t *syntax :
         {u"function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"function AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"function MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"function MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          u"function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"})
        script.AddMethod(QString::fromUtf16(syntax), &functionCall, aggregate);
}

} // namespace

void kavRegisterReportModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleReport, [](TkyScript &script) {
            return std::make_unique<TkavReportRTTI>(script);
        });
    });
}
