// TkavDesignerForm: page tabs, the script page, the docks, the document's notifications and
// the window's settings.

#include "kavDesgnForm.h"

#include "kavDesgnPlacement.h"

#include <designer/code/kavDesgnDebugger.h>
#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/code/kavDesgnWatch.h>
#include <designer/dialogs/kavDesgnDialogPlace.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/inspector/kavDesgnInspector.h>
#include <designer/trees/kavDesgnDataTree.h>
#include <designer/trees/kavDesgnReportTree.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnRuler.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <output/kavHelpKey.h>
#include <persist/kavRes.h>
#include <report/kavDataSets.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStrings.h>
#include <rtl/kavUIServices.h>
#include <script/ky_langs.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString formSection = u"Form5.TkavDesignerForm"_s;
// Bumped when the tool bars or docks change, so an old layout is not forced on new ones.
constexpr int layoutVersion = 1;

} // namespace

TkavDesignerForm::TkavDesignerForm(TkavReport &report, QWidget *parent)
    : QMainWindow(parent)
    , FReport(report)
{
    setObjectName(u"DesignerForm"_s);
    setDockOptions(AnimatedDocks | AllowNestedDocks | AllowTabbedDocks);
    kavInstallHelpKey(*this, u"TkavDesignerForm"_s);
    // The dialogs opened from here remember their places with the designer's settings.
    kavSetDialogSettings([this] { return FReport.GetIniFile(); });
    buildCentral();
    buildDocks();
    buildCommands();
    buildDebugger();
    buildToolBars();
    buildStatusBar();
    wireDocument();
    UpdateCaptions();
    RestoreState();
    ReloadPages(-2);
    FReportTree->UpdateItems();
    FDataTree->UpdateItems();
    FReportTree->UpdateSelection(Document().SelectedObjects());
    scriptChanged();
    // Paste follows the clipboard, which changes outside the designer.
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { UpdateCommands(); });
    timer->start(1000);
}

TkavDesignerForm::~TkavDesignerForm()
{
    // Closing hides the docks: nothing may update the window while it goes.
    for (QDockWidget *d : {FInspectorDock, FReportTreeDock, FDataTreeDock})
        d->toggleViewAction()->disconnect(this);
    Document().ViewHooks() = DesignerDocument::Hooks(); // the views go first
    kavSetDialogSettings({});
}

DesignerDocument &TkavDesignerForm::Document() const
{
    return FPanel->Document();
}

TDesignerWorkspace &TkavDesignerForm::Workspace() const
{
    return FPanel->Workspace();
}

TkavObjectInspector &TkavDesignerForm::Inspector() const
{
    return FPanel->Inspector();
}

void TkavDesignerForm::buildCentral()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FPageTabs = new QTabBar(central);
    FPageTabs->setObjectName(u"PageTabs"_s);
    FPageTabs->setExpanding(false);
    FPageTabs->setDocumentMode(true);
    FPageTabs->setContextMenuPolicy(Qt::NoContextMenu);
    FPageTabs->installEventFilter(this);
    layout->addWidget(FPageTabs);
    FStack = new QStackedWidget(central);
    layout->addWidget(FStack, 1);
    FStack->addWidget(buildCodePage());
    // The panel keeps the workspace with its rulers in the scroll box; its own tool bar
    // gives way to the window's tool bars and palette, its inspector goes into a dock.
    FPanel = new TkavDesignerPanel(FReport, FStack);
    FPanel->ToolBar().hide();
    FStack->addWidget(FPanel);
    setCentralWidget(central);
    connect(FPageTabs, &QTabBar::currentChanged, this, [this](int index) { pageTabChanged(index); });
    FPanel->ScrollBox().viewport()->installEventFilter(this);
}

