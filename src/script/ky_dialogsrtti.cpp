#include "ky_dialogsrtti.h"

#include "ky_classes.h"
#include "ky_script.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFont.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// ORDER: the bit of each option is its position in the names registered below.
enum TOpenOption : int {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofAllowMultiSelect = 6,
    ofEnableSizing = 19
};
const char16_t openOptionNames[]
    = u"ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, "
      u"ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, "
      u"ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, "
      u"ofNoLongNames, "
      u"ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, "
      u"ofDontAddToRecent, ofForceShowHidden";
enum TFontDialogOption : int {
    fdEffects = 2
};

constexpr qint64 bit(int ordinal)
{
    return qint64(1) << ordinal;
}

// Base of the script's dialogs: Execute shows the dialog through the UI services and
// returns True when the user accepted it.
class TkyCommonDialog : public TComponent
{
public:
    KAV_CLASSINFO
    virtual bool Execute() = 0;
};

class TkyOpenDialog : public TkyCommonDialog
{
public:
    KAV_CLASSINFO

    bool Execute() override
    {
        TkavFileDialogOptions options;
        options.Title = Title;
        options.Filter = Filter;
        options.FilterIndex = FilterIndex;
        options.InitialDir = InitialDir;
        options.FileName = FileName;
        options.DefaultExt = DefaultExt;
        options.MultiSelect = (Options & bit(ofAllowMultiSelect)) != 0;
        options.OverwritePrompt = (Options & bit(ofOverwritePrompt)) != 0;
        QStringList names;
        if (!show(options, names) || names.isEmpty())
            return false;
        FileName = names.first();
        Files.Clear();
        for (const QString &name : std::as_const(names))
            Files.Add(name);
        return true;
    }

    QString FileName, Filter, InitialDir, Title, DefaultExt;
    int FilterIndex = 1;
    qint64 Options = bit(ofHideReadOnly) | bit(ofEnableSizing);
    TStringList Files; // every chosen name (several with ofAllowMultiSelect)

protected:
    virtual bool show(const TkavFileDialogOptions &options, QStringList &names)
    {
        return kavUIServices().OpenFileDialog(options, names);
    }
};

class TkySaveDialog : public TkyOpenDialog
{
public:
    KAV_CLASSINFO

protected:
    bool show(const TkavFileDialogOptions &options, QStringList &names) override
    {
        QString name = options.FileName;
        if (!kavUIServices().SaveFileDialog(options, name))
            return false;
        names = QStringList{name};
        return true;
    }
};

class TkyColorDialog : public TkyCommonDialog
{
public:
    KAV_CLASSINFO
    bool Execute() override { return kavUIServices().ColorDialog(Color); }

    TColor Color = clBlack;
    qint64 Options = 0;
};

class TkyFontDialog : public TkyCommonDialog
{
public:
    KAV_CLASSINFO

    bool Execute() override
    {
        TkavFontChoice choice;
        choice.Name = Font.Name();
        choice.Size = Font.Size();
        choice.Style = Font.Style();
        choice.Color = Font.Color();
        if (!kavUIServices().FontDialog(choice))
            return false;
        Font.SetName(choice.Name);
        Font.SetSize(qRound(choice.Size));
        Font.SetStyle(choice.Style);
        Font.SetColor(choice.Color);
        return true;
    }

    TFont Font;
    qint64 Options = bit(fdEffects);
    int Device = 0; // fdScreen
    int MinFontSize = 0, MaxFontSize = 0;
};

// The UI services have no printer dialogs: these are always "cancelled", which is what a
// headless run needs; the properties keep what scripts set.
class TkyPrintDialog : public TkyCommonDialog
{
public:
    KAV_CLASSINFO
    bool Execute() override { return false; }

    int Copies = 0, FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
    int PrintRange = 0; // prAllPages
    bool Collate = false, PrintToFile = false;
    qint64 Options = 0;
};

