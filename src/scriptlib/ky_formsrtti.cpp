#include "ky_formsrtti.h"

#include "ky_graphicsrtti.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <script/ky_classes.h>
#include <script/ky_script.h>

#include <QCoreApplication>

#include <algorithm>
#include <mutex>
#include <utility>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// The presenter in use

namespace {

std::unique_ptr<TkyFormPresenter> &installedPresenter()
{
    static std::unique_ptr<TkyFormPresenter> presenter;
    return presenter;
}

TkyHeadlessFormPresenter &headlessPresenter()
{
    static TkyHeadlessFormPresenter presenter;
    return presenter;
}

bool isAlive(quint64 handle)
{
    return TObject::FromHandle(handle) != nullptr;
}

[[noreturn]] void listIndexError(int index)
{
    throw EListError(u"List index out of bounds (%1)"_s.arg(index));
}

} // namespace

TkyFormPresenter &kyFormPresenter()
{
    auto &presenter = installedPresenter();
    return presenter ? *presenter : headlessPresenter();
}

std::unique_ptr<TkyFormPresenter> kySetFormPresenter(std::unique_ptr<TkyFormPresenter> presenter)
{
    return std::exchange(installedPresenter(), std::move(presenter));
}

TModalResult TkyHeadlessFormPresenter::ShowModal(TkyCustomForm &form)
{
    // Nobody can answer here: the safe answer, unless OnShow gave one already.
    const quint64 handle = form.Handle();
    if (form.ModalResult() == mrNone)
        form.SetModalResult(mrCancel);
    const bool closed = form.CloseModal();
    if (!isAlive(handle))
        return mrCancel;
    if (!closed)
        form.SetModalResult(mrCancel); // a refusal cannot wait for a user that is not there
    return form.ModalResult();
}

// ---------------------------------------------------------------------------------------
// TkyControl

TkyControl::TkyControl()
{
    FFont.SetOnChange([this] { Changed(); });
}

TkyControl::~TkyControl()
{
    if (FParent)
        std::erase(FParent->FControls, this);
    FParent = nullptr;
    kyFormPresenter().Destroyed(*this);
}

void TkyControl::SetParent(TkyWinControl *value)
{
    if (value == FParent)
        return;
    for (const TkyControl *p = value; p; p = p->FParent)
        if (p == this)
            throw EkyError(u"Control cannot be its own parent"_s);
    // A shown form the control leaves must hear of it too (it no longer reaches that form).
    const TkyCustomForm *oldForm = ParentForm();
    const bool leavesShownForm = oldForm && oldForm != this && oldForm->Showing();
    if (FParent)
        std::erase(FParent->FControls, this);
    FParent = value;
    if (value)
        value->FControls.push_back(this);
    if (leavesShownForm)
        kyFormPresenter().Changed(*this);
    else
        Changed();
}

TkyCustomForm *TkyControl::ParentForm() const
{
    const TkyControl *c = this;
    while (c->FParent)
        c = c->FParent;
    return dynamic_cast<TkyCustomForm *>(const_cast<TkyControl *>(c));
}

void TkyControl::Changed()
{
    if (TkyCustomForm *form = ParentForm(); form && form->Showing())
        kyFormPresenter().Changed(*this);
}

void TkyControl::setBoundsRaw(int ALeft, int ATop, int AWidth, int AHeight)
{
    FLeft = ALeft;
    FTop = ATop;
    FWidth = qMax(0, AWidth);
    FHeight = qMax(0, AHeight);
}

void TkyControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = qMax(0, AWidth);
    AHeight = qMax(0, AHeight);
    if ((AWidth != FWidth || AHeight != FHeight) && OnCanResize) {
        const quint64 handle = Handle();
        bool resize = true;
        auto canResize = OnCanResize;
        canResize(this, AWidth, AHeight, resize);
        if (!alive(handle))
            return;
        if (!resize) {
            AWidth = FWidth;
            AHeight = FHeight;
        }
    }
    const bool sized = AWidth != FWidth || AHeight != FHeight;
    if (!sized && ALeft == FLeft && ATop == FTop)
        return;
    setBoundsRaw(ALeft, ATop, AWidth, AHeight);
    Changed();
    if (sized)
        DoResize();
}

