#pragma once

// The script library's forms module: the native model of the controls, forms and the
// application object that scripts create and wire to their procedures, the presenter seam
// that puts forms on screen (headless by default), and the module registration
// (kyRegisterFormsModule).
//
// Model rules:
// - Ownership is TComponent's: TButton.Create(Form1) is owned by Form1 and dies with it;
//   created with nil owner the control belongs to the script. Parent only places a control
//   (the parent's Controls list never owns).
// - Events are public callables that the script bridge fills (ky_events.h). Every Do...
//   firing method may run a script procedure that frees the control, the form or both:
//   callers hold the control's Handle() and check TObject::FromHandle before touching it
//   again; the Do... methods themselves do the same between the callbacks they chain.
// - OnCreate and OnDestroy never fire from C++ constructors or destructors (no handler can
//   be attached before a script constructor returns, and a destructor may run while the
//   script is going away): DoCreate is for hosts, OnDestroy fires when a script frees the
//   form with Free.
// - Property changes made while the form is shown reach the presenter (Changed). The
//   presenter feeds user input back through the User... methods, which fire the events a
//   user action fires.

#include <rtl/kavColors.h>
#include <rtl/kavFont.h>
#include <rtl/kavObject.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>
#include <script/ky_events.h>

#include <QChar>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TkyCanvas;
class TkyCustomForm;
class TkyWinControl;

// ORDER: these ordinals are what scripts see (the forms module's enumerations).
enum TAlign : int {
    alNone,
    alTop,
    alBottom,
    alLeft,
    alRight,
    alClient,
    alCustom
};
enum TAlignment : int {
    taLeftJustify,
    taRightJustify,
    taCenter
};
enum TTextLayout : int {
    tlTop,
    tlCenter,
    tlBottom
};
enum TEditCharCase : int {
    ecNormal,
    ecUpperCase,
    ecLowerCase
};
enum TScrollStyle : int {
    ssNone,
    ssHorizontal,
    ssVertical,
    ssBoth
};
enum TComboBoxStyle : int {
    csDropDown,
    csSimple,
    csDropDownList,
    csOwnerDrawFixed,
    csOwnerDrawVariable
};
enum TCheckBoxState : int {
    cbUnchecked,
    cbChecked,
    cbGrayed
};
enum TListBoxStyle : int {
    lbStandard,
    lbOwnerDrawFixed,
    lbOwnerDrawVariable,
    lbVirtual,
    lbVirtualOwnerDraw
};
enum TWindowState : int {
    wsNormal,
    wsMinimized,
    wsMaximized
};
enum TFormStyle : int {
    fsNormal,
    fsMDIChild,
    fsMDIForm,
    fsStayOnTop
};
enum TFormBorderStyle : int {
    bsNone,
    bsSingle,
    bsSizeable,
    bsDialog,
    bsToolWindow,
    bsSizeToolWin
};
enum TPosition : int {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TCloseAction : int {
    caNone,
    caHide,
    caFree,
    caMinimize
};
enum TMouseButton : int {
    mbLeft,
    mbRight,
    mbMiddle
};
// Shift-state bits as events pass them (bit 0 Shift ... bit 6 double click).
enum TShiftStateBit : int {
    ssShift,
    ssAlt,
    ssCtrl,
    ssLeft,
    ssRight,
    ssMiddle,
    ssDouble
};

// Virtual-key codes scripts compare with (the values keyboards report on every platform
// the reports came from).
namespace kyVK {
constexpr quint16 Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Escape = 27,
                  Space = 32, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38,
                  Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112;
}

// TControl: position, size, text, visibility and the mouse events.
class TkyControl : public TComponent
{
public:
    KAV_CLASSINFO

    TkyControl();
    ~TkyControl() override;

    // The placing control, or nullptr. Setting it moves this control to the end of the new
    // parent's Controls; EkyError "Control cannot be its own parent" for a cycle.
    TkyWinControl *Parent() const { return FParent; }
    void SetParent(TkyWinControl *value);
    // The form this control is placed on (the form itself for a form), or nullptr.
    TkyCustomForm *ParentForm() const;

