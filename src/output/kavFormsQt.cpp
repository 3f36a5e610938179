#include "kavFormsQt.h"

#include <prepared/kavFonts.h>
#include <prepared/kavPaintUtils.h>
#include <rtl/kavColors.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavUIServices.h>
#include <scriptlib/ky_graphicsrtti.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>

#include <exception>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

bool isAlive(quint64 handle)
{
    return TObject::FromHandle(handle) != nullptr;
}

// The window of a form: tells the presenter about Escape, the close box, resizes and paints.
class KavFormDialog : public QDialog
{
public:
    std::function<void()> onReject;
    std::function<void()> onCloseBox;
    std::function<void(bool sized)> onResize; // moved or resized by the user
    std::function<void(QPainter &)> onPaint;

    void reject() override
    {
        if (onReject)
            onReject();
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore(); // the form decides (OnCloseQuery)
        if (onCloseBox)
            onCloseBox();
    }
    void resizeEvent(QResizeEvent *event) override
    {
        QDialog::resizeEvent(event);
        if (onResize)
            onResize(true);
    }
    void moveEvent(QMoveEvent *event) override
    {
        QDialog::moveEvent(event);
        if (onResize)
            onResize(false);
    }
    void paintEvent(QPaintEvent *event) override
    {
        QDialog::paintEvent(event);
        if (onPaint) {
            QPainter painter(this);
            onPaint(painter);
        }
    }
};

// A combo box that reports its list opening and closing.
class KavComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void(bool)> onDropped;

    void showPopup() override
    {
        if (onDropped)
            onDropped(true);
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (onDropped)
            onDropped(false);
    }
};

// Forwards the events of every shown widget to the presenter.
class KavEventFilter : public QObject
{
public:
    std::function<bool(QWidget *, QEvent *)> onEvent;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        return widget && onEvent && onEvent(widget, event);
    }
};

// Virtual-key code of a key event; 0 for keys scripts have no code for.
quint16 virtualKey(const QKeyEvent &event)
{
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint16(key); // 'A'..'Z'
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint16(event.modifiers() & Qt::KeypadModifier ? 96 + (key - Qt::Key_0) : key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return quint16(112 + (key - Qt::Key_F1));
    static const std::pair<int, quint16> keys[]
        = {{Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},
           {Qt::Key_Clear, 12},    {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
           {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},
           {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},
           {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34},
           {Qt::Key_End, 35},      {Qt::Key_Home, 36},     {Qt::Key_Left, 37},
           {Qt::Key_Up, 38},       {Qt::Key_Right, 39},    {Qt::Key_Down, 40},
           {Qt::Key_Print, 42},    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},
           {Qt::Key_Help, 47},     {Qt::Key_Menu, 93},     {Qt::Key_Asterisk, 106},
           {Qt::Key_Plus, 107},    {Qt::Key_Minus, 109},   {Qt::Key_Period, 110},
           {Qt::Key_Slash, 111},   {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145}};
    for (const auto &[qtKey, vk] : keys)
        if (qtKey == key)
            return vk;
    return 0;
}

// Shift-state bits (shift, alt, ctrl, then the mouse buttons and the double click).
int shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {}, bool dbl = false)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1 << ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= 1 << ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= 1 << ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= 1 << ssLeft;
    if (buttons & Qt::RightButton)
        shift |= 1 << ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= 1 << ssMiddle;
    if (dbl)
        shift |= 1 << ssDouble;
    return shift;
}

TMouseButton mouseButton(Qt::MouseButton button)
{
    return button == Qt::RightButton ? mbRight : button == Qt::MiddleButton ? mbMiddle : mbLeft;
}

// Windows use the screen's hinting; only the family is substituted as for reports.
QFont qtFont(const TFont &font)
{
    QFont f(kavSubstituteFontFamily(font.Name()));
    f.setPointSize(qMax(1, font.Size()));
    f.setBold(font.Style().Contains(fsBold));
    f.setItalic(font.Style().Contains(fsItalic));
    f.setUnderline(font.Style().Contains(fsUnderline));
    f.setStrikeOut(font.Style().Contains(fsStrikeOut));
    return f;
}

