#pragma once

// Script forms on the screen: Qt widgets built from the forms module's controls whenever a
// form is shown, fed back with the user's input, and torn down when it hides or dies.
//
// Each shown form gets a dialog of its own, with one widget per placed control (object
// name = the control's Name; geometry in pixels from Left/Top/Width/Height). User input
// goes to the model at once (Text, Checked, ItemIndex, Selected) and fires the model's
// events; script changes come back through Changed(). Every callback into the model may
// free controls or the form: widgets find their control by handle each time and stop when
// it is gone. Errors raised by script handlers end the innermost modal loop with mrCancel
// and are raised again from ShowModal (outside modal loops they go to the UI services'
// error box), so no exception ever crosses Qt's event loop.

#include <scriptlib/ky_formsrtti.h>

#include <memory>

class QWidget;

class TkavQtFormPresenter : public TkyFormPresenter
{
public:
    TkavQtFormPresenter();
    ~TkavQtFormPresenter() override;

    // Builds the dialog and runs it (exec) until the form may close. A button with a
    // ModalResult closes it with that result (after OnCloseQuery/OnClose agree); Enter
    // clicks the Default button, Escape the Cancel button (or answers mrCancel).
    TModalResult ShowModal(TkyCustomForm &form) override;
    void Show(TkyCustomForm &form) override;
    void Hide(TkyCustomForm &form) override;
    void Changed(TkyControl &control) override;
    void Destroyed(TkyControl &control) override;
    void Repaint(TkyCustomForm &form) override;

    // The window of a shown form, or nullptr (for hosts and tests).
    QWidget *FormWidget(const TkyCustomForm &form) const;
    // The widget showing control, or nullptr.
    QWidget *ControlWidget(const TkyControl &control) const;

    struct Impl; // the widgets and their wiring (kavFormsQt.cpp)

private:
    std::unique_ptr<Impl> d;
};

// Installs the Qt presenter when a QApplication exists (the headless one stays otherwise);
// the headless presenter comes back when the application object is destroyed.
void kavInstallQtFormPresenter();
