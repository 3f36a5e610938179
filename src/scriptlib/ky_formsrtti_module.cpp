// The forms module as scripts see it: the controls' published properties and the
// module that registers constants, enumerations, classes, members and events.

#include "ky_formsrtti.h"

#include "ky_graphicsrtti.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <script/ky_classes.h>
#include <script/ky_classesrtti.h>
#include <script/ky_dialogsrtti.h>
#include <script/ky_script.h>

#include <QCoreApplication>

#include <algorithm>
#include <mutex>
#include <utility>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Class information: the published properties scripts see by name

namespace {

template <class T, class Base, class D>
const TkavClassInfo &classInfo(const char16_t *name, D define)
{
    static const TkavClassInfo info = kavMakeClassInfo<T, Base>(QString::fromUtf16(name), define);
    return info;
}

template <class T>
void noProps(TkavPropBuilder<T> &)
{}

} // namespace

const TkavClassInfo &TkyControl::StaticClassInfo()
{
    using C = TkyControl;
    return classInfo<C, TComponent>(u"TControl", [](TkavPropBuilder<C> &p) {
        p.Int(u"Left"_s, &C::Left, &C::SetLeft);
        p.Int(u"Top"_s, &C::Top, &C::SetTop);
        p.Int(u"Width"_s, &C::Width, &C::SetWidth);
        p.Int(u"Height"_s, &C::Height, &C::SetHeight);
        p.String(u"Caption"_s, &C::Text, &C::SetText);
        p.String(u"Text"_s, &C::Text, &C::SetText);
        p.Bool(u"Visible"_s, &C::Visible, &C::SetVisible);
        p.Bool(u"Enabled"_s, &C::Enabled, &C::SetEnabled);
        p.Int(u"Color"_s, &C::Color, &C::SetColor).TypeName(u"TColor"_s);
        p.Object(
            u"Font"_s, [](const C &c) { return const_cast<TFont *>(&c.Font()); }, &C::SetFont);
        p.String(u"Hint"_s, &C::Hint, &C::SetHint);
        p.Bool(u"ShowHint"_s, &C::ShowHint, &C::SetShowHint);
        p.Int(u"Align"_s, &C::Align, &C::SetAlign).TypeName(u"TAlign"_s).Range(alNone, alCustom);
        p.Int(u"Cursor"_s, &C::Cursor, &C::SetCursor).TypeName(u"TCursor"_s);
        p.Component(u"Parent"_s, &C::Parent, &C::SetParent);
    });
}

const TkavClassInfo &TkyWinControl::StaticClassInfo()
{
    using C = TkyWinControl;
    return classInfo<C, TkyControl>(u"TWinControl", [](TkavPropBuilder<C> &p) {
        p.Int(u"TabOrder"_s, &C::TabOrder, &C::SetTabOrder);
        p.Bool(u"TabStop"_s, &C::TabStop, &C::SetTabStop);
    });
}

const TkavClassInfo &TkyCustomControl::StaticClassInfo()
{
    return classInfo<TkyCustomControl, TkyWinControl>(u"TCustomControl", noProps<TkyCustomControl>);
}

const TkavClassInfo &TkyGroupBox::StaticClassInfo()
{
    return classInfo<TkyGroupBox, TkyCustomControl>(u"TGroupBox", noProps<TkyGroupBox>);
}

const TkavClassInfo &TkyGraphicControl::StaticClassInfo()
{
    return classInfo<TkyGraphicControl, TkyControl>(u"TGraphicControl", noProps<TkyGraphicControl>);
}

const TkavClassInfo &TkyLabel::StaticClassInfo()
{
    using C = TkyLabel;
    return classInfo<C, TkyGraphicControl>(u"TLabel", [](TkavPropBuilder<C> &p) {
        p.Int(u"Alignment"_s, &C::Alignment, &C::SetAlignment)
            .TypeName(u"TAlignment"_s)
            .Range(taLeftJustify, taCenter);
        p.Int(u"Layout"_s, &C::Layout, &C::SetLayout)
            .TypeName(u"TTextLayout"_s)
            .Range(tlTop, tlBottom);
        p.Bool(u"WordWrap"_s, &C::WordWrap, &C::SetWordWrap);
        p.Bool(u"AutoSize"_s, &C::AutoSize, &C::SetAutoSize);
    });
}