// Explicit colours only: system colours and clNone leave the style's own.
void applyColor(QWidget &w, TColor color, std::initializer_list<QPalette::ColorRole> roles)
{
    if (color == clNone || kavIsSystemColor(color))
        return;
    const QColor qc = kavColorToQColor(color);
    QPalette palette = w.palette();
    bool changed = false;
    for (QPalette::ColorRole role : roles)
        if (palette.color(role) != qc) {
            palette.setColor(role, qc);
            changed = true;
        }
    if (changed)
        w.setPalette(palette);
}

Qt::Alignment qtAlignment(int alignment)
{
    return alignment == taRightJustify ? Qt::AlignRight
           : alignment == taCenter     ? Qt::AlignHCenter
                                       : Qt::AlignLeft;
}

Qt::Alignment qtLayout(int layout)
{
    return layout == tlCenter   ? Qt::AlignVCenter
           : layout == tlBottom ? Qt::AlignBottom
                                : Qt::AlignTop;
}

QStringList itemTexts(const TStrings &items)
{
    return items.ToStringList();
}

} // namespace

// ---------------------------------------------------------------------------------------

struct TkavQtFormPresenter::Impl
{
    // One shown control: its widget, the parent it was built under and its form.
    struct ControlEntry
    {
        QPointer<QWidget> widget;
        quint64 handle = 0;
        const TkyControl *builtParent = nullptr;
        const TkyControl *form = nullptr;
    };
    struct FormEntry
    {
        QPointer<KavFormDialog> dialog;
        quint64 handle = 0;
        bool closing = false; // the close sequence is running
        bool closeQueued = false;
        bool rebuildQueued = false;
    };

    std::unordered_map<const TkyControl *, ControlEntry> controls;
    std::unordered_map<const TkyControl *, FormEntry> forms;
    // Widgets (and their viewports and editors) to the control they show.
    std::unordered_map<const QWidget *, const TkyControl *> byWidget;
    KavEventFilter filter;
    int updating = 0;     // model -> widget in progress: widget signals are not user input
    int synthesizing = 0; // a replaced key is being delivered
    std::vector<QPointer<KavFormDialog>> modalStack;
    std::exception_ptr pendingError;

    Impl()
    {
        filter.onEvent = [this](QWidget *w, QEvent *e) { return event(w, e); };
    }

    // The control c while it lives and is still the one shown (handle h), else nullptr.
    template <class T = TkyControl>
    T *live(const TkyControl *c, quint64 h) const
    {
        if (!isAlive(h))
            return nullptr;
        if (auto it = controls.find(c); it != controls.end() && it->second.handle == h)
            return dynamic_cast<T *>(const_cast<TkyControl *>(c));
        if (auto it = forms.find(c); it != forms.end() && it->second.handle == h)
            return dynamic_cast<T *>(const_cast<TkyControl *>(c));
        return nullptr;
    }

    // Runs a call into the model; a script error ends the innermost modal loop (and is
    // raised again by its ShowModal) or, outside modal loops, is shown.
    template <class F>
    void guarded(F &&call)
    {
        try {
            call();
        } catch (...) {
            failed(std::current_exception());
        }
    }

    void failed(std::exception_ptr error)
    {
        if (!modalStack.empty()) {
            if (!pendingError)
                pendingError = error;
            if (KavFormDialog *dialog = modalStack.back())
                dialog->done(mrCancel);
            return;
        }
        QString message;
        try {
            std::rethrow_exception(error);
        } catch (const Exception &e) {
            message = e.Message();
        } catch (const std::exception &e) {
            message = QString::fromLocal8Bit(e.what());
        } catch (...) {
            message = u"Unknown error"_s;
        }
        kavUIServices().MessageDlg(message, mtError, TMsgDlgButtons{mbOK});
    }

    struct Updating
    {
        explicit Updating(Impl &impl)
            : d(impl)
        {
            ++d.updating;
        }
        ~Updating() { --d.updating; }
        Impl &d;
    };

    // --- building ---------------------------------------------------------------------

