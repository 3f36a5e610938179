#pragma once

// TForm1: the program's main window: the report designer on the Designer tab and a preview
// of the same report on the Preview tab, with the main menu bound to the designer's
// commands. Choosing the Preview tab runs the report as the designer holds it, on a
// snapshot that is put back afterwards, so a run never changes the design.

#include <QKeySequence>
#include <QMainWindow>

#include <functional>

class QMenu;
class QTabWidget;
class TkavDesignerPanel;
class TkavPreview;
class TkavReport;

class TForm1 : public QMainWindow
{
public:
    // The window works on report (not owned; it outlives the window).
    explicit TForm1(TkavReport &report, QWidget *parent = nullptr);
    ~TForm1() override;

    TkavReport &kavReport1() const { return FReport; }
    TkavDesignerPanel &Designer() const { return *FDesigner; }
    TkavPreview &kavPreview1() const { return *FPreview; }
    QTabWidget &PageControl1() const { return *FPageControl; }
    // A menu command by its item name ("SaveMI", "UndoMI", ...); null when there is none.
    QAction *MenuItem(const QString &name) const;
    // Shows the Designer (0) or the Preview (1) tab.
    void ShowSheet(int index);
    // Runs the report into the preview; false when the run did not succeed.
    bool RunPreview();

protected:
    // A modified report asks Save / Discard / Cancel; Cancel keeps the window and the work.
    void closeEvent(QCloseEvent *event) override;

private:
    void PageControl1Change(int index);
    void buildMenu();
    QAction *addItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &keys,
                     std::function<void()> command);
    void fillRecentMenu();
    // Caption and the enabled state of the commands, after any change of the document.
    void UpdateCommands();

    TkavReport &FReport;
    QTabWidget *FPageControl;
    TkavDesignerPanel *FDesigner;
    TkavPreview *FPreview;
    QMenu *FRecentMenu = nullptr;
};
