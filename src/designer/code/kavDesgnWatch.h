#pragma once

// The script debugger's evaluate dialog and watch list: an expression computed in the paused
// report script, and the expressions shown again at every pause.

#include <QDialog>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TkyScript;
class Variant;

// A value as the debugger shows it: "True"/"False", strings in single quotes, "Null", else
// its text.
QString kavWatchValueText(const Variant &value);
// The value text of Expression evaluated by script; a compile error shows as its message.
QString kavEvaluateText(TkyScript &script, const QString &expression);

// Computes an expression on Enter; in watch mode only takes one (OK/Cancel, no result).
class TkavEvaluateForm : public QDialog
{
public:
    TkavEvaluateForm(TkyScript *script, bool isWatch, QWidget *parent = nullptr);

    QString Expression() const;
    void SetExpression(const QString &text);
    QString Result() const;
    // Evaluates the expression into the result and selects the expression again.
    void EvaluateExpression();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    TkyScript *FScript;
    bool FIsWatch;
    QLineEdit *FExpressionE;
    QPlainTextEdit *FResultM;
};

// The watches: expressions with an enabled state, listed with their values while the
// report runs for debugging. The user cannot close it; the designer hides it.
class TkavWatchForm : public QWidget
{
public:
    explicit TkavWatchForm(QWidget *parent = nullptr);

    struct Watch
    {
        QString Expression;
        bool Enabled = true;
    };
    const QList<Watch> &Watches() const { return FWatches; }
    // One expression per line, as saved in the settings; restored watches are disabled.
    QString WatchListText() const;
    void SetWatchListText(const QString &text);

    void SetScript(TkyScript *script) { FScript = script; }
    void SetScriptRunning(bool running);
    // Rebuilds the list with the current values.
    void UpdateWatches();

    void AddWatch();
    void EditWatch();
    void DeleteWatch();
    void SetEnabled(int index, bool enabled);
    QListWidget &WatchLB() const { return *FWatchLB; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QToolButton *addButton(const char *name, int hint, int image, void (TkavWatchForm::*run)());
    bool askExpression(QString &expression);

    QList<Watch> FWatches;
    TkyScript *FScript = nullptr;
    bool FScriptRunning = false;
    bool FUpdating = false;
    QListWidget *FWatchLB;
};