const TkavClassInfo &TkyEdit::StaticClassInfo()
{
    using C = TkyEdit;
    return classInfo<C, TkyWinControl>(u"TEdit", [](TkavPropBuilder<C> &p) {
        p.Int(u"MaxLength"_s, &C::MaxLength, &C::SetMaxLength);
        p.Bool(u"ReadOnly"_s, &C::ReadOnly, &C::SetReadOnly);
        p.WChar(u"PasswordChar"_s, &C::PasswordChar, &C::SetPasswordChar).TypeName(u"Char"_s);
        p.Int(u"CharCase"_s, &C::CharCase, &C::SetCharCase)
            .TypeName(u"TEditCharCase"_s)
            .Range(ecNormal, ecLowerCase);
    });
}

const TkavClassInfo &TkyMemo::StaticClassInfo()
{
    using C = TkyMemo;
    return classInfo<C, TkyWinControl>(u"TMemo", [](TkavPropBuilder<C> &p) {
        p.StringList(
            u"Lines"_s,
            [](const C &c) { return const_cast<TStringList *>(&c.Lines()); },
            &C::SetLines);
        p.Bool(u"WordWrap"_s, &C::WordWrap, &C::SetWordWrap);
        p.Int(u"ScrollBars"_s, &C::ScrollBars, &C::SetScrollBars)
            .TypeName(u"TScrollStyle"_s)
            .Range(ssNone, ssBoth);
        p.Bool(u"ReadOnly"_s, &C::ReadOnly, &C::SetReadOnly);
        p.Int(u"MaxLength"_s, &C::MaxLength, &C::SetMaxLength);
    });
}

const TkavClassInfo &TkyButton::StaticClassInfo()
{
    using C = TkyButton;
    return classInfo<C, TkyWinControl>(u"TButton", [](TkavPropBuilder<C> &p) {
        p.Int(u"ModalResult"_s, &C::ModalResult, &C::SetModalResult).TypeName(u"TModalResult"_s);
        p.Bool(u"Default"_s, &C::Default, &C::SetDefault);
        p.Bool(u"Cancel"_s, &C::Cancel, &C::SetCancel);
    });
}

const TkavClassInfo &TkyCheckBox::StaticClassInfo()
{
    using C = TkyCheckBox;
    return classInfo<C, TkyWinControl>(u"TCheckBox", [](TkavPropBuilder<C> &p) {
        p.Bool(u"Checked"_s, &C::Checked, &C::SetChecked);
        p.Int(u"State"_s, &C::State, &C::SetState)
            .TypeName(u"TCheckBoxState"_s)
            .Range(cbUnchecked, cbGrayed);
        p.Bool(u"AllowGrayed"_s, &C::AllowGrayed, &C::SetAllowGrayed);
        p.Int(u"Alignment"_s, &C::Alignment, &C::SetAlignment)
            .TypeName(u"TAlignment"_s)
            .Range(taLeftJustify, taCenter);
    });
}

const TkavClassInfo &TkyRadioButton::StaticClassInfo()
{
    using C = TkyRadioButton;
    return classInfo<C, TkyWinControl>(u"TRadioButton", [](TkavPropBuilder<C> &p) {
        p.Bool(u"Checked"_s, &C::Checked, &C::SetChecked);
    });
}

const TkavClassInfo &TkyCustomComboBox::StaticClassInfo()
{
    using C = TkyCustomComboBox;
    return classInfo<C, TkyWinControl>(u"TCustomComboBox", [](TkavPropBuilder<C> &p) {
        p.StringList(
            u"Items"_s,
            [](const C &c) { return const_cast<TStringList *>(&c.Items()); },
            &C::SetItems);
        p.Int(u"Style"_s, &C::Style, &C::SetStyle)
            .TypeName(u"TComboBoxStyle"_s)
            .Range(csDropDown, csOwnerDrawVariable);
    });
}