    KavFormDialog *present(TkyCustomForm &form)
    {
        FormEntry &entry = forms[&form];
        if (entry.dialog)
            return entry.dialog;
        auto *dialog = new KavFormDialog;
        entry = FormEntry{dialog, form.Handle()};
        const TkyControl *key = &form;
        const quint64 h = form.Handle();
        dialog->onReject = [this, key, h] { userCancel(key, h, true); };
        dialog->onCloseBox = [this, key, h] { userCancel(key, h, false); };
        dialog->onResize = [this, key, h, dialog](bool sized) {
            if (updating)
                return;
            if (auto *f = live<TkyCustomForm>(key, h)) {
                // Left and Top are the frame's position, as move() takes it.
                SetBoundsRaw(*f, dialog->x(), dialog->y(), dialog->width(), dialog->height());
                if (sized)
                    guarded([f] { f->DoResize(); });
            }
        };
        dialog->onPaint = [this, key, h](QPainter &painter) { paint(key, h, painter); };
        byWidget[dialog] = &form;
        dialog->installEventFilter(&filter);
        {
            Updating guard(*this);
            switch (form.BorderStyle()) {
            case bsNone:
                dialog->setWindowFlag(Qt::FramelessWindowHint);
                break;
            case bsToolWindow:
            case bsSizeToolWin:
                dialog->setWindowFlag(Qt::Tool);
                break;
            default:
                break;
            }
            if (form.FormStyle() == fsStayOnTop)
                dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
        }
        buildChildren(form, dialog, &form);
        applyForm(form, *dialog);
        return dialog;
    }

    void buildChildren(const TkyWinControl &parent, QWidget *container, const TkyControl *form)
    {
        for (int i = 0; i < parent.ControlCount(); ++i) {
            TkyControl *c = parent.Controls(i);
            QWidget *w = create(*c, container);
            controls[c] = ControlEntry{w, c->Handle(), &parent, form};
            watch(*w, c);
            applyControl(*c, *w);
            if (auto *wc = dynamic_cast<TkyWinControl *>(c)) {
                auto *area = qobject_cast<QScrollArea *>(w);
                buildChildren(*wc, area ? area->widget() : w, form);
            }
        }
    }

    void watch(QWidget &w, const TkyControl *c)
    {
        byWidget[&w] = c;
        w.installEventFilter(&filter);
    }