class TkyPrinterSetupDialog : public TkyCommonDialog
{
public:
    KAV_CLASSINFO
    bool Execute() override { return false; }
};

template <class T, class Base>
const TkavClassInfo &dialogInfo(const char16_t *name)
{
    static const TkavClassInfo info
        = kavMakeClassInfo<T, Base>(QString::fromUtf16(name), [](TkavPropBuilder<T> &) {});
    return info;
}

} // namespace

const TkavClassInfo &TkyCommonDialog::StaticClassInfo()
{
    return dialogInfo<TkyCommonDialog, TComponent>(u"TCommonDialog");
}
const TkavClassInfo &TkyOpenDialog::StaticClassInfo()
{
    return dialogInfo<TkyOpenDialog, TkyCommonDialog>(u"TOpenDialog");
}
const TkavClassInfo &TkySaveDialog::StaticClassInfo()
{
    return dialogInfo<TkySaveDialog, TkyOpenDialog>(u"TSaveDialog");
}
const TkavClassInfo &TkyColorDialog::StaticClassInfo()
{
    return dialogInfo<TkyColorDialog, TkyCommonDialog>(u"TColorDialog");
}
const TkavClassInfo &TkyFontDialog::StaticClassInfo()
{
    return dialogInfo<TkyFontDialog, TkyCommonDialog>(u"TFontDialog");
}
const TkavClassInfo &TkyPrintDialog::StaticClassInfo()
{
    return dialogInfo<TkyPrintDialog, TkyCommonDialog>(u"TPrintDialog");
}
const TkavClassInfo &TkyPrinterSetupDialog::StaticClassInfo()
{
    return dialogInfo<TkyPrinterSetupDialog, TkyCommonDialog>(u"TPrinterSetupDialog");
}

namespace {

// Sets come from scripts as arrays of their elements' bit values ([mbYes, mbNo]) or as a
// bit mask, and go back as arrays, so that "in" and set literals work on them.
qint64 setMask(const Variant &v)
{
    if (!v.IsArray())
        return v.IsNull() || v.IsEmpty() ? 0 : v.AsInt64();
    qint64 mask = 0;
    for (qint64 i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i)
        mask |= v.ArrayElement(i).AsInt64();
    return mask;
}

Variant setValue(qint64 mask)
{
    QList<Variant> items;
    for (int ordinal = 0; ordinal < 63; ++ordinal)
        if (mask & bit(ordinal))
            items << (ordinal < 31 ? Variant(int(bit(ordinal))) : Variant(bit(ordinal)));
    return VarArrayOf(items);
}

template <class V>
V fromVariant(const Variant &v)
{
    if constexpr (std::is_same_v<V, QString>)
        return VarToStr(v);
    else if constexpr (std::is_same_v<V, bool>)
        return v.AsBoolean();
    else if constexpr (std::is_same_v<V, qint64>) // the option sets
        return setMask(v);
    else
        return v.AsInteger();
}

// A read-write property over a field of dialog class D.
template <class D, class V>
void addField(TkyClassVariable &cls, const QString &name, const QString &typ, V D::*field)
{
    cls.AddProperty(
        name,
        typ,
        [field](TObject *obj, const TkavClassInfo *, const QString &) {
            if constexpr (std::is_same_v<V, qint64>)
                return setValue(kyObjectAs<D>(obj).*field);
            else
                return Variant(kyObjectAs<D>(obj).*field);
        },
        [field](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
            kyObjectAs<D>(obj).*field = fromVariant<V>(v);
        });
}

Variant callDialog(TObject *obj, const TkavClassInfo *, const QString &name, TkyMethodHelper &)
{
    if (name == u"EXECUTE")
        return kyObjectAs<TkyCommonDialog>(obj).Execute();
    return Variant::Null();
}

Variant callFunction(TObject *, const TkavClassInfo *, const QString &name, TkyMethodHelper &m)
{
    TkavUIServices &ui = kavUIServices();
    if (name == u"MESSAGEDLG") {
        // Unknown kinds show as custom boxes; bits beyond the known buttons are ignored.
        const int type = m.GetVParam(1).AsInteger();
        const auto dlgType = type >= mtWarning && type <= mtCustom ? TMsgDlgType(type) : mtCustom;
        const auto buttons
            = TMsgDlgButtons::FromMask(quint32(setMask(m.GetVParam(2)) & (bit(mbHelp + 1) - 1)));
        return ui.MessageDlg(VarToStr(m.GetVParam(0)), dlgType, buttons);
    }
    if (name == u"INPUTBOX")
        return ui.InputBox(
            VarToStr(m.GetVParam(0)), VarToStr(m.GetVParam(1)), VarToStr(m.GetVParam(2)));
    if (name == u"INPUTQUERY") {
        QString value = VarToStr(m.GetVParam(2));
        const bool accepted
            = ui.InputQuery(VarToStr(m.GetVParam(0)), VarToStr(m.GetVParam(1)), value);
        if (accepted)
            m.SetVParam(2, value);
        return accepted;
    }
    return Variant::Null();
}

void addFileDialogMembers(TkyClassVariable &cls)
{
    using D = TkyOpenDialog;
    addField(cls, u"FileName"_s, u"String"_s, &D::FileName);
    addField(cls, u"Filter"_s, u"String"_s, &D::Filter);
    addField(cls, u"FilterIndex"_s, u"Integer"_s, &D::FilterIndex);
    addField(cls, u"InitialDir"_s, u"String"_s, &D::InitialDir);
    addField(cls, u"Title"_s, u"String"_s, &D::Title);
    addField(cls, u"DefaultExt"_s, u"String"_s, &D::DefaultExt);
    addField(cls, u"Options"_s, u"TOpenOptions"_s, &D::Options);
    cls.AddProperty(
        u"Files"_s, u"TStrings"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
            return Variant::FromObject(&kyObjectAs<D>(obj).Files);
        });
}