const TkavClassInfo &TkyComboBox::StaticClassInfo()
{
    return classInfo<TkyComboBox, TkyCustomComboBox>(u"TComboBox", noProps<TkyComboBox>);
}

const TkavClassInfo &TkyCustomListBox::StaticClassInfo()
{
    using C = TkyCustomListBox;
    return classInfo<C, TkyWinControl>(u"TCustomListBox", [](TkavPropBuilder<C> &p) {
        p.StringList(
            u"Items"_s,
            [](const C &c) { return const_cast<TStringList *>(&c.Items()); },
            &C::SetItems);
        p.Bool(u"MultiSelect"_s, &C::MultiSelect, &C::SetMultiSelect);
        p.Int(u"Style"_s, &C::Style, &C::SetStyle)
            .TypeName(u"TListBoxStyle"_s)
            .Range(lbStandard, lbVirtualOwnerDraw);
    });
}

const TkavClassInfo &TkyListBox::StaticClassInfo()
{
    return classInfo<TkyListBox, TkyCustomListBox>(u"TListBox", noProps<TkyListBox>);
}

const TkavClassInfo &TkyControlScrollBar::StaticClassInfo()
{
    using C = TkyControlScrollBar;
    return classInfo<C, TPersistent>(u"TControlScrollBar", [](TkavPropBuilder<C> &p) {
        p.Int(u"Position"_s, &C::Position, &C::SetPosition);
        p.Int(u"Range"_s, &C::Range, &C::SetRange);
        p.Bool(u"Visible"_s, &C::Visible, &C::SetVisible);
        p.Int(u"Increment"_s, &C::Increment, &C::SetIncrement);
    });
}

const TkavClassInfo &TkyScrollingWinControl::StaticClassInfo()
{
    using C = TkyScrollingWinControl;
    return classInfo<C, TkyWinControl>(u"TScrollingWinControl", [](TkavPropBuilder<C> &p) {
        p.Object(u"HorzScrollBar"_s, &C::HorzScrollBar);
        p.Object(u"VertScrollBar"_s, &C::VertScrollBar);
        p.Bool(u"AutoScroll"_s, &C::AutoScroll, &C::SetAutoScroll);
    });
}

const TkavClassInfo &TkyScrollBox::StaticClassInfo()
{
    return classInfo<TkyScrollBox, TkyScrollingWinControl>(u"TScrollBox", noProps<TkyScrollBox>);
}

const TkavClassInfo &TkyCustomForm::StaticClassInfo()
{
    using C = TkyCustomForm;
    return classInfo<C, TkyScrollingWinControl>(u"TCustomForm", [](TkavPropBuilder<C> &p) {
        p.Int(u"BorderStyle"_s, &C::BorderStyle, &C::SetBorderStyle)
            .TypeName(u"TFormBorderStyle"_s)
            .Range(bsNone, bsSizeToolWin);
        p.Int(u"Position"_s, &C::Position, &C::SetPosition)
            .TypeName(u"TPosition"_s)
            .Range(poDesigned, poOwnerFormCenter);
        p.Int(u"FormStyle"_s, &C::FormStyle, &C::SetFormStyle)
            .TypeName(u"TFormStyle"_s)
            .Range(fsNormal, fsStayOnTop);
        p.Int(u"WindowState"_s, &C::WindowState, &C::SetWindowState)
            .TypeName(u"TWindowState"_s)
            .Range(wsNormal, wsMaximized);
        p.Bool(u"KeyPreview"_s, &C::KeyPreview, &C::SetKeyPreview);
        p.Component(u"ActiveControl"_s, &C::ActiveControl, &C::SetActiveControl);
    });
}