void TkyControl::SetText(const QString &value)
{
    if (FText == value)
        return;
    FText = value;
    Changed();
}

void TkyControl::SetVisible(bool value)
{
    if (FVisible == value)
        return;
    FVisible = value;
    Changed();
}

void TkyControl::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    Changed();
}

void TkyControl::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    Changed();
}

void TkyControl::SetHint(const QString &value)
{
    FHint = value;
    Changed();
}

void TkyControl::SetAlign(int value)
{
    FAlign = value;
    Changed();
}

void TkyControl::Click()
{
    if (auto handler = OnClick)
        handler(this);
}

void TkyControl::DoDblClick()
{
    if (auto handler = OnDblClick)
        handler(this);
}

void TkyControl::DoMouseDown(TMouseButton Button, int Shift, int X, int Y)
{
    if (auto handler = OnMouseDown)
        handler(this, Button, Shift, X, Y);
}

void TkyControl::DoMouseUp(TMouseButton Button, int Shift, int X, int Y)
{
    if (auto handler = OnMouseUp)
        handler(this, Button, Shift, X, Y);
}

void TkyControl::DoMouseMove(int Shift, int X, int Y)
{
    if (auto handler = OnMouseMove)
        handler(this, Shift, X, Y);
}

void TkyControl::DoResize()
{
    if (auto handler = OnResize)
        handler(this);
}

// ---------------------------------------------------------------------------------------
// TkyWinControl

TkyWinControl::TkyWinControl() = default;

TkyWinControl::~TkyWinControl()
{
    // Placed controls are not owned: those that outlive this one are simply unplaced.
    for (TkyControl *child : FControls)
        child->FParent = nullptr;
    FControls.clear();
}

TkyControl *TkyWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        listIndexError(index);
    return FControls[size_t(index)];
}

void TkyWinControl::SetFocus()
{
    if (TkyCustomForm *form = ParentForm())
        form->SetActiveControl(this);
}

bool TkyWinControl::Focused() const
{
    const TkyCustomForm *form = ParentForm();
    return form && form->ActiveControl() == this;
}

void TkyWinControl::DoKeyDown(quint16 &Key, int Shift)
{
    const quint64 handle = Handle();
    TkyCustomForm *form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
        if (auto handler = form->OnKeyDown)
            handler(form, Key, Shift);
        if (!alive(handle) || Key == 0)
            return;
    }
    if (auto handler = OnKeyDown)
        handler(this, Key, Shift);
}

void TkyWinControl::DoKeyUp(quint16 &Key, int Shift)
{
    const quint64 handle = Handle();
    TkyCustomForm *form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
        if (auto handler = form->OnKeyUp)
            handler(form, Key, Shift);
        if (!alive(handle) || Key == 0)
            return;
    }
    if (auto handler = OnKeyUp)
        handler(this, Key, Shift);
}

void TkyWinControl::DoKeyPress(QChar &Key)
{
    const quint64 handle = Handle();
    TkyCustomForm *form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
        if (auto handler = form->OnKeyPress)
            handler(form, Key);
        if (!alive(handle) || Key.isNull())
            return;
    }
    if (auto handler = OnKeyPress)
        handler(this, Key);
}

void TkyWinControl::DoEnter()
{
    if (auto handler = OnEnter)
        handler(this);
}

void TkyWinControl::DoExit()
{
    if (auto handler = OnExit)
        handler(this);
}

// ---------------------------------------------------------------------------------------
// Labels, edits, memos, buttons

TkyLabel::TkyLabel()
{
    SetColor(clNone);
}

void TkyLabel::SetAlignment(int value)
{
    FAlignment = value;
    Changed();
}

void TkyLabel::SetLayout(int value)
{
    FLayout = value;
    Changed();
}

void TkyLabel::SetWordWrap(bool value)
{
    FWordWrap = value;
    Changed();
}

TkyEdit::TkyEdit()
{
    SetColor(clWindow);
}