    int Left() const { return FLeft; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    int Top() const { return FTop; }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    int Width() const { return FWidth; }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    int Height() const { return FHeight; }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    // A size change asks OnCanResize first (it may change or refuse the size); negative
    // sizes become 0. OnResize follows an accepted size change.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

    // Caption and Text are the same text (a memo's is its Lines).
    virtual QString Text() const { return FText; }
    virtual void SetText(const QString &value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    virtual void Show() { SetVisible(true); }
    virtual void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFont &Font() { return FFont; }
    const TFont &Font() const { return FFont; }
    void SetFont(const TFont &value) { FFont.Assign(value); }
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    int Align() const { return FAlign; }
    void SetAlign(int value);
    int Cursor() const { return FCursor; }
    void SetCursor(int value) { FCursor = value; }

    // Firing (see the file comment on liveness).
    virtual void Click();
    void DoDblClick();
    void DoMouseDown(TMouseButton Button, int Shift, int X, int Y);
    void DoMouseUp(TMouseButton Button, int Shift, int X, int Y);
    void DoMouseMove(int Shift, int X, int Y);
    void DoResize();

    TkyCanResizeEvent::TMethod OnCanResize;
    TkyNotifyEvent::TMethod OnClick;
    TkyNotifyEvent::TMethod OnDblClick;
    TkyMouseEvent::TMethod OnMouseDown;
    TkyMouseEvent::TMethod OnMouseUp;
    TkyMouseMoveEvent::TMethod OnMouseMove;
    TkyNotifyEvent::TMethod OnResize;

protected:
    // Tells the presenter about a property change while the control's form is shown.
    void Changed();
    // True while the object with handle still lives.
    static bool alive(quint64 handle) { return TObject::FromHandle(handle) != nullptr; }
    // Sets the bounds without events (the presenter reporting a user resize).
    void setBoundsRaw(int ALeft, int ATop, int AWidth, int AHeight);
    // Sets the flag without events (forms show and hide through their own sequence).
    void setVisibleRaw(bool value) { FVisible = value; }
    friend class TkyWinControl;
    friend class TkyFormPresenter;

private:
    TkyWinControl *FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    QString FText;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    TFont FFont;
    QString FHint;
    bool FShowHint = false;
    int FAlign = alNone;
    int FCursor = 0;
};

// TWinControl: a control that holds others and takes the keyboard.
class TkyWinControl : public TkyControl
{
public:
    KAV_CLASSINFO

    TkyWinControl();
    ~TkyWinControl() override;

    // The controls placed on this one, in placing order (not owned).
    int ControlCount() const { return int(FControls.size()); }
    // EListError "List index out of bounds (%d)" outside 0..ControlCount-1.
    TkyControl *Controls(int index) const;

    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int value) { FTabOrder = value; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    // Makes this control the form's focused control (the presenter moves the focus; OnEnter
    // and OnExit fire from the focus changes it reports, so not without a screen).
    void SetFocus();
    bool Focused() const;

    // Keyboard: with the form's KeyPreview on, the form's handler runs first; a Key of 0
    // (#0 for key presses) afterwards means the key was consumed.
    void DoKeyDown(quint16 &Key, int Shift);
    void DoKeyUp(quint16 &Key, int Shift);
    void DoKeyPress(QChar &Key);
    void DoEnter();
    void DoExit();

    TkyNotifyEvent::TMethod OnEnter;
    TkyNotifyEvent::TMethod OnExit;
    TkyKeyEvent::TMethod OnKeyDown;
    TkyKeyEvent::TMethod OnKeyUp;
    TkyKeyPressEvent::TMethod OnKeyPress;

private:
    friend class TkyControl;
    std::vector<TkyControl *> FControls;
    int FTabOrder = -1;
    bool FTabStop = true;
};

class TkyCustomControl : public TkyWinControl
{
public:
    KAV_CLASSINFO
};

class TkyGroupBox : public TkyCustomControl
{
public:
    KAV_CLASSINFO
};

class TkyGraphicControl : public TkyControl
{
public:
    KAV_CLASSINFO
};

class TkyLabel : public TkyGraphicControl
{
public:
    KAV_CLASSINFO

    TkyLabel();
    int Alignment() const { return FAlignment; }
    void SetAlignment(int value);
    int Layout() const { return FLayout; }
    void SetLayout(int value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { FAutoSize = value; }

private:
    int FAlignment = taLeftJustify;
    int FLayout = tlTop;
    bool FWordWrap = false;
    bool FAutoSize = true;
};

// TEdit: one line of text. CharCase converts every text set; MaxLength limits the user.
class TkyEdit : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyEdit();
    void SetText(const QString &value) override;
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar value);
    int CharCase() const { return FCharCase; }
    void SetCharCase(int value);

    // The user typed: the new text (MaxLength applied), OnChange fires.
    void UserSetText(const QString &value);

    // Fires after every change of the text.
    TkyNotifyEvent::TMethod OnChange;

private:
    int FMaxLength = 0;
    bool FReadOnly = false;
    QChar FPasswordChar = QChar(0);
    int FCharCase = ecNormal;
};

// TMemo: lines of text.
class TkyMemo : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyMemo();
    QString Text() const override { return FLines.Text(); }
    void SetText(const QString &value) override { FLines.SetText(value); }
    TStringList &Lines() { return FLines; }
    const TStringList &Lines() const { return FLines; }
    void SetLines(const TStrings &value) { FLines.Assign(value); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    int ScrollBars() const { return FScrollBars; }
    void SetScrollBars(int value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value) { FMaxLength = qMax(0, value); }

    void UserSetText(const QString &value);

    TkyNotifyEvent::TMethod OnChange;

private:
    TStringList FLines;
    bool FWordWrap = true;
    int FScrollBars = ssNone;
    bool FReadOnly = false;
    int FMaxLength = 0;
};

// TButton: Click sets the form's ModalResult (when its own is not mrNone), then OnClick.
class TkyButton : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyButton();
    void Click() override;
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value);

private:
    int FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
};