const TkavClassInfo &TkyForm::StaticClassInfo()
{
    return classInfo<TkyForm, TkyCustomForm>(u"TForm", noProps<TkyForm>);
}

const TkavClassInfo &TkyDataModule::StaticClassInfo()
{
    return classInfo<TkyDataModule, TComponent>(u"TDataModule", noProps<TkyDataModule>);
}

const TkavClassInfo &TkyApplication::StaticClassInfo()
{
    using C = TkyApplication;
    return classInfo<C, TComponent>(u"TApplication", [](TkavPropBuilder<C> &p) {
        p.String(u"Title"_s, &C::Title, &C::SetTitle);
    });
}

// ---------------------------------------------------------------------------------------
// The module

namespace {

using Method = TkyMethodHelper;

struct Constant
{
    const char16_t *name;
    int value;
};

const Constant cursors[]
    = {{u"crDefault", 0},     {u"crNone", -1},       {u"crArrow", -2},    {u"crCross", -3},
       {u"crIBeam", -4},      {u"crSize", -22},      {u"crSizeNESW", -6}, {u"crSizeNS", -7},
       {u"crSizeNWSE", -8},   {u"crSizeWE", -9},     {u"crUpArrow", -10}, {u"crHourGlass", -11},
       {u"crDrag", -12},      {u"crNoDrop", -13},    {u"crHSplit", -14},  {u"crVSplit", -15},
       {u"crMultiDrag", -16}, {u"crSQLWait", -17},   {u"crNo", -18},      {u"crAppStart", -19},
       {u"crHelp", -20},      {u"crHandPoint", -21}, {u"crSizeAll", -22}};

const Constant virtualKeys[]
    = {{u"VK_LBUTTON", 1},   {u"VK_RBUTTON", 2},     {u"VK_CANCEL", 3},     {u"VK_MBUTTON", 4},
       {u"VK_BACK", 8},      {u"VK_TAB", 9},         {u"VK_CLEAR", 12},     {u"VK_RETURN", 13},
       {u"VK_SHIFT", 16},    {u"VK_CONTROL", 17},    {u"VK_MENU", 18},      {u"VK_PAUSE", 19},
       {u"VK_CAPITAL", 20},  {u"VK_ESCAPE", 27},     {u"VK_SPACE", 32},     {u"VK_PRIOR", 33},
       {u"VK_NEXT", 34},     {u"VK_END", 35},        {u"VK_HOME", 36},      {u"VK_LEFT", 37},
       {u"VK_UP", 38},       {u"VK_RIGHT", 39},      {u"VK_DOWN", 40},      {u"VK_SELECT", 41},
       {u"VK_PRINT", 42},    {u"VK_EXECUTE", 43},    {u"VK_SNAPSHOT", 44},  {u"VK_INSERT", 45},
       {u"VK_DELETE", 46},   {u"VK_HELP", 47},       {u"VK_LWIN", 91},      {u"VK_RWIN", 92},
       {u"VK_APPS", 93},     {u"VK_NUMPAD0", 96},    {u"VK_NUMPAD1", 97},   {u"VK_NUMPAD2", 98},
       {u"VK_NUMPAD3", 99},  {u"VK_NUMPAD4", 100},   {u"VK_NUMPAD5", 101},  {u"VK_NUMPAD6", 102},
       {u"VK_NUMPAD7", 103}, {u"VK_NUMPAD8", 104},   {u"VK_NUMPAD9", 105},  {u"VK_MULTIPLY", 106},
       {u"VK_ADD", 107},     {u"VK_SEPARATOR", 108}, {u"VK_SUBTRACT", 109}, {u"VK_DECIMAL", 110},
       {u"VK_DIVIDE", 111},  {u"VK_F1", 112},        {u"VK_F2", 113},       {u"VK_F3", 114},
       {u"VK_F4", 115},      {u"VK_F5", 116},        {u"VK_F6", 117},       {u"VK_F7", 118},
       {u"VK_F8", 119},      {u"VK_F9", 120},        {u"VK_F10", 121},      {u"VK_F11", 122},
       {u"VK_F12", 123},     {u"VK_F13", 124},       {u"VK_F14", 125},      {u"VK_F15", 126},
       {u"VK_F16", 127},     {u"VK_F17", 128},       {u"VK_F18", 129},      {u"VK_F19", 130},
       {u"VK_F20", 131},     {u"VK_F21", 132},       {u"VK_F22", 133},      {u"VK_F23", 134},
       {u"VK_F24", 135},     {u"VK_NUMLOCK", 144},   {u"VK_SCROLL", 145}};

// Enumerations (values 0, 1, 2 ...) and sets (bits 1, 2, 4 ...), in the platform's order.
struct EnumType
{
    const char16_t *type;
    const char16_t *names;
    bool isSet;
};

const EnumType enumTypes[]
    = {{u"TFormBorderStyle",
        u"bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin",
        false},
       {u"TAlignment", u"taLeftJustify, taRightJustify, taCenter", false},
       {u"TShiftState", u"ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble", true},
       {u"TAlign", u"alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom", false},
       {u"TMouseButton", u"mbLeft, mbRight, mbMiddle", false},
       {u"TAnchors", u"akLeft, akTop, akRight, akBottom", true},
       {u"TBevelCut", u"bvNone, bvLowered, bvRaised, bvSpace", false},
       {u"TTextLayout", u"tlTop, tlCenter, tlBottom", false},
       {u"TEditCharCase", u"ecNormal, ecUpperCase, ecLowerCase", false},
       {u"TScrollStyle", u"ssNone, ssHorizontal, ssVertical, ssBoth", false},
       {u"TComboBoxStyle",
        u"csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable",
        false},
       {u"TCheckBoxState", u"cbUnchecked, cbChecked, cbGrayed", false},
       {u"TListBoxStyle",
        u"lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw",
        false},
       {u"TWindowState", u"wsNormal, wsMinimized, wsMaximized", false},
       {u"TFormStyle", u"fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop", false},
       {u"TBorderIcons", u"biSystemMenu, biMinimize, biMaximize, biHelp", true},
       {u"TPosition",
        u"poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
        u"poDesktopCenter, poMainFormCenter, poOwnerFormCenter",
        false},
       {u"TCloseAction", u"caNone, caHide, caFree, caMinimize", false}};

template <class B, class T, class F>
void addEvent(TkyClassVariable &cls, const QString &name, F T::*field)
{
    cls.AddEvent(name, kyEventFactory<B>(), kyEventSetter<B>(field));
}

class TkyFormsRTTI : public TkyRTTIModule
{
public:
    explicit TkyFormsRTTI(TkyScript &script);

private:
    void addConstants();
    void addControls();
    void addLists();
    void addForms();