void TkyEdit::SetText(const QString &value)
{
    const QString text = FCharCase == ecUpperCase   ? value.toUpper()
                         : FCharCase == ecLowerCase ? value.toLower()
                                                    : value;
    if (text == Text())
        return;
    TkyControl::SetText(text);
    if (auto handler = OnChange)
        handler(this);
}

void TkyEdit::UserSetText(const QString &value)
{
    SetText(FMaxLength > 0 ? value.left(FMaxLength) : value);
}

void TkyEdit::SetMaxLength(int value)
{
    FMaxLength = qMax(0, value);
    Changed();
}

void TkyEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    Changed();
}

void TkyEdit::SetPasswordChar(QChar value)
{
    FPasswordChar = value;
    Changed();
}

void TkyEdit::SetCharCase(int value)
{
    FCharCase = value;
    SetText(Text()); // the platform converts the text at once
}

TkyMemo::TkyMemo()
{
    SetColor(clWindow);
    FLines.SetOnChange([this](TStrings &) {
        Changed();
        if (auto handler = OnChange)
            handler(this);
    });
}

void TkyMemo::SetWordWrap(bool value)
{
    FWordWrap = value;
    Changed();
}

void TkyMemo::SetScrollBars(int value)
{
    FScrollBars = value;
    Changed();
}

void TkyMemo::SetReadOnly(bool value)
{
    FReadOnly = value;
    Changed();
}

void TkyMemo::UserSetText(const QString &value)
{
    const QString text = FMaxLength > 0 ? value.left(FMaxLength) : value;
    if (text != FLines.Text())
        FLines.SetText(text);
}

TkyButton::TkyButton() = default;

void TkyButton::Click()
{
    const quint64 handle = Handle();
    if (FModalResult != mrNone)
        if (TkyCustomForm *form = ParentForm())
            form->SetModalResult(FModalResult);
    if (alive(handle))
        TkyControl::Click();
}

void TkyButton::SetDefault(bool value)
{
    FDefault = value;
    Changed();
}

void TkyButton::SetCancel(bool value)
{
    FCancel = value;
    Changed();
}

TkyCheckBox::TkyCheckBox() = default;

void TkyCheckBox::SetState(int value)
{
    if (value < cbUnchecked || value > cbGrayed)
        throw EListError(u"Invalid check box state (%1)"_s.arg(value));
    if (FState == value)
        return;
    FState = value;
    Changed();
    Click();
}

void TkyCheckBox::SetAllowGrayed(bool value)
{
    FAllowGrayed = value;
    Changed();
}

void TkyCheckBox::UserToggle()
{
    switch (FState) {
    case cbUnchecked:
        SetState(cbChecked);
        break;
    case cbChecked:
        SetState(FAllowGrayed ? cbGrayed : cbUnchecked);
        break;
    default:
        SetState(cbUnchecked);
    }
}

TkyRadioButton::TkyRadioButton() = default;

void TkyRadioButton::SetChecked(bool value)
{
    if (FChecked == value)
        return;
    FChecked = value;
    Changed();
    if (!value)
        return;
    if (TkyWinControl *parent = Parent()) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            auto *sibling = dynamic_cast<TkyRadioButton *>(parent->Controls(i));
            if (sibling && sibling != this && sibling->FChecked) {
                sibling->FChecked = false;
                sibling->Changed();
            }
        }
    }
    Click();
}

// ---------------------------------------------------------------------------------------
// Combo and list boxes

void TkyItemsState::CheckItemIndex(const TStrings &items, int index)
{
    if (index < -1 || index >= items.Count())
        listIndexError(index);
}

TkyCustomComboBox::TkyCustomComboBox()
{
    SetColor(clWindow);
    FItems.SetOnChange([this](TStrings &) { itemsChanged(); });
}

void TkyCustomComboBox::itemsChanged()
{
    if (FItemIndex >= FItems.Count())
        FItemIndex = -1;
    Changed();
}

void TkyCustomComboBox::SetItemIndex(int value)
{
    TkyItemsState::CheckItemIndex(FItems, value);
    if (value == FItemIndex)
        return;
    FItemIndex = value;
    TkyControl::SetText(value >= 0 ? FItems.Strings(value) : QString());
    Changed();
}