    QWidget *create(TkyControl &c, QWidget *parent)
    {
        TkyControl *key = &c;
        const quint64 h = c.Handle();
        if (dynamic_cast<TkyLabel *>(&c))
            return new QLabel(parent);
        if (dynamic_cast<TkyEdit *>(&c)) {
            auto *edit = new QLineEdit(parent);
            QObject::connect(
                edit, &QLineEdit::textEdited, edit, [this, key, h](const QString &text) {
                    if (auto *e = updating ? nullptr : live<TkyEdit>(key, h))
                        guarded([e, &text] { e->UserSetText(text); });
                });
            return edit;
        }
        if (dynamic_cast<TkyMemo *>(&c)) {
            auto *memo = new QPlainTextEdit(parent);
            watch(*memo->viewport(), &c);
            QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this, key, h, memo] {
                if (auto *m = updating ? nullptr : live<TkyMemo>(key, h))
                    guarded([m, memo] { m->UserSetText(memo->toPlainText()); });
            });
            return memo;
        }
        if (dynamic_cast<TkyButton *>(&c)) {
            auto *button = new QPushButton(parent);
            QObject::connect(button, &QPushButton::clicked, button, [this, key, h] {
                if (auto *b = updating ? nullptr : live<TkyButton>(key, h))
                    guarded([b] { b->Click(); });
            });
            return button;
        }
        if (dynamic_cast<TkyCheckBox *>(&c)) {
            auto *check = new QCheckBox(parent);
            QObject::connect(check, &QCheckBox::clicked, check, [this, key, h, check] {
                if (auto *b = updating ? nullptr : live<TkyCheckBox>(key, h)) {
                    guarded([b] { b->UserToggle(); });
                    resync(key, h, check); // the model's state, not the one Qt cycled to
                }
            });
            return check;
        }
        if (dynamic_cast<TkyRadioButton *>(&c)) {
            auto *radio = new QRadioButton(parent);
            radio->setAutoExclusive(false); // the model unchecks the siblings
            QObject::connect(radio, &QRadioButton::clicked, radio, [this, key, h, radio] {
                if (auto *r = updating ? nullptr : live<TkyRadioButton>(key, h)) {
                    guarded([r] { r->SetChecked(true); });
                    resync(key, h, radio);
                }
            });
            return radio;
        }
        if (dynamic_cast<TkyGroupBox *>(&c))
            return new QGroupBox(parent);
        if (auto *model = dynamic_cast<TkyCustomComboBox *>(&c)) {
            auto *combo = new KavComboBox(parent);
            combo->setEditable(model->Style() != csDropDownList);
            combo->onDropped = [this, key, h](bool dropped) {
                if (auto *m = updating ? nullptr : live<TkyCustomComboBox>(key, h))
                    guarded([m, dropped] { m->SetDroppedDown(dropped); });
            };
            QObject::connect(combo, &QComboBox::activated, combo, [this, key, h](int index) {
                if (auto *m = updating ? nullptr : live<TkyCustomComboBox>(key, h))
                    guarded([m, index] { m->UserSelect(index); });
            });
            if (QLineEdit *editor = combo->lineEdit()) {
                watch(*editor, &c);
                QObject::connect(
                    editor, &QLineEdit::textEdited, editor, [this, key, h](const QString &text) {
                        if (auto *m = updating ? nullptr : live<TkyCustomComboBox>(key, h))
                            guarded([m, &text] { m->UserSetText(text); });
                    });
            }
            return combo;
        }
        if (dynamic_cast<TkyCustomListBox *>(&c)) {
            auto *list = new QListWidget(parent);
            watch(*list->viewport(), &c);
            QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this, key, h, list] {
                auto *m = updating ? nullptr : live<TkyCustomListBox>(key, h);
                if (!m)
                    return;
                QList<int> rows;
                for (const QModelIndex &index : list->selectionModel()->selectedIndexes())
                    rows << index.row();
                const int current
                    = m->MultiSelect() ? list->currentRow() : (rows.isEmpty() ? -1 : rows.first());
                guarded([m, &rows, current] { m->UserSelect(rows, current); });
            });
            return list;
        }
        if (dynamic_cast<TkyScrollBox *>(&c)) {
            auto *area = new QScrollArea(parent);
            area->setWidget(new QWidget);
            watch(*area->viewport(), &c);
            return area;
        }
        if (dynamic_cast<TkyWinControl *>(&c))
            return new QFrame(parent);
        return new QWidget(parent);
    }

    // Puts the model's state back after a widget changed itself.
    void resync(const TkyControl *key, quint64 h, QWidget *w)
    {
        if (auto *c = live(key, h))
            applyControl(*c, *w);
    }

    // --- model -> widgets ---------------------------------------------------------------

    void applyCommon(const TkyControl &c, QWidget &w)
    {
        if (w.objectName() != c.Name())
            w.setObjectName(c.Name());
        const QRect r(c.Left(), c.Top(), c.Width(), c.Height());
        if (w.geometry() != r)
            w.setGeometry(r);
        if (w.isVisibleTo(w.parentWidget()) != c.Visible())
            w.setVisible(c.Visible());
        w.setEnabled(c.Enabled());
        w.setToolTip(c.Hint());
        const QFont font = qtFont(c.Font());
        if (w.font() != font)
            w.setFont(font);
        applyColor(
            w, c.Font().Color(), {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});
    }

    void applyControl(const TkyControl &c, QWidget &w)
    {
        Updating guard(*this);
        applyCommon(c, w);
        if (auto *m = dynamic_cast<const TkyLabel *>(&c)) {
            auto &label = static_cast<QLabel &>(w);
            if (label.text() != m->Text())
                label.setText(m->Text());
            label.setAlignment(qtAlignment(m->Alignment()) | qtLayout(m->Layout()));
            label.setWordWrap(m->WordWrap());
            applyColor(w, c.Color(), {QPalette::Window});
            label.setAutoFillBackground(c.Color() != clNone && !kavIsSystemColor(c.Color()));
            return;
        }
        if (auto *m = dynamic_cast<const TkyEdit *>(&c)) {
            auto &edit = static_cast<QLineEdit &>(w);
            if (edit.text() != m->Text())
                edit.setText(m->Text());
            edit.setMaxLength(m->MaxLength() > 0 ? m->MaxLength() : 32767);
            edit.setReadOnly(m->ReadOnly());
            edit.setEchoMode(m->PasswordChar().isNull() ? QLineEdit::Normal : QLineEdit::Password);
            applyColor(w, c.Color(), {QPalette::Base});
            return;
        }
        if (auto *m = dynamic_cast<const TkyMemo *>(&c)) {
            auto &memo = static_cast<QPlainTextEdit &>(w);
            const QString text = m->Lines().ToStringList().join(u'\n');
            if (memo.toPlainText() != text)
                memo.setPlainText(text);
            memo.setLineWrapMode(m->WordWrap() ? QPlainTextEdit::WidgetWidth
                                               : QPlainTextEdit::NoWrap);
            memo.setReadOnly(m->ReadOnly());
            applyColor(w, c.Color(), {QPalette::Base});
            return;
        }
        if (auto *m = dynamic_cast<const TkyButton *>(&c)) {
            auto &button = static_cast<QPushButton &>(w);
            button.setText(m->Text());
            button.setDefault(m->Default());
            return;
        }
        if (auto *m = dynamic_cast<const TkyCheckBox *>(&c)) {
            auto &check = static_cast<QCheckBox &>(w);
            check.setText(m->Text());
            check.setTristate(m->AllowGrayed() || m->State() == cbGrayed);
            check.setCheckState(m->State() == cbChecked  ? Qt::Checked
                                : m->State() == cbGrayed ? Qt::PartiallyChecked
                                                         : Qt::Unchecked);
            return;
        }
        if (auto *m = dynamic_cast<const TkyRadioButton *>(&c)) {
            auto &radio = static_cast<QRadioButton &>(w);
            radio.setText(m->Text());
            radio.setChecked(m->Checked());
            return;
        }
        if (dynamic_cast<const TkyGroupBox *>(&c)) {
            static_cast<QGroupBox &>(w).setTitle(c.Text());
            return;
        }
        if (auto *m = dynamic_cast<const TkyCustomComboBox *>(&c)) {
            auto &combo = static_cast<QComboBox &>(w);
            const QStringList items = itemTexts(m->Items());
            QStringList shown;
            for (int i = 0; i < combo.count(); ++i)
                shown << combo.itemText(i);
            if (shown != items) {
                combo.clear();
                combo.addItems(items);
            }
            if (combo.currentIndex() != m->ItemIndex())
                combo.setCurrentIndex(m->ItemIndex());
            if (combo.isEditable() && combo.currentText() != m->Text())
                combo.setEditText(m->Text());
            applyColor(w, c.Color(), {QPalette::Base});
            return;
        }
        if (auto *m = dynamic_cast<const TkyCustomListBox *>(&c)) {
            applyList(*m, static_cast<QListWidget &>(w));
            return;
        }
        if (auto *m = dynamic_cast<const TkyScrollBox *>(&c)) {
            // The scrolled area reaches as far as the controls on it.
            QSize extent;
            for (int i = 0; i < m->ControlCount(); ++i) {
                const TkyControl *child = m->Controls(i);
                extent = extent.expandedTo(
                    QSize(child->Left() + child->Width(), child->Top() + child->Height()));
            }
            static_cast<QScrollArea &>(w).widget()->resize(extent);
        }
    }

    void applyList(const TkyCustomListBox &m, QListWidget &list)
    {
        const QStringList items = itemTexts(m.Items());
        QStringList shown;
        for (int i = 0; i < list.count(); ++i)
            shown << list.item(i)->text();
        if (shown != items) {
            list.clear();
            list.addItems(items);
        }
        list.setSelectionMode(m.MultiSelect() ? QAbstractItemView::ExtendedSelection
                                              : QAbstractItemView::SingleSelection);
        for (int i = 0; i < list.count(); ++i)
            list.item(i)->setSelected(m.Selected(i));
        if (list.currentRow() != m.ItemIndex())
            list.setCurrentRow(m.ItemIndex(), QItemSelectionModel::NoUpdate);
        applyColor(list, m.Color(), {QPalette::Base});
    }

    void applyForm(const TkyCustomForm &form, KavFormDialog &dialog)
    {
        Updating guard(*this);
        if (dialog.objectName() != form.Name())
            dialog.setObjectName(form.Name());
        if (dialog.windowTitle() != form.Text())
            dialog.setWindowTitle(form.Text());
        if (dialog.size() != QSize(form.Width(), form.Height()))
            dialog.resize(form.Width(), form.Height());
        if (form.Position() == poDesigned && dialog.pos() != QPoint(form.Left(), form.Top()))
            dialog.move(form.Left(), form.Top());
        dialog.setEnabled(form.Enabled());
        const QFont font = qtFont(form.Font());
        if (dialog.font() != font)
            dialog.setFont(font);
        applyColor(dialog, form.Color(), {QPalette::Window});
        if (form.WindowState() == wsMinimized)
            dialog.setWindowState(Qt::WindowMinimized);
        else if (form.WindowState() == wsMaximized)
            dialog.setWindowState(Qt::WindowMaximized);
        if (TkyWinControl *active = form.ActiveControl())
            if (auto it = controls.find(active);
                it != controls.end() && it->second.widget && !it->second.widget->hasFocus())
                it->second.widget->setFocus();
    }

    // --- user actions -------------------------------------------------------------------

    // Escape (cancel: the Cancel button answers when there is one) or the close box.
    void userCancel(const TkyControl *key, quint64 h, bool escape)
    {
        auto *form = live<TkyCustomForm>(key, h);
        if (!form)
            return;
        if (escape) {
            for (const auto &[c, entry] : controls) {
                auto *button = dynamic_cast<TkyButton *>(const_cast<TkyControl *>(c));
                if (entry.form == key && button && button->Cancel() && button->Visible()
                    && button->Enabled() && isAlive(entry.handle)) {
                    guarded([button] { button->Click(); });
                    return;
                }
            }
        }
        if (form->Modal())
            guarded([form] { form->SetModalResult(mrCancel); });
        else
            guarded([form] { form->Close(); });
    }

    void paint(const TkyControl *key, quint64 h, QPainter &painter)
    {
        auto *form = live<TkyCustomForm>(key, h);
        if (!form || !form->OnPaint || !form->Canvas())
            return;
        TkyCanvas *canvas = form->Canvas();
        canvas->SetPainter(&painter);
        guarded([form] { form->DoPaint(); });
        if (isAlive(h))
            canvas->SetPainter(nullptr);
    }

    // The control whose widget is w or holds it (w's events belong to it), or nullptr.
    const TkyControl *owner(const QWidget *w) const
    {
        for (; w; w = w->parentWidget())
            if (auto it = byWidget.find(w); it != byWidget.end())
                return it->second;
        return nullptr;
    }

    // Keyboard, mouse and focus of every shown widget.
    bool event(QWidget *w, QEvent *e)
    {
        const auto found = byWidget.find(w);
        if (found == byWidget.end() || updating)
            return false;
        const TkyControl *key = found->second;
        const quint64 h = handleOf(key);
        TkyControl *c = h ? live(key, h) : nullptr;
        if (!c)
            return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // Only the focused control's own key, not one its child passed up (without a
            // focused widget, as under test drivers, whoever receives it).
            const QWidget *focus = QApplication::focusWidget();
            if (synthesizing || (focus && owner(focus) != key))
                return false;
            auto *wc = dynamic_cast<TkyWinControl *>(c);
            return wc && key_(*wc, h, w, *static_cast<QKeyEvent *>(e));
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto *me = static_cast<QMouseEvent *>(e);
            // Only where no shown child lies under the pointer (children report their own).
            if (QWidget *child = w->childAt(me->position().toPoint()))
                if (const TkyControl *o = owner(child); o && o != key)
                    return false;
            mouse(*c, h, *me);
            return false;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            auto *wc = dynamic_cast<TkyWinControl *>(c);
            const auto reason = static_cast<QFocusEvent *>(e)->reason();
            if (!wc || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return false;
            if (e->type() == QEvent::FocusIn) {
                if (TkyCustomForm *form = wc->ParentForm(); form && form != wc)
                    guarded([form, wc] { form->SetActiveControl(wc); });
                if (isAlive(h))
                    guarded([wc] { wc->DoEnter(); });
            } else {
                guarded([wc] { wc->DoExit(); });
            }
            return false;
        }
        default:
            return false;
        }
    }

    quint64 handleOf(const TkyControl *key) const
    {
        if (auto it = controls.find(key); it != controls.end())
            return it->second.handle;
        if (auto it = forms.find(key); it != forms.end())
            return it->second.handle;
        return 0;
    }

    // KeyDown, then KeyPress for keys with text; true when a handler consumed the key.
    bool key_(TkyWinControl &c, quint64 h, QWidget *w, QKeyEvent &e)
    {
        const int shift = shiftState(e.modifiers());
        if (const quint16 vk = virtualKey(e)) {
            quint16 k = vk;
            if (e.type() == QEvent::KeyPress)
                guarded([&c, &k, shift] { c.DoKeyDown(k, shift); });
            else
                guarded([&c, &k, shift] { c.DoKeyUp(k, shift); });
            if (!isAlive(h) || k == 0)
                return true;
        }
        if (e.type() != QEvent::KeyPress || e.text().isEmpty())
            return false;
        const QChar typed = e.text().at(0);
        QChar ch = typed;
        guarded([&c, &ch] { c.DoKeyPress(ch); });
        if (!isAlive(h) || ch.isNull())
            return true;
        if (ch == typed)
            return false;
        // The handler changed the key: the widget receives the new character instead.
        QKeyEvent replaced(QEvent::KeyPress, Qt::Key_unknown, e.modifiers(), QString(ch));
        ++synthesizing;
        QCoreApplication::sendEvent(w, &replaced);
        --synthesizing;
        return true;
    }

    void mouse(TkyControl &c, quint64 h, QMouseEvent &e)
    {
        const QPoint p = e.position().toPoint();
        const bool dbl = e.type() == QEvent::MouseButtonDblClick;
        const int shift = shiftState(e.modifiers(), e.buttons() | e.button(), dbl);
        const TMouseButton button = mouseButton(e.button());
        if (dbl) {
            guarded([&c] { c.DoDblClick(); });
            return;
        }
        if (e.type() == QEvent::MouseButtonPress) {
            guarded([&] { c.DoMouseDown(button, shift, p.x(), p.y()); });
            return;
        }
        guarded([&] { c.DoMouseUp(button, shift, p.x(), p.y()); });
        // Buttons, boxes and lists report their clicks through their own signals.
        const bool clicksItself = dynamic_cast<TkyButton *>(&c) || dynamic_cast<TkyCheckBox *>(&c)
                                  || dynamic_cast<TkyRadioButton *>(&c)
                                  || dynamic_cast<TkyCustomComboBox *>(&c)
                                  || dynamic_cast<TkyCustomListBox *>(&c);
        if (!clicksItself && isAlive(h) && e.button() == Qt::LeftButton)
            guarded([&c] { c.Click(); });
    }

    // --- tearing down -------------------------------------------------------------------

    void dropWidget(QWidget *w)
    {
        if (!w)
            return;
        w->blockSignals(true);
        w->removeEventFilter(&filter);
        w->hide();
        w->deleteLater();
    }

    // Forgets every widget that shows control.
    void forget(const TkyControl *control)
    {
        std::erase_if(byWidget, [control](const auto &entry) { return entry.second == control; });
    }

    // Forgets and deletes the widgets of form's controls.
    void dropControls(const TkyControl *form)
    {
        for (auto it = controls.begin(); it != controls.end();) {
            if (it->second.form == form) {
                dropWidget(it->second.widget);
                it = controls.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = byWidget.begin(); it != byWidget.end();)
            it = it->second != form && !controls.count(it->second) && !forms.count(it->second)
                     ? byWidget.erase(it)
                     : std::next(it);
    }

    void teardown(const TkyControl *form)
    {
        const auto it = forms.find(form);
        if (it == forms.end())
            return;
        QPointer<KavFormDialog> dialog = it->second.dialog;
        forms.erase(it);
        dropControls(form);
        byWidget.erase(dialog.data());
        if (!dialog)
            return;
        dialog->onReject = nullptr;
        dialog->onCloseBox = nullptr;
        dialog->onResize = nullptr;
        dialog->onPaint = nullptr;
        dialog->removeEventFilter(&filter);
        dialog->done(mrCancel); // ends its modal loop, if one runs
        dialog->hide();
        dialog->deleteLater();
    }

    void queueClose(const TkyControl *form)
    {
        auto it = forms.find(form);
        if (it == forms.end() || it->second.closeQueued || !it->second.dialog)
            return;
        it->second.closeQueued = true;
        const quint64 h = it->second.handle;
        QTimer::singleShot(0, it->second.dialog, [this, form, h] { tryClose(form, h); });
    }

    // The close sequence of a modal form whose ModalResult became non-zero.
    void tryClose(const TkyControl *key, quint64 h)
    {
        auto it = forms.find(key);
        if (it == forms.end() || it->second.handle != h)
            return;
        it->second.closeQueued = false;
        auto *form = live<TkyCustomForm>(key, h);
        if (!form || !form->Modal() || form->ModalResult() == mrNone || it->second.closing)
            return;
        it->second.closing = true;
        bool closed = false;
        guarded([form, &closed] { closed = form->CloseModal(); });
        it = forms.find(key);
        if (it == forms.end() || !isAlive(h))
            return;
        it->second.closing = false;
        if (closed && it->second.dialog)
            it->second.dialog->done(form->ModalResult());
    }

    void queueRebuild()
    {
        for (auto &[key, entry] : forms) {
            if (entry.rebuildQueued || !entry.dialog)
                continue;
            entry.rebuildQueued = true;
            const TkyControl *form = key;
            const quint64 h = entry.handle;
            QTimer::singleShot(0, entry.dialog, [this, form, h] { rebuild(form, h); });
        }
    }

    // Builds the widgets of a form again after controls moved between parents.
    void rebuild(const TkyControl *key, quint64 h)
    {
        auto it = forms.find(key);
        auto *form = live<TkyCustomForm>(key, h);
        if (it == forms.end() || !form || !it->second.dialog)
            return;
        it->second.rebuildQueued = false;
        KavFormDialog *dialog = it->second.dialog;
        dropControls(key);
        buildChildren(*form, dialog, key);
        applyForm(*form, *dialog);
    }
};

