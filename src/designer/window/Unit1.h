#pragma once

// TForm1: the program's main window: the report designer on the Designer tab and a preview
// of the same report on the Preview tab. Choosing the Preview tab runs the report as the
// designer holds it, on a snapshot that is put back afterwards, so a run never changes the
// design.

#include <QMainWindow>

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
    // Shows the Designer (0) or the Preview (1) tab.
    void ShowSheet(int index);
    // Runs the report into the preview; false when the run did not succeed.
    bool RunPreview();

private:
    void PageControl1Change(int index);

    TkavReport &FReport;
    QTabWidget *FPageControl;
    TkavDesignerPanel *FDesigner;
    TkavPreview *FPreview;
};