void TkyCustomComboBox::SetText(const QString &value)
{
    const int index = FItems.IndexOf(value);
    if (FStyle == csDropDownList && index < 0 && !value.isEmpty())
        return; // a drop-down list shows only its items
    FItemIndex = index;
    TkyControl::SetText(index >= 0 ? FItems.Strings(index) : value);
    Changed();
}

void TkyCustomComboBox::SetStyle(int value)
{
    FStyle = value;
    Changed();
}

void TkyCustomComboBox::SetDroppedDown(bool value)
{
    if (FDroppedDown == value)
        return;
    FDroppedDown = value;
    Changed();
    if (auto handler = value ? OnDropDown : OnCloseUp)
        handler(this);
}

void TkyCustomComboBox::UserSelect(int index)
{
    const quint64 handle = Handle();
    SetItemIndex(index);
    if (auto handler = OnChange)
        handler(this);
    if (alive(handle))
        Click();
}

void TkyCustomComboBox::UserSetText(const QString &value)
{
    FItemIndex = FItems.IndexOf(value);
    TkyControl::SetText(value);
    if (auto handler = OnChange)
        handler(this);
}

TkyCustomListBox::TkyCustomListBox()
{
    SetColor(clWindow);
    FItems.SetOnChange([this](TStrings &) { itemsChanged(); });
}

void TkyCustomListBox::itemsChanged()
{
    if (FSelected.size() != size_t(FItems.Count()))
        FSelected.assign(size_t(FItems.Count()), false);
    if (FItemIndex >= FItems.Count())
        FItemIndex = -1;
    Changed();
}

void TkyCustomListBox::checkIndex(int index) const
{
    if (index < 0 || index >= FItems.Count())
        listIndexError(index);
}

void TkyCustomListBox::SetItemIndex(int value)
{
    TkyItemsState::CheckItemIndex(FItems, value);
    FItemIndex = value;
    if (FMultiSelect && value >= 0)
        FSelected[size_t(value)] = true;
    Changed();
}

void TkyCustomListBox::SetMultiSelect(bool value)
{
    FMultiSelect = value;
    FSelected.assign(size_t(FItems.Count()), false);
    if (value && FItemIndex >= 0)
        FSelected[size_t(FItemIndex)] = true;
    Changed();
}

int TkyCustomListBox::SelCount() const
{
    if (!FMultiSelect)
        return FItemIndex >= 0 ? 1 : 0;
    return int(std::count(FSelected.begin(), FSelected.end(), true));
}

bool TkyCustomListBox::Selected(int index) const
{
    checkIndex(index);
    return FMultiSelect ? bool(FSelected[size_t(index)]) : index == FItemIndex;
}

void TkyCustomListBox::SetSelected(int index, bool value)
{
    checkIndex(index);
    if (FMultiSelect)
        FSelected[size_t(index)] = value;
    else if (value)
        FItemIndex = index;
    else if (FItemIndex == index)
        FItemIndex = -1;
    Changed();
}

void TkyCustomListBox::UserSelect(const QList<int> &selected, int current)
{
    const int count = FItems.Count();
    if (FMultiSelect) {
        FSelected.assign(size_t(count), false);
        for (int row : selected)
            if (row >= 0 && row < count)
                FSelected[size_t(row)] = true;
    }
    FItemIndex = current >= 0 && current < count ? current : -1;
    Changed();
    Click();
}

// ---------------------------------------------------------------------------------------
// Forms

TkyCustomForm::TkyCustomForm()
    : FCanvas(std::make_unique<TkyCanvas>())
{
    setVisibleRaw(false);
    setBoundsRaw(0, 0, 320, 240);
}

TkyCustomForm::~TkyCustomForm()
{
    // The presenter lets go of the window while the controls still exist.
    kyFormPresenter().Destroyed(*this);
}

void TkyCustomForm::SetVisible(bool value)
{
    if (value)
        Show();
    else
        Hide();
}