// ---------------------------------------------------------------------------------------

TkavQtFormPresenter::TkavQtFormPresenter()
    : d(std::make_unique<Impl>())
{}

TkavQtFormPresenter::~TkavQtFormPresenter()
{
    // No script handler runs now: the windows can go at once.
    std::vector<QPointer<KavFormDialog>> dialogs;
    for (auto &[key, entry] : d->forms)
        dialogs.push_back(entry.dialog);
    d->forms.clear();
    d->controls.clear();
    d->byWidget.clear();
    for (const QPointer<KavFormDialog> &dialog : dialogs)
        delete dialog.data();
}

TModalResult TkavQtFormPresenter::ShowModal(TkyCustomForm &form)
{
    const quint64 h = form.Handle();
    QPointer<KavFormDialog> dialog = d->present(form);
    dialog->setModal(true);
    if (form.ModalResult() != mrNone) // OnShow answered already
        d->queueClose(&form);
    d->modalStack.push_back(dialog);
    std::exception_ptr outer = std::exchange(d->pendingError, nullptr);
    dialog->exec();
    d->modalStack.pop_back();
    const std::exception_ptr error = std::exchange(d->pendingError, outer);
    TModalResult result = mrCancel;
    if (isAlive(h)) {
        if (form.ModalResult() != mrNone && !error)
            result = form.ModalResult();
        d->teardown(&form);
    }
    if (error)
        std::rethrow_exception(error);
    return result;
}