// TCheckBox: a state change (from scripts or the user) fires OnClick.
class TkyCheckBox : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyCheckBox();
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    int State() const { return FState; }
    // Scripts may set cbGrayed whatever AllowGrayed says (only the user's cycle skips it);
    // EListError for values outside the enumeration.
    void SetState(int value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value);
    int Alignment() const { return FAlignment; }
    void SetAlignment(int value) { FAlignment = value; }

    // The user clicked: unchecked -> checked -> grayed (with AllowGrayed) -> unchecked.
    void UserToggle();

private:
    int FState = cbUnchecked;
    bool FAllowGrayed = false;
    int FAlignment = taRightJustify;
};

// TRadioButton: checking one unchecks the radio buttons with the same parent.
class TkyRadioButton : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyRadioButton();
    bool Checked() const { return FChecked; }
    // A change fires OnClick (when checked).
    void SetChecked(bool value);

private:
    bool FChecked = false;
};

// Shared by combo and list boxes: the items and the checked current index.
class TkyItemsState
{
public:
    // -1..Items.Count-1, else EListError "List index out of bounds (%d)".
    static void CheckItemIndex(const TStrings &items, int index);
};

class TkyCustomComboBox : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyCustomComboBox();
    TStringList &Items() { return FItems; }
    const TStringList &Items() const { return FItems; }
    void SetItems(const TStrings &value) { FItems.Assign(value); }
    int ItemIndex() const { return FItemIndex; }
    // Checked range; the text follows the chosen item.
    void SetItemIndex(int value);
    // Selects the item with this text (ignoring case) or none.
    void SetText(const QString &value) override;
    int Style() const { return FStyle; }
    void SetStyle(int value);
    bool DroppedDown() const { return FDroppedDown; }
    // Opening fires OnDropDown, closing OnCloseUp.
    void SetDroppedDown(bool value);

    // The user chose an item (or typed a text: index -1): OnChange fires.
    void UserSelect(int index);
    void UserSetText(const QString &value);

    TkyNotifyEvent::TMethod OnChange;
    TkyNotifyEvent::TMethod OnDropDown;
    TkyNotifyEvent::TMethod OnCloseUp;

private:
    void itemsChanged();

    TStringList FItems;
    int FItemIndex = -1;
    int FStyle = csDropDown;
    bool FDroppedDown = false;
};

class TkyComboBox : public TkyCustomComboBox
{
public:
    KAV_CLASSINFO
};