class TkyDialogsRTTI : public TkyRTTIModule
{
public:
    explicit TkyDialogsRTTI(TkyScript &script);

private:
    void addTypes();
    void addClasses();
};

TkyDialogsRTTI::TkyDialogsRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    addTypes();
    addClasses();
    const QString other = u"ctOther"_s;
    for (const char16_t *syntax :
         {u"function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; "
          u"HelpCtx: Longint): Integer",
          u"function InputBox(ACaption, APrompt, ADefault: string): string",
          u"function InputQuery(ACaption, APrompt: string; var Value: string): Boolean"})
        script.AddMethod(QString::fromUtf16(syntax), &callFunction, other);
}

void TkyDialogsRTTI::addTypes()
{
    TkyScript &script = Script();
    script.AddEnumSet(u"TOpenOptions"_s, QString::fromUtf16(openOptionNames));
    script.AddEnumSet(u"TColorDialogOptions"_s,
                      u"cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor"_s);
    script.AddEnumSet(
        u"TFontDialogOptions"_s,
        u"fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, "
        u"fdNoFaceSel, fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, "
        u"fdNoVectorFonts, fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton"_s);
    script.AddEnumSet(
        u"TPrintDialogOptions"_s,
        u"poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile"_s);
    script.AddEnumSet(u"TMsgDlgButtons"_s,
                      u"mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, "
                      u"mbYesToAll, mbHelp"_s);
    script.AddEnum(u"TFileEditStyle"_s, u"fsEdit, fsComboBox"_s);
    script.AddEnum(u"TFontDialogDevice"_s, u"fdScreen, fdPrinter, fdBoth"_s);
    script.AddEnum(u"TPrintRange"_s, u"prAllPages, prSelection, prPageNums"_s);
    script.AddEnum(u"TMsgDlgType"_s,
                   u"mtWarning, mtError, mtInformation, mtConfirmation, mtCustom"_s);
    kyAddModalResults(script);
}

