#include "kavDialogs.h"

#include "kavDialogControls.h"
#include "kavDialogs_p.h"
#include "kavReport.h"
#include "kavReportOptions.h"

#include <rtl/kavMath.h>
#include <rtl/kavRTTI.h>

#include <QPainter>

#include <mutex>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Enumerations

const TkavEnumInfo &kavEnumTypeInfo(TFormBorderStyle)
{
    static const TkavEnumInfo info(u"TFormBorderStyle"_s,
                                   {u"bsNone"_s,
                                    u"bsSingle"_s,
                                    u"bsSizeable"_s,
                                    u"bsDialog"_s,
                                    u"bsToolWindow"_s,
                                    u"bsSizeToolWin"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TPosition)
{
    static const TkavEnumInfo info(u"TPosition"_s,
                                   {u"poDesigned"_s,
                                    u"poDefault"_s,
                                    u"poDefaultPosOnly"_s,
                                    u"poDefaultSizeOnly"_s,
                                    u"poScreenCenter"_s,
                                    u"poDesktopCenter"_s,
                                    u"poMainFormCenter"_s,
                                    u"poOwnerFormCenter"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TWindowState)
{
    static const TkavEnumInfo info(u"TWindowState"_s,
                                   {u"wsNormal"_s, u"wsMinimized"_s, u"wsMaximized"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TAlignment)
{
    static const TkavEnumInfo info(u"TAlignment"_s,
                                   {u"taLeftJustify"_s, u"taRightJustify"_s, u"taCenter"_s});
    return info;
}

const TkavEnumInfo &kavEnumTypeInfo(TComboBoxStyle)
{
    static const TkavEnumInfo info(u"TComboBoxStyle"_s,
                                   {u"csDropDown"_s,
                                    u"csSimple"_s,
                                    u"csDropDownList"_s,
                                    u"csOwnerDrawFixed"_s,
                                    u"csOwnerDrawVariable"_s});
    return info;
}

namespace {

int whole(double value)
{
    return int(kavRound(value));
}

bool headlessPresenter()
{
    return dynamic_cast<TkyHeadlessFormPresenter *>(&kyFormPresenter()) != nullptr;
}

TkavDialogControlPainter &controlPainter()
{
    static TkavDialogControlPainter painter;
    return painter;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavDialogPage

const TkavClassInfo &TkavDialogPage::StaticClassInfo()
{
    using P = TkavDialogPage;
    static const TkavClassInfo info = kavMakeClassInfo<P, TkavPage>(
        u"TkavDialogPage"_s,
        [](TkavPropBuilder<P> &p) {
            p.Enum(u"BorderStyle"_s, &P::BorderStyle, &P::SetBorderStyle)
                .Default(kavDialogDefaultBorderStyle);
            p.String(u"Caption"_s, &P::Caption, &P::SetCaption, u"TCaption"_s);
            p.Int(u"Color"_s, &P::Color, &P::SetColor).TypeName(u"TColor"_s).Default(clBtnFace);
            kavPublishHeight(p);
            p.Float(u"ClientHeight"_s, &P::ClientHeight, &P::SetClientHeight, u"Extended"_s);
            kavPublishLeft(p);
            p.Enum(u"Position"_s, &P::Position, &P::SetPosition).Default(kavDialogDefaultPosition);
            kavPublishTop(p);
            kavPublishWidth(p);
            p.Float(u"ClientWidth"_s, &P::ClientWidth, &P::SetClientWidth, u"Extended"_s);
            p.Enum(u"WindowState"_s, &P::WindowState, &P::SetWindowState)
                .Default(kavDialogDefaultWindowState);
            p.Event(u"OnActivate"_s, &P::OnActivate, &P::SetOnActivate);
            p.Event(u"OnClick"_s, &P::OnClick, &P::SetOnClick);
            p.Event(u"OnCloseQuery"_s, &P::OnCloseQuery, &P::SetOnCloseQuery,
                    u"TkavCloseQueryEvent"_s);
            p.Event(u"OnDeactivate"_s, &P::OnDeactivate, &P::SetOnDeactivate);
            p.Event(u"OnHide"_s, &P::OnHide, &P::SetOnHide);
            p.Event(u"OnKeyDown"_s, &P::OnKeyDown, &P::SetOnKeyDown, u"TkavKeyEvent"_s);
            p.Event(u"OnKeyPress"_s, &P::OnKeyPress, &P::SetOnKeyPress, u"TkavKeyPressEvent"_s);
            p.Event(u"OnKeyUp"_s, &P::OnKeyUp, &P::SetOnKeyUp, u"TkavKeyEvent"_s);
            p.Event(u"OnShow"_s, &P::OnShow, &P::SetOnShow);
            p.Event(u"OnResize"_s, &P::OnResize, &P::SetOnResize);
        },
        kavComponentFactory<P>());
    return info;
}

TkavDialogPage::TkavDialogPage(TkavComponent *AOwner)
    : TkavPage(AOwner)
{
    const TkavReport *report = Report();
    FForm = std::make_unique<TkavDialogForm>(report
                                             && report->EngineOptions().EnableThreadSafe());
    FForm->SetKeyPreview(true);
    FForm->SetColor(FColor);
    FForm->SetShowHint(true);
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetPosition(FPosition);
    Font().SetName(u"Tahoma"_s);
    Font().SetSize(8);
    FForm->SetFont(Font());
}

TkavDialogPage::~TkavDialogPage()
{
    // The controls go first: their wrapped controls sit on the window.
    const std::lock_guard lock(kavReportLock());
    destroyContent();
    FForm.reset();
}

void TkavDialogPage::SetLeft(double Value)
{
    TkavPage::SetLeft(Value);
    FForm->SetLeft(whole(Left()));
}

void TkavDialogPage::SetTop(double Value)
{
    TkavPage::SetTop(Value);
    FForm->SetTop(whole(Top()));
}

// The window's size is its client size (decorations belong to the window system), so a
// stored client size and the outer size agree once both are read.
void TkavDialogPage::SetWidth(double Value)
{
    TkavPage::SetWidth(Value);
    if (!(IsLoading() && FClientWidth != 0))
        FForm->SetWidth(whole(Width()));
}

void TkavDialogPage::SetHeight(double Value)
{
    TkavPage::SetHeight(Value);
    if (!(IsLoading() && FClientHeight != 0))
        FForm->SetHeight(whole(Height()));
}

double TkavDialogPage::ClientWidth() const
{
    return FForm->Width();
}

void TkavDialogPage::SetClientWidth(double Value)
{
    FForm->SetWidth(whole(Value));
    FClientWidth = Value;
    TkavPage::SetWidth(FForm->Width());
}

double TkavDialogPage::ClientHeight() const
{
    return FForm->Height();
}

void TkavDialogPage::SetClientHeight(double Value)
{
    FForm->SetHeight(whole(Value));
    FClientHeight = Value;
    TkavPage::SetHeight(FForm->Height());
}

void TkavDialogPage::SetCaption(const QString &Value)
{
    FCaption = Value;
    FForm->SetText(Value);
}

void TkavDialogPage::SetColor(TColor Value)
{
    FColor = Value;
    FForm->SetColor(Value);
}

void TkavDialogPage::FontChanged()
{
    TkavPage::FontChanged();
    if (FForm)
        FForm->SetFont(Font());
}

bool TkavDialogPage::HasControls() const
{
    return FForm->ControlCount() > 0;
}

void TkavDialogPage::notify(const TkavNotifyEvent &Event)
{
    if (TkavReport *report = Report())
        report->DoNotifyEvent(this, Event, true);
}

void TkavDialogPage::copyFormBounds()
{
    TkavPage::SetLeft(FForm->Left());
    TkavPage::SetTop(FForm->Top());
    TkavPage::SetWidth(FForm->Width());
    TkavPage::SetHeight(FForm->Height());
}

void TkavDialogPage::Initialize()
{
    if (FForm->Showing() && !FForm->Modal())
        FForm->Hide();
    FForm->SetPosition(FPosition);
    FForm->SetWindowState(FWindowState);
    // The window and its controls carry the names of the page and its controls.
    if (FForm->Name() != Name()) {
        try {
            FForm->SetName(Name());
        } catch (const Exception &) {
            FForm->SetName(QString());
        }
    }
    for (TkavComponent *obj : AllObjects())
        if (auto *control = dynamic_cast<TkavDialogControl *>(obj))
            control->syncName();
    TkavDialogForm &form = *FForm;
    form.OnActivate = [this](TObject *) { activated(); };
    form.OnClick = [this](TObject *) { notify(FOnClick); };
    form.OnDeactivate = [this](TObject *) { notify(FOnDeactivate); };
    form.OnHide = [this](TObject *) { notify(FOnHide); };
    form.OnResize = [this](TObject *) { notify(FOnResize); };
    form.OnShow = [this](TObject *) {
        if (TkyWinControl *active = FForm->ActiveControl())
            active->SetFocus();
        notify(FOnShow);
    };
    // An empty OnCloseQuery lets the window close.
    form.OnCloseQuery = [this](TObject *, bool &CanClose) {
        TkavReport *report = Report();
        if (!report || FOnCloseQuery.trimmed().isEmpty())
            return;
        Variant params = VarArrayOf({Variant::FromObject(this), Variant(CanClose)});
        report->DoParamEvent(FOnCloseQuery, params, true);
        CanClose = params.ArrayElement(1).AsBoolean();
    };
    const auto keyEvent = [this](const TkavNotifyEvent &event) {
        return [this, &event](TObject *, quint16 &Key, int Shift) {
            TkavReport *report = Report();
            if (!report || event.trimmed().isEmpty())
                return;
            Variant params
                = VarArrayOf({Variant::FromObject(this), Variant(int(Key)), Variant(Shift)});
            report->DoParamEvent(event, params, true);
            Key = quint16(params.ArrayElement(1).AsInteger());
        };
    };
    form.OnKeyDown = keyEvent(FOnKeyDown);
    form.OnKeyUp = keyEvent(FOnKeyUp);
    form.OnKeyPress = [this](TObject *, QChar &Key) {
        TkavReport *report = Report();
        if (!report || FOnKeyPress.trimmed().isEmpty())
            return;
        Variant params = VarArrayOf({Variant::FromObject(this), Variant(QString(Key))});
        report->DoParamEvent(FOnKeyPress, params, true);
        const QString text = params.ArrayElement(1).AsString();
        Key = text.isEmpty() ? QChar(0) : text.at(0);
    };
}

void TkavDialogPage::activated()
{
    copyFormBounds();
    notify(FOnActivate);
    for (TkavComponent *obj : AllObjects())
        if (auto *control = dynamic_cast<TkavDialogControl *>(obj); control && control->OnActivate())
            control->OnActivate()(*this);
    if (FUnattended)
        pressOk();
}

// What a user's OK does: the Default button answering mrOk, else the first such button,
// is clicked (its OnClick runs); a page without one answers mrOk itself.
void TkavDialogPage::pressOk()
{
    if (FForm->ModalResult() != mrNone)
        return; // the page's own handlers answered already
    TkavButtonControl *ok = nullptr;
    for (TkavComponent *obj : AllObjects()) {
        auto *button = dynamic_cast<TkavButtonControl *>(obj);
        if (!button || button->ModalResult() != mrOk || !button->Visible() || !button->Enabled())
            continue;
        if (!ok || (button->Default() && !ok->Default()))
            ok = button;
    }
    if (ok)
        ok->Button().Click();
    else
        FForm->SetModalResult(mrOk);
}

TModalResult TkavDialogPage::ShowModal()
{
    return showModal(headlessPresenter());
}

TModalResult TkavDialogPage::ShowModalUnattended()
{
    return showModal(true);
}

TModalResult TkavDialogPage::showModal(bool unattended)
{
    Initialize();
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetModalResult(mrNone);
    FUnattended = unattended;
    const auto reset = qScopeGuard([this] { FUnattended = false; });
    const TModalResult result = FForm->ShowModal();
    copyFormBounds();
    return result;
}

// ---------------------------------------------------------------------------------------
// TkavDialogControl

const TkavClassInfo &TkavDialogControl::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavDialogControl, TkavReportComponent>(
        u"TkavDialogControl"_s,
        [](TkavPropBuilder<TkavDialogControl> &p) { kavPublishDialogControlBase(p); },
        TkavFactory());
    return info;
}

TkavDialogControl::TkavDialogControl(TkavComponent *AOwner,
                                     std::unique_ptr<TkyControl> AControl,
                                     const QString &ABaseName)
    : TkavReportComponent(AOwner)
    , FControl(std::move(AControl))
{
    SetBaseName(ABaseName);
    FControl->SetFont(Font());
    bindEvents();
    updatePlatformParent();
}

TkavDialogControl::~TkavDialogControl()
{
    // The component part first (children leave this control), then the wrapped control.
    destroyContent();
    FControl.reset();
}

void TkavDialogControl::SetLeft(double Value)
{
    TkavReportComponent::SetLeft(Value);
    FControl->SetLeft(whole(Left()));
}

void TkavDialogControl::SetTop(double Value)
{
    TkavReportComponent::SetTop(Value);
    FControl->SetTop(whole(Top()));
}

void TkavDialogControl::SetWidth(double Value)
{
    TkavReportComponent::SetWidth(Value);
    FControl->SetWidth(whole(Width()));
}

void TkavDialogControl::SetHeight(double Value)
{
    TkavReportComponent::SetHeight(Value);
    FControl->SetHeight(whole(Height()));
}

void TkavDialogControl::SetVisible(bool Value)
{
    TkavReportComponent::SetVisible(Value);
    FControl->SetVisible(Value);
}

void TkavDialogControl::SetParent(TkavComponent *Value)
{
    TkavReportComponent::SetParent(Value);
    updatePlatformParent();
}

void TkavDialogControl::FontChanged()
{
    TkavReportComponent::FontChanged();
    if (FControl)
        FControl->SetFont(Font());
}

bool TkavDialogControl::TabStop() const
{
    const auto *control = dynamic_cast<const TkyWinControl *>(FControl.get());
    return !control || control->TabStop();
}

void TkavDialogControl::SetTabStop(bool Value)
{
    if (auto *control = dynamic_cast<TkyWinControl *>(FControl.get()))
        control->SetTabStop(Value);
}

void TkavDialogControl::SetFocus()
{
    if (auto *control = dynamic_cast<TkyWinControl *>(FControl.get()))
        control->SetFocus();
}

bool TkavDialogControl::SetValueText(const QString &Value, QString &)
{
    SetCaption(Value);
    return true;
}

void TkavDialogControl::updatePlatformParent()
{
    TkyWinControl *target = nullptr;
    if (auto *page = dynamic_cast<TkavDialogPage *>(Parent()))
        target = page->DialogForm();
    else if (auto *control = dynamic_cast<TkavDialogControl *>(Parent()))
        target = dynamic_cast<TkyWinControl *>(control->Control());
    FControl->SetParent(target);
}

// The wrapped control carries the component's name, so the window shows it by that name.
void TkavDialogControl::syncName()
{
    if (FControl->Name() == Name())
        return;
    try {
        FControl->SetName(Name());
    } catch (const Exception &) {
        FControl->SetName(QString()); // a name the window layer refuses: none
    }
}

void TkavDialogControl::notify(const TkavNotifyEvent &Event)
{
    if (TkavReport *report = Report())
        report->DoNotifyEvent(this, Event, true);
}

void TkavDialogControl::paramEvent(const TkavNotifyEvent &Event, Variant &Params)
{
    if (TkavReport *report = Report(); report && !Event.trimmed().isEmpty())
        report->DoParamEvent(Event, Params, true);
}

void TkavDialogControl::bindEvents()
{
    TkyControl &c = *FControl;
    c.OnClick = [this](TObject *) { notify(FOnClick); };
    c.OnDblClick = [this](TObject *) { notify(FOnDblClick); };
    const auto mouse = [this](const TkavNotifyEvent &event) {
        return [this, &event](TObject *, int Button, int Shift, int X, int Y) {
            Variant params = VarArrayOf(
                {Variant::FromObject(this), Variant(Button), Variant(Shift), Variant(X), Variant(Y)});
            paramEvent(event, params);
        };
    };
    c.OnMouseDown = mouse(FOnMouseDown);
    c.OnMouseUp = mouse(FOnMouseUp);
    c.OnMouseMove = [this](TObject *, int Shift, int X, int Y) {
        Variant params
            = VarArrayOf({Variant::FromObject(this), Variant(Shift), Variant(X), Variant(Y)});
        paramEvent(FOnMouseMove, params);
    };
    const auto change = [this](TObject *) { notify(FOnChange); };
    if (auto *edit = dynamic_cast<TkyEdit *>(&c))
        edit->OnChange = change;
    else if (auto *memo = dynamic_cast<TkyMemo *>(&c))
        memo->OnChange = change;
    else if (auto *combo = dynamic_cast<TkyCustomComboBox *>(&c))
        combo->OnChange = change;
    auto *w = dynamic_cast<TkyWinControl *>(&c);
    if (!w)
        return;
    w->OnEnter = [this](TObject *) { notify(FOnEnter); };
    w->OnExit = [this](TObject *) { notify(FOnExit); };
    const auto key = [this](const TkavNotifyEvent &event) {
        return [this, &event](TObject *, quint16 &Key, int Shift) {
            if (event.trimmed().isEmpty())
                return;
            Variant params
                = VarArrayOf({Variant::FromObject(this), Variant(int(Key)), Variant(Shift)});
            paramEvent(event, params);
            Key = quint16(params.ArrayElement(1).AsInteger());
        };
    };
    w->OnKeyDown = key(FOnKeyDown);
    w->OnKeyUp = key(FOnKeyUp);
    w->OnKeyPress = [this](TObject *, QChar &Key) {
        if (FOnKeyPress.trimmed().isEmpty())
            return;
        Variant params = VarArrayOf({Variant::FromObject(this), Variant(QString(Key))});
        paramEvent(FOnKeyPress, params);
        const QString text = params.ArrayElement(1).AsString();
        Key = text.isEmpty() ? QChar(0) : text.at(0);
    };
}

void TkavDialogControl::Draw(
    QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (!Canvas)
        return;
    const double x = AbsLeft() * ScaleX + OffsetX;
    const double y = AbsTop() * ScaleY + OffsetY;
    if (const TkavDialogControlPainter &painter = controlPainter();
        painter && painter(*this, *Canvas, x, y))
        return;
    // Without a widget layer: a frame with the caption.
    Canvas->save();
    const QRectF box(x, y, Width() * ScaleX, Height() * ScaleY);
    Canvas->fillRect(box, QColor(0xF0, 0xF0, 0xF0));
    Canvas->setPen(QColor(0xA0, 0xA0, 0xA0));
    Canvas->drawRect(box.adjusted(0, 0, -1, -1));
    Canvas->setPen(Qt::black);
    Canvas->drawText(box.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, Caption());
    Canvas->restore();
}

void kavSetDialogControlPainter(TkavDialogControlPainter Painter)
{
    controlPainter() = std::move(Painter);
}

void kavRegisterDialogClasses()
{
    kavRegisterClass(TkavDialogPage::StaticClassInfo());
    kavRegisterClass(TkavDialogControl::StaticClassInfo());
    kavRegisterDialogControlClasses();
}