    // Free of a form: OnDestroy, then the object dies as every component does.
    void freeForm(TObject *obj, Method &m);
    // Handlers shared by the classes' members.
    Variant controlMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m);
    Variant formMethod(TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m);
    TkyApplication FApplication;
};

TkyFormsRTTI::TkyFormsRTTI(TkyScript &script)
    : TkyRTTIModule(script)
{
    addConstants();
    addControls();
    addLists();
    addForms();
    FApplication.SetTitle(QCoreApplication::applicationName());
    script.AddObject(u"Application"_s, &FApplication);
}

void TkyFormsRTTI::addConstants()
{
    TkyScript &script = Script();
    script.AddType(u"TCursor"_s, fvtInt);
    script.AddType(u"TModalResult"_s, fvtInt);
    kyAddModalResults(script);
    for (const Constant &c : cursors)
        script.AddConst(QString::fromUtf16(c.name), u"Integer"_s, c.value);
    for (const Constant &c : virtualKeys)
        script.AddConst(QString::fromUtf16(c.name), u"Integer"_s, c.value);
    for (const EnumType &e : enumTypes) {
        if (e.isSet)
            script.AddEnumSet(QString::fromUtf16(e.type), QString::fromUtf16(e.names));
        else
            script.AddEnum(QString::fromUtf16(e.type), QString::fromUtf16(e.names));
    }
}