class TkyCustomListBox : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyCustomListBox();
    TStringList &Items() { return FItems; }
    const TStringList &Items() const { return FItems; }
    void SetItems(const TStrings &value) { FItems.Assign(value); }
    // The focused item; without MultiSelect also the one selected item.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    int Style() const { return FStyle; }
    void SetStyle(int value) { FStyle = value; }
    // The number of selected items (0 or 1 without MultiSelect).
    int SelCount() const;
    // 0..Count-1, else EListError.
    bool Selected(int index) const;
    void SetSelected(int index, bool value);

    // The user's selection: the selected rows and the current one; OnClick fires.
    void UserSelect(const QList<int> &selected, int current);

private:
    void itemsChanged();
    void checkIndex(int index) const;

    TStringList FItems;
    int FItemIndex = -1;
    bool FMultiSelect = false;
    int FStyle = lbStandard;
    std::vector<bool> FSelected; // MultiSelect only, one per item
};

class TkyListBox : public TkyCustomListBox
{
public:
    KAV_CLASSINFO
};

// A scroll bar of a scrolling control: where it stands and how far it reaches.
class TkyControlScrollBar : public TPersistent
{
public:
    KAV_CLASSINFO

    int Position() const { return FPosition; }
    void SetPosition(int value) { FPosition = qBound(0, value, qMax(0, FRange)); }
    int Range() const { return FRange; }
    void SetRange(int value)
    {
        FRange = qMax(0, value);
        SetPosition(FPosition);
    }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int value) { FIncrement = qMax(1, value); }

private:
    int FPosition = 0;
    int FRange = 0;
    bool FVisible = true;
    int FIncrement = 8;
};

class TkyScrollingWinControl : public TkyWinControl
{
public:
    KAV_CLASSINFO

    TkyControlScrollBar *HorzScrollBar() { return &FHorz; }
    TkyControlScrollBar *VertScrollBar() { return &FVert; }
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value) { FAutoScroll = value; }

private:
    TkyControlScrollBar FHorz, FVert;
    bool FAutoScroll = true;
};

class TkyScrollBox : public TkyScrollingWinControl
{
public:
    KAV_CLASSINFO
};

// TCustomForm: a window of controls, shown modally or not through the presenter.
class TkyCustomForm : public TkyScrollingWinControl
{
public:
    KAV_CLASSINFO

    TkyCustomForm();
    ~TkyCustomForm() override;

    // Visible := True shows (OnShow), False hides (OnHide). Hiding a modal form ends it
    // with mrCancel; showing one that is modal or visible does nothing.
    void SetVisible(bool value) override;
    void Show() override;
    void Hide() override;
    // Runs the form modally through the presenter and returns its ModalResult. OnShow and
    // OnActivate run first; afterwards the form is hidden (OnDeactivate, OnHide). A form
    // that is visible or modal already: EkyError "Cannot make a visible window modal".
    // A form freed by its own handlers gives mrCancel.
    TModalResult ShowModal();
    // Modal: ModalResult := mrCancel (the presenter then closes it). Otherwise OnCloseQuery
    // may refuse; OnClose chooses the action: caNone keeps the form, caMinimize minimizes
    // it, caHide and caFree hide it (caFree does not free under the running handler: the
    // form stays the script's or its owner's and goes with them).
    void Close();
    // The close sequence of a modal form asked to close (ModalResult <> mrNone): OnCloseQuery
    // and OnClose. True when the form may close; on refusal ModalResult is mrNone again.
    // The form may be freed by the handlers: callers check its handle afterwards.
    bool CloseModal();

    int ModalResult() const { return FModalResult; }
    // While modal, a result other than mrNone asks the presenter to close the form.
    void SetModalResult(int value);
    bool Modal() const { return FModal; }
    // Shown (modally or not): a form starts hidden.
    bool Showing() const { return Visible(); }