QWidget *TkavDesignerForm::buildCodePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QToolBar(page);
    bar->setObjectName(u"CodeTB"_s);
    bar->setIconSize(QSize(16, 16));
    layout->addWidget(bar);
    const TkavImageList &images = kavResourceTable().GetMainButtonImages();
    auto icon = [&images](int index) { return QIcon(QPixmap::fromImage(images.value(index))); };
    QAction *open = bar->addAction(icon(1), QString(), this, [this] { loadScriptFile(); });
    open->setObjectName(u"OpenScriptB"_s);
    FCaptionKeys.insert(open, u"dsOpenScript"_s);
    QAction *save = bar->addAction(icon(2), QString(), this, [this] { saveScriptFile(); });
    save->setObjectName(u"SaveScriptB"_s);
    FCaptionKeys.insert(save, u"dsSaveScript"_s);
    bar->addSeparator();
    auto *languageL = new QLabel(bar);
    FCaptionKeys.insert(languageL, u"dsScriptLanguage"_s);
    bar->addWidget(languageL);
    FLanguageCB = new QComboBox(bar);
    FLanguageCB->setObjectName(u"LangCB"_s);
    kyRegisterBuiltinLanguages();
    FLanguageCB->addItems(kyGetLanguageList());
    bar->addWidget(FLanguageCB);
    connect(FLanguageCB, &QComboBox::activated, this, [this](int index) { scriptLanguageChosen(index); });

    FCodeWindow = new TkavSyntaxMemo(page);
    FCodeWindow->setObjectName(u"CodeWindow"_s);
    FCodeWindow->viewport()->installEventFilter(this);
    layout->addWidget(FCodeWindow, 1);
    FCodeWindow->OnChangeText = [this] {
        if (!FLoadingScript)
            Document().ScriptEdited(FCodeWindow->Text().split(u'\n'));
        UpdateCommands();
    };
    FCodeWindow->OnChangePos = [this] { showStatus(); };
    return page;
}

void TkavDesignerForm::buildDocks()
{
    auto dock = [this](const QString &name, QWidget *content, Qt::DockWidgetArea area) {
        auto *d = new QDockWidget(this);
        d->setObjectName(name);
        d->setWidget(content);
        d->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                       | QDockWidget::DockWidgetFloatable);
        addDockWidget(area, d);
        connect(d->toggleViewAction(), &QAction::toggled, this, [this] { UpdateCommands(); });
        return d;
    };
    FInspectorDock = dock(u"InspectorDock"_s, &FPanel->Inspector(), Qt::LeftDockWidgetArea);
    FCaptionKeys.insert(FInspectorDock, u"2000"_s);
    FReportTree = new TkavReportTreeForm(FReport);
    FReportTreeDock = dock(u"ReportTreeDock"_s, FReportTree, Qt::LeftDockWidgetArea);
    FCaptionKeys.insert(FReportTreeDock, u"2200"_s);
    FDataTree = new TkavDataTreeForm(FReport);
    FDataTree->SetOptionsVisible(true);
    FDataTree->SetRemembersCollapsed(true);
    FDataTreeDock = dock(u"DataTreeDock"_s, FDataTree, Qt::RightDockWidgetArea);
    FCaptionKeys.insert(FDataTreeDock, u"2100"_s);
    // On the script a double click types the item; a report without data asks for some.
    FDataTree->OnDblClick = [this] {
        if (!Document().Page()) {
            FCodeWindow->insertPlainText(FDataTree->GetFieldName(-1));
            FCodeWindow->setFocus();
        } else if (FDataTree->IsDataField() && FReport.DataSets().Count() == 0) {
            reportData();
        }
    };

    FReportTree->OnSelectionChanged = [this](const QList<TkavComponent *> &objects) {
        reportTreeSelected(objects);
    };
    FReportTree->OnModified = [this] {
        Document().SetModified(true);
        Workspace().UpdatePage();
    };
    FReportTree->OnDeleteKey = [this] { deleteSelection(); };
}