void TkavQtFormPresenter::Show(TkyCustomForm &form)
{
    if (KavFormDialog *dialog = d->present(form))
        dialog->show();
}

void TkavQtFormPresenter::Hide(TkyCustomForm &form)
{
    d->teardown(&form);
}

void TkavQtFormPresenter::Changed(TkyControl &control)
{
    if (auto it = d->forms.find(&control); it != d->forms.end()) {
        auto &form = static_cast<TkyCustomForm &>(control);
        if (it->second.dialog)
            d->applyForm(form, *it->second.dialog);
        if (form.Modal() && form.ModalResult() != mrNone)
            d->queueClose(&control);
        return;
    }
    const auto it = d->controls.find(&control);
    if (it == d->controls.end() || !it->second.widget || it->second.builtParent != control.Parent()
        || it->second.handle != control.Handle()) {
        d->queueRebuild(); // placed, moved or removed while shown
        return;
    }
    d->applyControl(control, *it->second.widget);
}

void TkavQtFormPresenter::Destroyed(TkyControl &control)
{
    if (d->forms.count(&control)) {
        d->teardown(&control);
        return;
    }
    const auto it = d->controls.find(&control);
    if (it == d->controls.end())
        return;
    QWidget *w = it->second.widget;
    d->controls.erase(it);
    d->forget(&control);
    d->dropWidget(w);
}

void TkavQtFormPresenter::Repaint(TkyCustomForm &form)
{
    if (QWidget *w = FormWidget(form))
        w->update();
}

QWidget *TkavQtFormPresenter::FormWidget(const TkyCustomForm &form) const
{
    const auto it = d->forms.find(&form);
    return it != d->forms.end() ? it->second.dialog.data() : nullptr;
}

QWidget *TkavQtFormPresenter::ControlWidget(const TkyControl &control) const
{
    if (const auto it = d->controls.find(&control); it != d->controls.end())
        return it->second.widget;
    return nullptr;
}

void kavInstallQtFormPresenter()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    kySetFormPresenter(std::make_unique<TkavQtFormPresenter>());
    static bool cleanupAdded = false;
    if (!cleanupAdded) {
        cleanupAdded = true;
        qAddPostRoutine([] { kySetFormPresenter(nullptr); });
    }
}
