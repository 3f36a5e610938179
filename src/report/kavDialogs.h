#pragma once

// Dialog pages: windows a report shows before its report pages run, so the user can give
// the run its parameters. TkavDialogPage is the page (a form of controls), TkavDialogForm its
// window, TkavDialogControl the base of the controls placed on it. Windows and controls are
// the forms module's models; the form presenter puts them on screen (Qt widgets in the
// preview and the host) or, headless, answers as if the user pressed OK.

#include <report/kavPages.h>
#include <rtl/kavVariant.h>
#include <scriptlib/ky_formsrtti.h>

#include <QString>

#include <functional>
#include <memory>

class TkavDialogPage;
class TkavEnumInfo;

const TkavEnumInfo &kavEnumTypeInfo(TFormBorderStyle);
const TkavEnumInfo &kavEnumTypeInfo(TPosition);
const TkavEnumInfo &kavEnumTypeInfo(TWindowState);
const TkavEnumInfo &kavEnumTypeInfo(TAlignment);
const TkavEnumInfo &kavEnumTypeInfo(TComboBoxStyle);

// Initial values, also the declared defaults the stored rules compare against.
inline constexpr TFormBorderStyle kavDialogDefaultBorderStyle = bsSizeable;
inline constexpr TPosition kavDialogDefaultPosition = poScreenCenter;
inline constexpr TWindowState kavDialogDefaultWindowState = wsNormal;

// ---------------------------------------------------------------------------------------
// The window of a dialog page. Made for a report that runs with EnableThreadSafe, it reads
// no design-time resource of its own.
class TkavDialogForm : public TkyForm
{
public:
    explicit TkavDialogForm(bool AThreadSafe = false)
        : FThreadSafe(AThreadSafe)
    {}

    bool ThreadSafe() const { return FThreadSafe; }

private:
    bool FThreadSafe = false;
};

// ---------------------------------------------------------------------------------------
// A dialog page: published BorderStyle, Caption, Color, the geometry with ClientWidth and
// ClientHeight, Position, WindowState and the script events of its window.
class TkavDialogPage : public TkavPage
{
public:
    KAV_CLASSINFO

    explicit TkavDialogPage(TkavComponent *AOwner = nullptr);
    // Destroys the controls first (under the report lock), then the window they sit on.
    ~TkavDialogPage() override;

    TkavDialogForm *DialogForm() const { return FForm.get(); }
    // Hides the window, gives it Position and WindowState and binds its events to the
    // page's script procedures.
    void Initialize();
    // Shows the page modally and returns the modal result. Without a screen (the headless
    // presenter) the page runs as if the user pressed its OK button: ShowModalUnattended.
    TModalResult ShowModal();
    // Runs the page's events in the order a user's OK would: show, activate, the click of
    // the OK button (the Default one first, else the first button answering mrOk), the
    // close query, deactivate, hide. mrOk, or mrCancel when a handler answered Cancel or
    // the close query refused.
    TModalResult ShowModalUnattended();
    int ModalResult() const { return FForm->ModalResult(); }
    void SetModalResult(int Value) { FForm->SetModalResult(Value); }
    // The visible dialog controls among the page's descendants (controls that a run shows).
    bool HasControls() const;

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void FontChanged() override;
    // Client size last set (0: never set): while reading a file, a stored client size
    // governs the outer size.
    double ClientWidth() const;
    void SetClientWidth(double Value);
    double ClientHeight() const;
    void SetClientHeight(double Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value) { FBorderStyle = Value; }
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }

#define KAV_DIALOG_EVENT(E)                                                                    \
    const TkavNotifyEvent &E() const { return F##E; }                                          \
    void Set##E(const TkavNotifyEvent &Value) { F##E = Value; }
    KAV_DIALOG_EVENT(OnActivate)
    KAV_DIALOG_EVENT(OnClick)
    KAV_DIALOG_EVENT(OnDeactivate)
    KAV_DIALOG_EVENT(OnHide)
    KAV_DIALOG_EVENT(OnKeyDown)
    KAV_DIALOG_EVENT(OnKeyPress)
    KAV_DIALOG_EVENT(OnKeyUp)
    KAV_DIALOG_EVENT(OnResize)
    KAV_DIALOG_EVENT(OnShow)
    KAV_DIALOG_EVENT(OnCloseQuery)
#undef KAV_DIALOG_EVENT

private:
    void notify(const TkavNotifyEvent &Event);
    void activated();
    void pressOk();
    TModalResult showModal(bool unattended);
    void copyFormBounds();

    TFormBorderStyle FBorderStyle = kavDialogDefaultBorderStyle;
    QString FCaption;
    TColor FColor = clBtnFace;
    std::unique_ptr<TkavDialogForm> FForm;
    TkavNotifyEvent FOnActivate;
    TkavNotifyEvent FOnClick;
    TkavNotifyEvent FOnDeactivate;
    TkavNotifyEvent FOnHide;
    TkavNotifyEvent FOnKeyDown;
    TkavNotifyEvent FOnKeyPress;
    TkavNotifyEvent FOnKeyUp;
    TkavNotifyEvent FOnResize;
    TkavNotifyEvent FOnShow;
    TkavNotifyEvent FOnCloseQuery;
    TPosition FPosition = kavDialogDefaultPosition;
    TWindowState FWindowState = kavDialogDefaultWindowState;
    double FClientWidth = 0;
    double FClientHeight = 0;
    bool FUnattended = false; // the running ShowModal answers as if OK was pressed
};