// The panel's views hear the document first; the window follows with the tabs, trees,
// tool bars and commands.
void TkavDesignerForm::wireDocument()
{
    auto &hooks = Document().ViewHooks();
    auto chain = [](std::function<void()> &hook, std::function<void()> after) {
        hook = [views = hook, after = std::move(after)] {
            if (views)
                views();
            after();
        };
    };
    chain(hooks.PageChanged, [this] { pageChanged(); });
    chain(hooks.PagesChanged, [this] { pagesChanged(); });
    chain(hooks.SelectionChanged, [this] { selectionChanged(); });
    chain(hooks.DocumentChanged, [this] { documentChanged(); });
    chain(hooks.ScriptChanged, [this] { scriptChanged(); });
    hooks.ShowScript = [this](int line, int column) {
        SwitchToCodeWindow();
        FCodeWindow->SetPos(std::max(column, 1), std::max(line, 1));
        FCodeWindow->setFocus();
    };
    FPanel->Workspace().OnChanged = [this] {
        FPanel->Inspector().Refresh();
        showStatus();
    };
}

// --- pages -----------------------------------------------------------------------------------

void TkavDesignerForm::ReloadPages(int Index)
{
    const TkavResources &res = kavResourceTable();
    {
        const QScopedValueRollback guard(FUpdatingTabs, true);
        while (FPageTabs->count() > 0)
            FPageTabs->removeTab(0);
        FPageTabs->addTab(res.Get(u"dsCode"_s));
        for (int i = 0; i < FReport.PagesCount(); ++i) {
            TkavComponent *page = FReport.Pages(i);
            QString caption;
            for (TkavComponent *c : FReport.AllObjects()) {
                auto *sub = dynamic_cast<TkavSubreport *>(c);
                if (sub && sub->SubPage() == page)
                    caption = sub->Name();
            }
            if (caption.isEmpty() && dynamic_cast<TkavDataPage *>(page))
                caption = res.Get(u"dsData"_s);
            if (caption.isEmpty())
                caption = page->Name();
            if (caption.isEmpty())
                caption = res.Get(u"dsPage"_s) + QString::number(i + 1);
            FPageTabs->addTab(caption);
        }
    }
    if (Index == -1) {
        SwitchToCodeWindow();
        return;
    }
    TkavComponent *page = Index == -2 ? Document().FirstReportPage()
                          : Index < FReport.PagesCount() ? FReport.Pages(Index)
                                                         : nullptr;
    if (!page && FReport.PagesCount() > 0)
        page = FReport.Pages(0);
    Document().SetPage(page);
    if (!page)
        pageChanged();
}

void TkavDesignerForm::ShowPage(int index)
{
    if (index >= 0 && index < FReport.PagesCount())
        Document().SetPage(FReport.Pages(index));
}

void TkavDesignerForm::Zoom(double scale)
{
    FPanel->Zoom(scale);
    UpdateCommands();
}

void TkavDesignerForm::SwitchToCodeWindow()
{
    if (Document().Page())
        Document().SetPage(nullptr);
    else
        pageChanged();
}

void TkavDesignerForm::pageTabChanged(int index)
{
    if (FUpdatingTabs || index < 0)
        return;
    if (index == 0)
        SwitchToCodeWindow();
    else
        ShowPage(index - 1);
}

void TkavDesignerForm::pageChanged()
{
    TkavComponent *page = Document().Page();
    const int tab = page ? int(FReport.Objects().indexOf(page)) + 1 : 0;
    {
        const QScopedValueRollback guard(FUpdatingTabs, true);
        if (tab >= 0 && tab < FPageTabs->count())
            FPageTabs->setCurrentIndex(tab);
    }
    FStack->setCurrentIndex(page ? 1 : 0);
    if (!page)
        FCodeWindow->setFocus();
    updatePalette();
    UpdateCommands();
}

void TkavDesignerForm::pagesChanged()
{
    TkavComponent *page = Document().Page();
    {
        const QScopedValueRollback guard(FLoadingScript, true);
        ReloadPages(page ? int(FReport.Objects().indexOf(page)) : -1);
    }
    FReportTree->UpdateItems();
    FDataTree->UpdateItems();
    scriptChanged();
}

