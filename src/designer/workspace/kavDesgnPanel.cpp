// TkavDesignerPanel: the workspace and the inspector wired to one document.

#include "kavDesgnPanel.h"

#include "kavDesgnWorkspaceWidget.h"

#include <designer/controls/kavDesgnCtrls.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <persist/kavRes.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

#include <QActionGroup>
#include <QScrollArea>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavDesignerPanel::TkavDesignerPanel(TkavReport &report, QWidget *parent)
    : QWidget(parent)
    , FDocument(std::make_unique<DesignerDocument>(report))
{
    setObjectName(u"DesignerPanel"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FToolBar = new QToolBar(this);
    layout->addWidget(FToolBar);
    FSplitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(FSplitter, 1);
    FScroll = new QScrollArea(FSplitter);
    FScroll->setObjectName(u"ScrollBox"_s);
    FScroll->setBackgroundRole(QPalette::Dark);
    FWorkspace = new TDesignerWorkspace(*FDocument, FScroll);
    FScroll->setWidget(FWorkspace);
    FInspector = new TkavObjectInspector(*FDocument, FSplitter);
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

void TkavDesignerPanel::Zoom(double scale)
{
    FDocument->SetScale(std::max(0.25, scale));
    FWorkspace->UpdatePage();
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
}

void TkavDesignerPanel::pageChanged()
{
    FWorkspace->UpdatePage();
    FInspector->SetObjects(FDocument->Objects());
    FInspector->SetSelectedObjects(FDocument->SelectedObjects());
}
