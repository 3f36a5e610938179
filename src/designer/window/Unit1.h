#pragma once

// TForm1: the program's main window: the report designer on the Designer tab and a preview
// of the same report on the Preview tab, with the main menu bound to the designer's
// commands. Choosing the Preview tab runs the report as the designer holds it, on a
// snapshot that is put back afterwards, so a run never changes the design.

#include <QKeySequence>
#include <QList>
#include <QMainWindow>

#include <functional>

class QMenu;
class QTabWidget;
class TkavDesignerForm;
class TkavPreview;
class TkavPreviewForm;
class TkavReport;

class TForm1 : public QMainWindow
{
public:
    // The window works on report (not owned; it outlives the window).
    explicit TForm1(TkavReport &report, QWidget *parent = nullptr);
    ~TForm1() override;

    TkavReport &kavReport1() const { return FReport; }
    TkavDesignerForm &Designer() const { return *FDesigner; }
    TkavPreview &kavPreview1() const { return *FPreview; }
    QTabWidget &PageControl1() const { return *FPageControl; }
    // A menu command by its item name ("SaveMI", "UndoMI", ...); null when there is none.
    QAction *MenuItem(const QString &name) const;
    // Shows the Designer (0) or the Preview (1) tab.
    void ShowSheet(int index);
    // Runs the report into the preview; false when the run did not succeed.
    bool RunPreview();
    // The View menu, where the theme and language submenus are added.
    QMenu *ViewMenu() const { return FViewMenu; }
    // Captions of the menus and tabs (again after a language switch); the bound items
    // follow their commands.
    void UpdateCaptions();

protected:
    // A modified report asks Save / Discard / Cancel; Cancel keeps the window and the work.
    void closeEvent(QCloseEvent *event) override;

private:
    void PageControl1Change(int index);
    void buildMenu();
    // An item of the main menu that shows and runs a designer command.
    QAction *bindItem(QMenu *menu, const char *name, const char *command);
    void fillRecentMenu();
    // Caption and the recent files' state, after any change of the document.
    void UpdateCommands();

    TkavReport &FReport;
    QTabWidget *FPageControl;
    TkavDesignerForm *FDesigner;
    TkavPreviewForm *FPreviewForm; // owns FPreview
    TkavPreview *FPreview;
    QMenu *FRecentMenu = nullptr;
    QMenu *FViewMenu = nullptr;
    bool FDebugSwitch = false; // the tabs change for a debugger pause: no new run
    QList<std::pair<QObject *, QString>> FCaptionKeys;
};