void TkyDialogsRTTI::addClasses()
{
    TkyScript &script = Script();
    // Dialogs are created through TComponent's constructor (an owner takes them over).
    if (TkyClassVariable *common
        = script.AddClass(TkyCommonDialog::StaticClassInfo(), u"TComponent"_s))
        common->AddMethod(u"function Execute: Boolean"_s, &callDialog);
    // The save dialog has the open dialog's members (its native ancestor) under its own
    // descriptor, as both descend from TCommonDialog for scripts.
    for (const TkavClassInfo *info :
         {&TkyOpenDialog::StaticClassInfo(), &TkySaveDialog::StaticClassInfo()})
        if (TkyClassVariable *file = script.AddClass(*info, u"TCommonDialog"_s))
            addFileDialogMembers(*file);
    if (TkyClassVariable *color
        = script.AddClass(TkyColorDialog::StaticClassInfo(), u"TCommonDialog"_s)) {
        addField(*color, u"Color"_s, u"TColor"_s, &TkyColorDialog::Color);
        addField(*color, u"Options"_s, u"TColorDialogOptions"_s, &TkyColorDialog::Options);
    }
    if (TkyClassVariable *font
        = script.AddClass(TkyFontDialog::StaticClassInfo(), u"TCommonDialog"_s)) {
        using D = TkyFontDialog;
        font->AddProperty(
            u"Font"_s, u"TFont"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant::FromObject(&kyObjectAs<D>(obj).Font);
            });
        addField(*font, u"Options"_s, u"TFontDialogOptions"_s, &D::Options);
        addField(*font, u"Device"_s, u"TFontDialogDevice"_s, &D::Device);
        addField(*font, u"MinFontSize"_s, u"Integer"_s, &D::MinFontSize);
        addField(*font, u"MaxFontSize"_s, u"Integer"_s, &D::MaxFontSize);
    }
    if (TkyClassVariable *print
        = script.AddClass(TkyPrintDialog::StaticClassInfo(), u"TCommonDialog"_s)) {
        using D = TkyPrintDialog;
        addField(*print, u"Copies"_s, u"Integer"_s, &D::Copies);
        addField(*print, u"Collate"_s, u"Boolean"_s, &D::Collate);
        addField(*print, u"FromPage"_s, u"Integer"_s, &D::FromPage);
        addField(*print, u"ToPage"_s, u"Integer"_s, &D::ToPage);
        addField(*print, u"MinPage"_s, u"Integer"_s, &D::MinPage);
        addField(*print, u"MaxPage"_s, u"Integer"_s, &D::MaxPage);
        addField(*print, u"PrintRange"_s, u"TPrintRange"_s, &D::PrintRange);
        addField(*print, u"PrintToFile"_s, u"Boolean"_s, &D::PrintToFile);
        addField(*print, u"Options"_s, u"TPrintDialogOptions"_s, &D::Options);
    }
    script.AddClass(TkyPrinterSetupDialog::StaticClassInfo(), u"TCommonDialog"_s);
}

} // namespace

void kyRegisterDialogsModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleDialogs,
            [](TkyScript &script) { return std::make_unique<TkyDialogsRTTI>(script); });
    });
}

void kyAddModalResults(TkyScript &script)
{
    const std::pair<const char16_t *, int> results[] = {{u"mrNone", mrNone},
                                                        {u"mrOk", mrOk},
                                                        {u"mrCancel", mrCancel},
                                                        {u"mrAbort", mrAbort},
                                                        {u"mrRetry", mrRetry},
                                                        {u"mrIgnore", mrIgnore},
                                                        {u"mrYes", mrYes},
                                                        {u"mrNo", mrNo},
                                                        {u"mrAll", mrAll},
                                                        {u"mrNoToAll", mrNoToAll},
                                                        {u"mrYesToAll", mrYesToAll}};
    for (const auto &[name, value] : results)
        if (!script.Find(QStringView(name)))
            script.AddConst(QString::fromUtf16(name), u"Integer"_s, value);
}
