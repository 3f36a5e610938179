// TkavDesignerPanel: the workspace and the inspector wired to one document.

#include "kavDesgnPanel.h"

#include "kavDesgnRuler.h"
#include "kavDesgnWorkspaceWidget.h"

#include <designer/controls/kavDesgnCtrls.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

#include <QActionGroup>
#include <QGridLayout>
#include <QScrollBar>
#include <QScrollArea>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavDesignerPanel::TkavDesignerPanel(TkavReport &report, QWidget *parent, bool PreviewDesigner)
    : QWidget(parent)
    , FDocument(std::make_unique<DesignerDocument>(report, PreviewDesigner))
{
    setObjectName(u"DesignerPanel"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FToolBar = new QToolBar(this);
    layout->addWidget(FToolBar);
    FSplitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(FSplitter, 1);
    // The rulers frame the scroll box: the top one above it, the left one beside it.
    auto *surface = new QWidget(FSplitter);
    auto *grid = new QGridLayout(surface);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    FHRuler = new TkavRuler(Qt::Horizontal, surface);
    FVRuler = new TkavRuler(Qt::Vertical, surface);
    FScroll = new QScrollArea(surface);
    grid->addWidget(FHRuler, 0, 1);
    grid->addWidget(FVRuler, 1, 0);
    grid->addWidget(FScroll, 1, 1);
    FScroll->setObjectName(u"ScrollBox"_s);
    FScroll->setBackgroundRole(QPalette::Dark);
    FWorkspace = new TDesignerWorkspace(*FDocument, FScroll);
    FScroll->setWidget(FWorkspace);
    FInspector = new TkavObjectInspector(*FDocument, FSplitter);
    // A prepared page runs no script: its objects' events have nothing to call.
    FInspector->SetEventsAllowed(!PreviewDesigner);
    FSplitter->setStretchFactor(0, 1);
    FSplitter->setSizes({700, 260});
    buildToolBar();

    auto &hooks = FDocument->ViewHooks();
    hooks.SelectionChanged = [this] { selectionChanged(); };
    hooks.DocumentChanged = [this] { documentChanged(); };
    hooks.PageChanged = [this] { pageChanged(); };
    hooks.PagesChanged = [this] { pageChanged(); };
    FInspector->OnModify = [this] {
        FDocument->SetModified(true);
        FWorkspace->Controller().AdjustBands();
        FWorkspace->update();
    };
    FInspector->OnSelectionChanged = [this](TkavComponent *c) {
        FDocument->Select(c);
        FWorkspace->update();
    };
    FWorkspace->OnChanged = [this] { FInspector->Refresh(); };
    FWorkspace->OnMouseAt = [this](QPointF p) {
        const QPoint at = FWorkspace->mapTo(this, FWorkspace->ToScreen(p).toPoint());
        FHRuler->SetPosition(at.x() - FHRuler->mapTo(this, QPoint()).x());
        FVRuler->SetPosition(at.y() - FVRuler->mapTo(this, QPoint()).y());
    };
    for (QScrollBar *bar : {FScroll->horizontalScrollBar(), FScroll->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { placeRulers(); });
    pageChanged();
}

TkavDesignerPanel::~TkavDesignerPanel()
{
    FDocument->ViewHooks() = DesignerDocument::Hooks(); // the views go first
}

void TkavDesignerPanel::buildToolBar()
{
    const TkavResources &res = kavResourceTable();
    auto *tools = new QActionGroup(this);
    const std::pair<TkavDesignTool, const char16_t *> toolKeys[] = {
        {dtSelect, u"dsToolSelect"}, {dtHand, u"dsToolHand"}, {dtZoom, u"dsToolZoom"},
        {dtText, u"dsToolText"},     {dtFormat, u"dsToolFormat"}};
    for (const auto &[tool, key] : toolKeys) {
        QAction *a = FToolBar->addAction(res.Get(QString::fromUtf16(key)));
        a->setObjectName(QString::fromUtf16(key));
        a->setCheckable(true);
        a->setChecked(tool == dtSelect);
        tools->addAction(a);
        connect(a, &QAction::triggered, this, [this, t = tool] { FWorkspace->Controller().SetTool(t); });
    }
    FToolBar->addSeparator();
    const std::pair<const char16_t *, const char16_t *> inserts[] = {
        {u"obText", u"TkavMemoView"}, {u"obLine", u"TkavLineView"}, {u"obShape", u"TkavShapeView"},
        {u"obPicture", u"TkavPictureView"}};
    for (const auto &[key, cls] : inserts) {
        QAction *a = FToolBar->addAction(res.Get(QString::fromUtf16(key)));
        a->setObjectName(u"Insert"_s + QString::fromUtf16(cls));
        connect(a, &QAction::triggered, this, [this, c = QString::fromUtf16(cls)] {
            double w = 0, h = 0;
            FDocument->GetDefaultObjectSize(w, h);
            FWorkspace->Controller().SetTool(dtSelect);
            FWorkspace->Controller().SetInsertion(c, w, h, 0);
            FWorkspace->setFocus();
        });
    }
    FToolBar->addSeparator();
    FToolBar->addAction(res.Get(u"dsUndo"_s), this, [this] { FDocument->Undo(); });
    FToolBar->addAction(res.Get(u"dsRedo"_s), this, [this] { FDocument->Redo(); });
    FToolBar->addAction(res.Get(u"dsZoomIn"_s), this, [this] { Zoom(FDocument->Scale() + 0.25); });
    FToolBar->addAction(res.Get(u"dsZoomOut"_s), this, [this] { Zoom(FDocument->Scale() - 0.25); });
    FToolBar->addSeparator();
    FFontBox = new TkavFontComboBox(FToolBar);
    FFontBox->setObjectName(u"FontNameCB"_s);
    FToolBar->addWidget(FFontBox);
    FFontBox->OnClick = [this] {
        FDocument->SetFontName(FFontBox->FontName());
        FWorkspace->update();
    };
    FFontBox->PopulateList();
}

void TkavDesignerPanel::ShowPage(int index)
{
    TkavReport &report = FDocument->Report();
    if (index >= 0 && index < report.PagesCount())
        FDocument->SetPage(report.Pages(index));
}

void TkavDesignerPanel::SetWorkspaceColor(const std::optional<QColor> &color)
{
    QWidget *backdrop = FScroll->viewport();
    QPalette pal; // a default palette inherits the theme's again
    if (color) {
        pal = backdrop->palette();
        pal.setColor(FScroll->backgroundRole(), *color);
    }
    backdrop->setPalette(pal);
}

void TkavDesignerPanel::Zoom(double scale)
{
    FDocument->SetScale(std::max(0.25, scale));
    FWorkspace->UpdatePage();
    placeRulers();
}

void TkavDesignerPanel::selectionChanged()
{
    FInspector->SetSelectedObjects(FDocument->SelectedObjects());
    if (auto *memo = dynamic_cast<TkavCustomMemoView *>(FDocument->Selection().First()))
        FFontBox->SetFontName(memo->Font().Name());
    FWorkspace->update();
}

void TkavDesignerPanel::documentChanged()
{
    if (FInspector->Model().Stale())
        FInspector->SetObjects(FDocument->Objects());
    FInspector->Refresh();
    FWorkspace->UpdatePage();
    placeRulers();
}

// The rulers' zero is the printable area's corner, wherever the page is scrolled to.
void TkavDesignerPanel::placeRulers()
{
    const QPoint origin = FWorkspace->mapTo(this, FWorkspace->Origin().toPoint());
    FHRuler->SetOffset(origin.x() - FHRuler->mapTo(this, QPoint()).x());
    FVRuler->SetOffset(origin.y() - FVRuler->mapTo(this, QPoint()).y());
    FHRuler->SetScale(FDocument->Scale());
    FVRuler->SetScale(FDocument->Scale());
    static const TkavRulerUnits units[] = {ruCM, ruInches, ruPixels, ruChars};
    FHRuler->SetUnits(units[FDocument->Units()]);
    FVRuler->SetUnits(units[FDocument->Units()]);
}

void TkavDesignerPanel::pageChanged()
{
    FWorkspace->UpdatePage();
    placeRulers();
    FInspector->SetObjects(FDocument->Objects());
    FInspector->SetSelectedObjects(FDocument->SelectedObjects());
}