void TkyFormsRTTI::freeForm(TObject *obj, Method &m)
{
    if (!obj)
        return;
    auto &form = kyObjectAs<TkyCustomForm>(obj);
    const quint64 handle = form.Handle();
    form.DoDestroy();
    if (!TObject::FromHandle(handle))
        return; // the handler freed it already
    kyFreeObject(&form, m);
}

Variant
TkyFormsRTTI::controlMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    auto &control = kyObjectAs<TkyControl>(obj);
    if (name == u"SHOW")
        control.Show();
    else if (name == u"HIDE")
        control.Hide();
    else if (name == u"SETBOUNDS")
        control.SetBounds(m.GetVParam(0).AsInteger(),
                          m.GetVParam(1).AsInteger(),
                          m.GetVParam(2).AsInteger(),
                          m.GetVParam(3).AsInteger());
    else if (name == u"SETFOCUS")
        kyObjectAs<TkyWinControl>(obj).SetFocus();
    else if (name == u"FOCUSED")
        return kyObjectAs<TkyWinControl>(obj).Focused();
    return Variant();
}

Variant
TkyFormsRTTI::formMethod(TObject *obj, const TkavClassInfo *, const QString &name, Method &m)
{
    if (name == u"FREE") {
        freeForm(obj, m);
        return Variant();
    }
    auto &form = kyObjectAs<TkyCustomForm>(obj);
    if (name == u"SHOWMODAL")
        return form.ShowModal();
    if (name == u"CLOSE")
        form.Close();
    else if (name == u"SHOW")
        form.Show();
    else if (name == u"HIDE")
        form.Hide();
    return Variant();
}

void TkyFormsRTTI::addControls()
{
    TkyScript &script = Script();
    const TkyCallMethodNewEvent control
        = [this](TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m) {
              return controlMethod(obj, cls, name, m);
          };
    if (TkyClassVariable *c = script.AddClass(TkyControl::StaticClassInfo(), u"TComponent"_s)) {
        using C = TkyControl;
        c->AddMethod(u"procedure Hide"_s, control);
        c->AddMethod(u"procedure Show"_s, control);
        c->AddMethod(u"procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)"_s, control);
        addEvent<TkyCanResizeEvent>(*c, u"OnCanResize"_s, &C::OnCanResize);
        addEvent<TkyNotifyEvent>(*c, u"OnClick"_s, &C::OnClick);
        addEvent<TkyNotifyEvent>(*c, u"OnDblClick"_s, &C::OnDblClick);
        addEvent<TkyMouseEvent>(*c, u"OnMouseDown"_s, &C::OnMouseDown);
        addEvent<TkyMouseEvent>(*c, u"OnMouseUp"_s, &C::OnMouseUp);
        addEvent<TkyMouseMoveEvent>(*c, u"OnMouseMove"_s, &C::OnMouseMove);
        addEvent<TkyNotifyEvent>(*c, u"OnResize"_s, &C::OnResize);
    }
    if (TkyClassVariable *c = script.AddClass(TkyWinControl::StaticClassInfo(), u"TControl"_s)) {
        using C = TkyWinControl;
        c->AddMethod(u"procedure SetFocus"_s, control);
        c->AddMethod(u"function Focused: Boolean"_s, control);
        c->AddProperty(u"ControlCount"_s,
                       u"Integer"_s,
                       [](TObject *obj, const TkavClassInfo *, const QString &) {
                           return Variant(kyObjectAs<C>(obj).ControlCount());
                       });
        c->AddIndexProperty(
            u"Controls"_s,
            u"Integer"_s,
            u"TControl"_s,
            TkyCallMethodNewEvent(
                [](TObject *obj, const TkavClassInfo *, const QString &, Method &m) {
                    return Variant::FromObject(
                        kyObjectAs<C>(obj).Controls(m.GetVParam(0).AsInteger()));
                }),
            true);
        addEvent<TkyNotifyEvent>(*c, u"OnEnter"_s, &C::OnEnter);
        addEvent<TkyNotifyEvent>(*c, u"OnExit"_s, &C::OnExit);
        addEvent<TkyKeyEvent>(*c, u"OnKeyDown"_s, &C::OnKeyDown);
        addEvent<TkyKeyEvent>(*c, u"OnKeyUp"_s, &C::OnKeyUp);
        addEvent<TkyKeyPressEvent>(*c, u"OnKeyPress"_s, &C::OnKeyPress);
    }
    const QString win = u"TWinControl"_s;
    script.AddClass(TkyCustomControl::StaticClassInfo(), win);
    script.AddClass(TkyGroupBox::StaticClassInfo(), win);
    // Edits and memos tell their text changes too (a handler users expect on them).
    if (TkyClassVariable *c = script.AddClass(TkyEdit::StaticClassInfo(), win))
        addEvent<TkyNotifyEvent>(*c, u"OnChange"_s, &TkyEdit::OnChange);
    if (TkyClassVariable *c = script.AddClass(TkyMemo::StaticClassInfo(), win))
        addEvent<TkyNotifyEvent>(*c, u"OnChange"_s, &TkyMemo::OnChange);
    script.AddClass(TkyButton::StaticClassInfo(), win);
    script.AddClass(TkyCheckBox::StaticClassInfo(), win);
    script.AddClass(TkyRadioButton::StaticClassInfo(), win);
    script.AddClass(TkyGraphicControl::StaticClassInfo(), u"TControl"_s);
    script.AddClass(TkyLabel::StaticClassInfo(), u"TControl"_s);
}