void TkyCustomForm::Show()
{
    if (FModal || Visible())
        return;
    const quint64 handle = Handle();
    setVisibleRaw(true);
    if (auto handler = OnShow)
        handler(this);
    if (alive(handle) && Visible())
        kyFormPresenter().Show(*this);
}

void TkyCustomForm::Hide()
{
    if (!Visible())
        return;
    if (FModal) {
        SetModalResult(mrCancel); // hiding a modal form ends it
        return;
    }
    const quint64 handle = Handle();
    setVisibleRaw(false);
    kyFormPresenter().Hide(*this);
    if (!alive(handle))
        return;
    if (auto handler = OnHide)
        handler(this);
}

TModalResult TkyCustomForm::ShowModal()
{
    if (Visible() || FModal)
        throw EkyError(u"Cannot make a visible window modal"_s);
    const quint64 handle = Handle();
    FModalResult = mrNone;
    FModal = true;
    setVisibleRaw(true);
    // Leaving modal state on every path, also when a handler raises.
    auto leave = [this, handle] {
        if (alive(handle)) {
            FModal = false;
            setVisibleRaw(false);
        }
    };
    TModalResult result = mrCancel;
    try {
        if (auto handler = OnShow)
            handler(this);
        if (!alive(handle))
            return mrCancel;
        DoActivate();
        if (!alive(handle))
            return mrCancel;
        result = kyFormPresenter().ShowModal(*this);
    } catch (...) {
        leave();
        throw;
    }
    if (!alive(handle))
        return result;
    leave();
    DoDeactivate();
    if (alive(handle))
        if (auto handler = OnHide)
            handler(this);
    return result;
}

bool TkyCustomForm::closeQuery()
{
    bool canClose = true;
    if (auto handler = OnCloseQuery)
        handler(this, canClose);
    return canClose;
}

bool TkyCustomForm::CloseModal()
{
    const quint64 handle = Handle();
    if (!closeQuery()) {
        if (alive(handle))
            FModalResult = mrNone;
        return false;
    }
    if (!alive(handle))
        return true;
    int action = caHide;
    if (auto handler = OnClose)
        handler(this, action);
    if (!alive(handle))
        return true;
    if (action == caNone) {
        FModalResult = mrNone;
        return false;
    }
    return true;
}

void TkyCustomForm::Close()
{
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    const quint64 handle = Handle();
    if (!closeQuery() || !alive(handle))
        return;
    int action = caHide;
    if (auto handler = OnClose)
        handler(this, action);
    if (!alive(handle))
        return;
    // caFree hides: freeing here would pull the form from under the handler that called
    // Close; its owner (the script or a component) frees it.
    if (action == caMinimize)
        SetWindowState(wsMinimized);
    else if (action != caNone)
        Hide();
}

void TkyCustomForm::SetModalResult(int value)
{
    FModalResult = value;
    if (FModal)
        Changed();
}

void TkyCustomForm::SetBorderStyle(int value)
{
    FBorderStyle = value;
    Changed();
}

void TkyCustomForm::SetWindowState(int value)
{
    FWindowState = value;
    Changed();
}

TkyWinControl *TkyCustomForm::ActiveControl() const
{
    return dynamic_cast<TkyWinControl *>(TObject::FromHandle(FActiveControl));
}

void TkyCustomForm::SetActiveControl(TkyWinControl *value)
{
    FActiveControl = value ? value->Handle() : 0;
    Changed();
}

void TkyCustomForm::DoPaint()
{
    if (auto handler = OnPaint)
        handler(this);
}

void TkyCustomForm::DoCreate()
{
    if (auto handler = OnCreate)
        handler(this);
}

void TkyCustomForm::DoDestroy()
{
    if (auto handler = OnDestroy)
        handler(this);
}

void TkyCustomForm::DoActivate()
{
    if (auto handler = OnActivate)
        handler(this);
}

void TkyCustomForm::DoDeactivate()
{
    if (auto handler = OnDeactivate)
        handler(this);
}

QString TkyApplication::ExeName() const
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

void TkyApplication::ProcessMessages()
{
    kavUIServices().ProcessMessages();
}