// ---------------------------------------------------------------------------------------
// The base of dialog controls: a report component wrapping one control of the forms model,
// to which every property is mirrored. Published Left, Top, Width, Height, Font, GroupIndex,
// ParentFont, Enabled, Hint, ShowHint, Visible; concrete classes publish their own texts,
// values and events.
class TkavDialogControl : public TkavReportComponent
{
public:
    KAV_CLASSINFO

    ~TkavDialogControl() override;

    TkyControl *Control() const { return FControl.get(); }

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void SetVisible(bool Value) override;
    void SetParent(TkavComponent *Value) override;
    void FontChanged() override;
    QString Caption() const { return FControl->Text(); }
    void SetCaption(const QString &Value) { FControl->SetText(Value); }
    TColor Color() const { return FControl->Color(); }
    void SetColor(TColor Value) { FControl->SetColor(Value); }
    bool Enabled() const { return FControl->Enabled(); }
    void SetEnabled(bool Value) { FControl->SetEnabled(Value); }
    const QString &Hint() const { return FControl->Hint(); }
    void SetHint(const QString &Value) { FControl->SetHint(Value); }
    bool ShowHint() const { return FControl->ShowHint(); }
    void SetShowHint(bool Value) { FControl->SetShowHint(Value); }
    // Only controls that take the focus have a tab stop; others always answer True.
    bool TabStop() const;
    void SetTabStop(bool Value);
    // Gives the keyboard focus to the control when it can take it.
    void SetFocus();

    // The value a command line gives the control by name (--set NAME=VALUE): the text of an
    // edit, a date, a check state, a chosen item. False (message set) when the text does
    // not fit the control; the base takes it as the caption.
    virtual bool SetValueText(const QString &Value, QString &Message);
    // Told when the dialog the control is on is activated (before the user sees it).
    const std::function<void(TkavDialogPage &)> &OnActivate() const { return FOnActivate; }
    void SetOnActivate(std::function<void(TkavDialogPage &)> Value)
    {
        FOnActivate = std::move(Value);
    }

    // In the designer: the control's picture, drawn by whoever can paint controls (the
    // installed painter), else a plain frame with the caption.
    void
    Draw(QPainter *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

#define KAV_CONTROL_EVENT(E)                                                                   \
    const TkavNotifyEvent &E() const { return F##E; }                                          \
    void Set##E(const TkavNotifyEvent &Value) { F##E = Value; }
    KAV_CONTROL_EVENT(OnClick)
    KAV_CONTROL_EVENT(OnDblClick)
    KAV_CONTROL_EVENT(OnEnter)
    KAV_CONTROL_EVENT(OnExit)
    KAV_CONTROL_EVENT(OnKeyDown)
    KAV_CONTROL_EVENT(OnKeyPress)
    KAV_CONTROL_EVENT(OnKeyUp)
    KAV_CONTROL_EVENT(OnMouseDown)
    KAV_CONTROL_EVENT(OnMouseMove)
    KAV_CONTROL_EVENT(OnMouseUp)
    KAV_CONTROL_EVENT(OnChange)
#undef KAV_CONTROL_EVENT

protected:
    // AControl becomes the wrapped control; the concrete class names its BaseName.
    TkavDialogControl(TkavComponent *AOwner, std::unique_ptr<TkyControl> AControl, const QString &ABaseName);
    // Runs the script procedure Event with the control as sender (during runs and dialogs).
    void notify(const TkavNotifyEvent &Event);
    // Runs Event with the elements of Params; what the procedure assigns comes back.
    void paramEvent(const TkavNotifyEvent &Event, Variant &Params);

private:
    friend class TkavDialogPage;
    void bindEvents();
    void updatePlatformParent();
    void syncName();

    std::unique_ptr<TkyControl> FControl;
    TkavNotifyEvent FOnClick;
    TkavNotifyEvent FOnDblClick;
    TkavNotifyEvent FOnEnter;
    TkavNotifyEvent FOnExit;
    TkavNotifyEvent FOnKeyDown;
    TkavNotifyEvent FOnKeyPress;
    TkavNotifyEvent FOnKeyUp;
    TkavNotifyEvent FOnMouseDown;
    TkavNotifyEvent FOnMouseMove;
    TkavNotifyEvent FOnMouseUp;
    TkavNotifyEvent FOnChange;
    std::function<void(TkavDialogPage &)> FOnActivate;
};

// Paints a dialog control's picture in the designer (the widget layer installs one).
using TkavDialogControlPainter
    = std::function<bool(TkavDialogControl &Control, QPainter &Canvas, double X, double Y)>;
void kavSetDialogControlPainter(TkavDialogControlPainter Painter);

// Registers TkavDialogPage, TkavDialogControl and the concrete controls.
void kavRegisterDialogClasses();