void TkavDesignerForm::selectionChanged()
{
    FReportTree->UpdateSelection(Document().SelectedObjects());
    updateFormatControls();
    UpdateCommands();
}

void TkavDesignerForm::documentChanged()
{
    FReportTree->UpdateItems();
    FReportTree->UpdateSelection(Document().SelectedObjects());
    UpdateCommands();
}

void TkavDesignerForm::scriptChanged()
{
    const QScopedValueRollback guard(FLoadingScript, true);
    const QString text = Document().ScriptLines().join(u'\n');
    if (FCodeWindow->Text() != text)
        FCodeWindow->LoadText(text);
    FCodeWindow->SetSyntax(FReport.ScriptLanguage());
    const int index = FLanguageCB->findText(FReport.ScriptLanguage(), Qt::MatchFixedString);
    FLanguageCB->setCurrentIndex(index);
}

// The tree chose these objects: their page is shown and they become the selection; a
// choice carrying nothing selects the page, so the selection is never empty.
void TkavDesignerForm::reportTreeSelected(const QList<TkavComponent *> &objects)
{
    DesignerDocument &doc = Document();
    TkavComponent *first = objects.value(0);
    TkavComponent *page = first ? first->Page() : nullptr;
    if (first && !page)
        return; // the report itself
    if (page && page != doc.Page())
        doc.SetPage(page);
    if (!first || first == page) {
        doc.Select(nullptr);
        return;
    }
    doc.Selection().Select(first);
    for (TkavComponent *c : objects.mid(1))
        if (c->Page() == page)
            doc.Selection().Add(c);
    doc.SelectionChanged();
}

// --- the script page --------------------------------------------------------------------

void TkavDesignerForm::scriptLanguageChosen(int index)
{
    const QString language = FLanguageCB->itemText(index);
    if (!Document().CheckOp(drDontEditReportScript) || !Document().SetScriptLanguage(language))
        FLanguageCB->setCurrentIndex(FLanguageCB->findText(FReport.ScriptLanguage(), Qt::MatchFixedString));
    scriptChanged();
}

void TkavDesignerForm::loadScriptFile()
{
    TkavFileDialogOptions options;
    options.Title = kavResourceTable().Get(u"dsOpenScript"_s);
    QStringList names;
    if (!kavUIServices().OpenFileDialog(options, names) || names.isEmpty())
        return;
    Document().guarded([&] {
        TStringList lines;
        lines.LoadFromFile(names.first());
        Document().SetScriptLines(lines.ToStringList());
        Document().SetModified(true);
    });
}

void TkavDesignerForm::saveScriptFile()
{
    TkavFileDialogOptions options;
    options.Title = kavResourceTable().Get(u"dsSaveScript"_s);
    QString name;
    if (!kavUIServices().SaveFileDialog(options, name))
        return;
    Document().guarded([&] {
        TStringList lines;
        lines.SetText(FCodeWindow->Text());
        lines.SaveToFile(name);
    });
}

// An item of the data tree dropped on the script: its text goes in at the caret.
bool TkavDesignerForm::scriptDropEvent(QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QMimeData *mime = drop->mimeData();
    if (!mime || !mime->hasFormat(QString::fromLatin1(kavDataTreeMime)) || mime->text().isEmpty())
        return false;
    if (event->type() == QEvent::Drop) {
        FCodeWindow->insertPlainText(mime->text());
        FCodeWindow->setFocus();
    }
    drop->acceptProposedAction();
    return true;
}

// --- the tab strip ----------------------------------------------------------------------------

// A right click opens the page menu; a tab dragged onto another moves its page there. The
// script tab and the first page's tab neither move nor take others.
bool TkavDesignerForm::tabStripEvent(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    const int tab = FPageTabs->tabAt(mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
        if (mouse->button() == Qt::RightButton) {
            pageTabMenu()->popup(mouse->globalPosition().toPoint());
            return true;
        }
        FPressedTab = mouse->button() == Qt::LeftButton ? tab : -1;
        return false;
    }
    const int from = std::exchange(FPressedTab, -1);
    if (from >= 2 && tab >= 2 && from != tab) {
        Document().MovePage(from - 1, tab - 1);
        return true;
    }
    return false;
}