    int BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(int value);
    int Position() const { return FPosition; }
    void SetPosition(int value) { FPosition = value; }
    int FormStyle() const { return FFormStyle; }
    void SetFormStyle(int value) { FFormStyle = value; }
    int WindowState() const { return FWindowState; }
    void SetWindowState(int value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    // The control with the keyboard focus, or nullptr (checked handle).
    TkyWinControl *ActiveControl() const;
    void SetActiveControl(TkyWinControl *value);

    // The canvas OnPaint draws on: it draws only while the presenter has attached a painter.
    TkyCanvas *Canvas() const { return FCanvas.get(); }
    // Fires OnPaint (the presenter attaches its painter to Canvas around it).
    void DoPaint();
    // For hosts that build a form and attach its handlers before it appears.
    void DoCreate();
    // Fires OnDestroy (a script's Free, before the form dies).
    void DoDestroy();
    void DoActivate();
    void DoDeactivate();

    TkyNotifyEvent::TMethod OnActivate;
    TkyCloseEvent::TMethod OnClose;
    TkyCloseQueryEvent::TMethod OnCloseQuery;
    TkyNotifyEvent::TMethod OnCreate;
    TkyNotifyEvent::TMethod OnDestroy;
    TkyNotifyEvent::TMethod OnDeactivate;
    TkyNotifyEvent::TMethod OnHide;
    TkyNotifyEvent::TMethod OnPaint;
    TkyNotifyEvent::TMethod OnShow;

private:
    // OnCloseQuery's answer (True without a handler).
    bool closeQuery();

    int FModalResult = mrNone;
    bool FModal = false;
    int FBorderStyle = bsSizeable;
    int FPosition = poDesigned;
    int FFormStyle = fsNormal;
    int FWindowState = wsNormal;
    bool FKeyPreview = false;
    quint64 FActiveControl = 0;
    std::unique_ptr<TkyCanvas> FCanvas;
};

class TkyForm : public TkyCustomForm
{
public:
    KAV_CLASSINFO
};

class TkyDataModule : public TComponent
{
public:
    KAV_CLASSINFO
};

// The running application as scripts see it.
class TkyApplication : public TComponent
{
public:
    KAV_CLASSINFO

    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &value) { FTitle = value; }
    // The program file's path.
    QString ExeName() const;
    // Lets pending window messages run (kavUIServices().ProcessMessages()).
    void ProcessMessages();
    void Minimize() { FMinimized = true; }
    void Restore() { FMinimized = false; }
    bool Minimized() const { return FMinimized; }

private:
    QString FTitle;
    bool FMinimized = false;
};

// Puts forms on screen. Called on the thread that runs the scripts.
class TkyFormPresenter
{
public:
    virtual ~TkyFormPresenter() = default;

    // Runs form modally after its OnShow/OnActivate; returns when the form closes (the
    // presenter runs form.CloseModal() whenever ModalResult becomes non-zero and keeps the
    // form up while it refuses). The result is the form's ModalResult; mrCancel when the
    // form was freed meanwhile.
    virtual TModalResult ShowModal(TkyCustomForm &form) = 0;
    // The form became visible (after OnShow) or hidden (after OnHide).
    virtual void Show(TkyCustomForm &form) = 0;
    virtual void Hide(TkyCustomForm &form) = 0;
    // A script changed a property of control (placed on a shown form, or the form itself).
    virtual void Changed(TkyControl &control) = 0;
    // control is being destroyed (its own members are gone already; forms call this
    // before their controls die): forget it, never call into it again.
    virtual void Destroyed(TkyControl &control) = 0;
    // The form's picture should be drawn again (OnPaint).
    virtual void Repaint(TkyCustomForm &form) = 0;

protected:
    // The presenter's access to the bounds without events.
    static void SetBoundsRaw(TkyControl &c, int l, int t, int w, int h)
    {
        c.setBoundsRaw(l, t, w, h);
    }
};

// The headless presenter: never blocks. ShowModal answers at once: ModalResult when OnShow
// set one, else mrCancel (the safe answer), after running the close sequence; a close
// refused by OnCloseQuery or OnClose cannot wait for a user here, so the answer is mrCancel.
class TkyHeadlessFormPresenter : public TkyFormPresenter
{
public:
    TModalResult ShowModal(TkyCustomForm &form) override;
    void Show(TkyCustomForm &) override {}
    void Hide(TkyCustomForm &) override {}
    void Changed(TkyControl &) override {}
    void Destroyed(TkyControl &) override {}
    void Repaint(TkyCustomForm &) override {}
};

// The presenter in use (the headless one until a host installs another).
TkyFormPresenter &kyFormPresenter();
// Installs presenter (nullptr: the headless one) and returns the previous one (nullptr
// when it was the built-in headless one).
std::unique_ptr<TkyFormPresenter> kySetFormPresenter(std::unique_ptr<TkyFormPresenter> presenter);

// Adds the module to the library modules every script takes (once per process).
void kyRegisterFormsModule();
