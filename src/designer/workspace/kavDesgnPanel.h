#pragma once

// TkavDesignerPanel: the workspace and the object inspector on one report, with a tool bar
// of the workspace's tools, insertion, zoom, undo and the font name box. It wires the
// document's notifications to both views; the designer's full window builds on it.

#include <QColor>
#include <QWidget>

#include <memory>
#include <optional>

class DesignerDocument;
class QScrollArea;
class QSplitter;
class QToolBar;
class TDesignerWorkspace;
class TkavRuler;
class TkavFontComboBox;
class TkavObjectInspector;
class TkavReport;

class TkavDesignerPanel : public QWidget
{
public:
    // Designs report (not owned; outlives the panel); PreviewDesigner: the one page of a
    // temporary report made of a prepared page (DesignerDocument).
    explicit TkavDesignerPanel(TkavReport &report, QWidget *parent = nullptr, bool PreviewDesigner = false);
    ~TkavDesignerPanel() override;

    DesignerDocument &Document() const { return *FDocument; }
    TDesignerWorkspace &Workspace() const { return *FWorkspace; }
    TkavObjectInspector &Inspector() const { return *FInspector; }
    TkavFontComboBox &FontBox() const { return *FFontBox; }
    QScrollArea &ScrollBox() const { return *FScroll; }
    QToolBar &ToolBar() const { return *FToolBar; }
    TkavRuler &HRuler() const { return *FHRuler; }
    TkavRuler &VRuler() const { return *FVRuler; }

    // Shows another page (its index among the report's pages).
    void ShowPage(int index);
    void Zoom(double scale);
    // The backdrop around the page: a chosen colour, or none for the theme's.
    void SetWorkspaceColor(const std::optional<QColor> &color);

private:
    void buildToolBar();
    void selectionChanged();
    void documentChanged();
    void pageChanged();
    void placeRulers();

    std::unique_ptr<DesignerDocument> FDocument; // before the views that use it
    QToolBar *FToolBar = nullptr;
    QSplitter *FSplitter = nullptr;
    QScrollArea *FScroll = nullptr;
    TkavRuler *FHRuler = nullptr;
    TkavRuler *FVRuler = nullptr;
    TDesignerWorkspace *FWorkspace = nullptr;
    TkavObjectInspector *FInspector = nullptr;
    TkavFontComboBox *FFontBox = nullptr;
};