bool TkavDesignerForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FPageTabs)
        return tabStripEvent(event) || QMainWindow::eventFilter(watched, event);
    if (FCodeWindow && watched == FCodeWindow->viewport()
        && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
            || event->type() == QEvent::Drop))
        return scriptDropEvent(event) || QMainWindow::eventFilter(watched, event);
    if (FPanel && watched == FPanel->ScrollBox().viewport() && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // 0.05 per notch, never below 0.3.
            const double notches = wheel->angleDelta().y() / 120.0;
            const double scale = Document().Scale() + 0.05 * notches;
            Zoom(notches < 0 ? std::max(scale, std::min(0.3, Document().Scale())) : scale);
            return true;
        }
    }
    if (watched == FUnitsL && event->type() == QEvent::MouseButtonDblClick) {
        Document().CycleUnits();
        FPanel->Zoom(Document().Scale()); // rulers and grid in the new units
        showStatus();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- settings and closing -----------------------------------------------------------------

// The docks and tool bars as first shown: inspector over report tree on the left, data
// tree on the right, three tool-bar rows over the page, the palette down the left.
void TkavDesignerForm::defaultLayout()
{
    for (QDockWidget *d : {FInspectorDock, FReportTreeDock, FDataTreeDock}) {
        d->setFloating(false);
        d->show();
    }
    addDockWidget(Qt::LeftDockWidgetArea, FInspectorDock);
    splitDockWidget(FInspectorDock, FReportTreeDock, Qt::Vertical);
    addDockWidget(Qt::RightDockWidgetArea, FDataTreeDock);
    resizeDocks({FInspectorDock, FDataTreeDock}, {260, 250}, Qt::Horizontal);
    resizeDocks({FInspectorDock, FReportTreeDock}, {420, 200}, Qt::Vertical);
    for (QToolBar *bar : {FStandardTB, FAlignTB, FTextTB, FFrameTB, FObjectsTB})
        bar->show();
    FExtraTB->hide();
}

void TkavDesignerForm::RestoreState()
{
    DesignerDocument &doc = Document();
    doc.RestoreState();
    FWatchForm->SetWatchListText(doc.Options().WatchList.join(u'\n'));
    applyScriptFont();
    applyColors();
    FPanel->Zoom(doc.Scale());
    FPanel->HRuler().setVisible(doc.Options().ShowRulers);
    FPanel->VRuler().setVisible(doc.Options().ShowRulers);
    defaultLayout();
    if (!doc.Options().Restored)
        return;
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    const QByteArray layout =
        QByteArray::fromBase64(ini->ReadString(formSection, u"Layout"_s, QString()).toLatin1());
    if (!layout.isEmpty())
        restoreState(layout, layoutVersion);
    if (isWindow())
        kavRestoreFormPosition(*ini, u"TkavDesignerForm"_s, *this);
}

void TkavDesignerForm::SaveState()
{
    DesignerDocument &doc = Document();
    doc.Options().WatchList = FWatchForm->WatchListText().split(u'\n', Qt::SkipEmptyParts);
    doc.SaveState();
    const std::unique_ptr<TkavIniFile> ini = FReport.GetIniFile();
    ini->WriteString(formSection, u"Layout"_s, QString::fromLatin1(saveState(layoutVersion).toBase64()));
    if (isWindow())
        kavSaveFormPosition(*ini, u"TkavDesignerForm"_s, *this);
    ini->UpdateFile();
}

bool TkavDesignerForm::CloseQuery()
{
    if (FDebugger->Running()) // the run works on a snapshot the window must restore
        return false;
    if (!Document().CloseQuery())
        return false;
    SaveState();
    return true;
}

void TkavDesignerForm::closeEvent(QCloseEvent *event)
{
    if (CloseQuery())
        event->accept();
    else
        event->ignore();
}