void TkyFormsRTTI::addLists()
{
    TkyScript &script = Script();
    if (TkyClassVariable *c
        = script.AddClass(TkyCustomComboBox::StaticClassInfo(), u"TWinControl"_s)) {
        using C = TkyCustomComboBox;
        c->AddProperty(
            u"DroppedDown"_s,
            u"Boolean"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).DroppedDown());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<C>(obj).SetDroppedDown(v.AsBoolean());
            });
        c->AddProperty(
            u"ItemIndex"_s,
            u"Integer"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).ItemIndex());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<C>(obj).SetItemIndex(v.AsInteger());
            });
        addEvent<TkyNotifyEvent>(*c, u"OnChange"_s, &C::OnChange);
        addEvent<TkyNotifyEvent>(*c, u"OnDropDown"_s, &C::OnDropDown);
        addEvent<TkyNotifyEvent>(*c, u"OnCloseUp"_s, &C::OnCloseUp);
    }
    script.AddClass(TkyComboBox::StaticClassInfo(), u"TCustomComboBox"_s);
    if (TkyClassVariable *c
        = script.AddClass(TkyCustomListBox::StaticClassInfo(), u"TWinControl"_s)) {
        using C = TkyCustomListBox;
        c->AddProperty(
            u"ItemIndex"_s,
            u"Integer"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).ItemIndex());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<C>(obj).SetItemIndex(v.AsInteger());
            });
        c->AddProperty(
            u"SelCount"_s, u"Integer"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).SelCount());
            });
        c->AddIndexProperty(
            u"Selected"_s,
            u"Integer"_s,
            u"Boolean"_s,
            TkyCallMethodNewEvent(
                [](TObject *obj, const TkavClassInfo *, const QString &name, Method &m) -> Variant {
                    auto &list = kyObjectAs<C>(obj);
                    const int index = m.GetVParam(0).AsInteger();
                    if (name == u"SELECTED.SET") {
                        list.SetSelected(index, m.GetVParam(1).AsBoolean());
                        return Variant();
                    }
                    return list.Selected(index);
                }));
    }
    script.AddClass(TkyListBox::StaticClassInfo(), u"TCustomListBox"_s);
    script.AddClass(TkyControlScrollBar::StaticClassInfo(), u"TPersistent"_s);
    script.AddClass(TkyScrollingWinControl::StaticClassInfo(), u"TWinControl"_s);
    script.AddClass(TkyScrollBox::StaticClassInfo(), u"TScrollingWinControl"_s);
}

void TkyFormsRTTI::addForms()
{
    TkyScript &script = Script();
    const TkyCallMethodNewEvent form
        = [this](TObject *obj, const TkavClassInfo *cls, const QString &name, Method &m) {
              return formMethod(obj, cls, name, m);
          };
    if (TkyClassVariable *c
        = script.AddClass(TkyCustomForm::StaticClassInfo(), u"TScrollingWinControl"_s)) {
        using C = TkyCustomForm;
        c->AddMethod(u"procedure Free"_s, form);
        c->AddMethod(u"procedure Close"_s, form);
        c->AddMethod(u"procedure Hide"_s, form);
        c->AddMethod(u"procedure Show"_s, form);
        c->AddMethod(u"function ShowModal: Integer"_s, form);
        c->AddProperty(
            u"Canvas"_s, u"TCanvas"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant::FromObject(kyObjectAs<C>(obj).Canvas());
            });
        c->AddProperty(
            u"ModalResult"_s,
            u"Integer"_s,
            [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).ModalResult());
            },
            [](TObject *obj, const TkavClassInfo *, const QString &, const Variant &v) {
                kyObjectAs<C>(obj).SetModalResult(v.AsInteger());
            });
        addEvent<TkyNotifyEvent>(*c, u"OnActivate"_s, &C::OnActivate);
        addEvent<TkyCloseEvent>(*c, u"OnClose"_s, &C::OnClose);
        addEvent<TkyCloseQueryEvent>(*c, u"OnCloseQuery"_s, &C::OnCloseQuery);
        addEvent<TkyNotifyEvent>(*c, u"OnCreate"_s, &C::OnCreate);
        addEvent<TkyNotifyEvent>(*c, u"OnDestroy"_s, &C::OnDestroy);
        addEvent<TkyNotifyEvent>(*c, u"OnDeactivate"_s, &C::OnDeactivate);
        addEvent<TkyNotifyEvent>(*c, u"OnHide"_s, &C::OnHide);
        addEvent<TkyNotifyEvent>(*c, u"OnPaint"_s, &C::OnPaint);
        addEvent<TkyNotifyEvent>(*c, u"OnShow"_s, &C::OnShow);
    }
    script.AddClass(TkyForm::StaticClassInfo(), u"TCustomForm"_s);
    script.AddClass(TkyDataModule::StaticClassInfo(), u"TComponent"_s);
    if (TkyClassVariable *c = script.AddClass(TkyApplication::StaticClassInfo(), u"TComponent"_s)) {
        using C = TkyApplication;
        const TkyCallMethodNewEvent app
            = [](TObject *obj, const TkavClassInfo *, const QString &name, Method &) -> Variant {
            auto &application = kyObjectAs<C>(obj);
            if (name == u"MINIMIZE")
                application.Minimize();
            else if (name == u"RESTORE")
                application.Restore();
            else if (name == u"PROCESSMESSAGES")
                application.ProcessMessages();
            return Variant();
        };
        c->AddMethod(u"procedure Minimize"_s, app);
        c->AddMethod(u"procedure ProcessMessages"_s, app);
        c->AddMethod(u"procedure Restore"_s, app);
        c->AddProperty(
            u"ExeName"_s, u"String"_s, [](TObject *obj, const TkavClassInfo *, const QString &) {
                return Variant(kyObjectAs<C>(obj).ExeName());
            });
    }
}

} // namespace

void kyRegisterFormsModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        kyRegisterRTTIModule(kyModuleForms, [](TkyScript &script) {
            return std::make_unique<TkyFormsRTTI>(script);
        });
    });
}
