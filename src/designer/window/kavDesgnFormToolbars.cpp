// TkavDesignerForm: the tool bars (Standard, Text, Frame, Alignment, Extra), the object
// palette and the status bar. Every control calls one of the document's setters.

#include "kavDesgnForm.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <designer/controls/kavDesgnCtrls.h>
#include <designer/document/kavDesgnDocument.h>
#include <designer/editors/kavDesgnRegister.h>
#include <designer/workspace/kavDesgnPanel.h>
#include <designer/workspace/kavDesgnWorkspaceWidget.h>
#include <persist/kavRes.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavStyles.h>
#include <report/kavViews.h>
#include <rtl/kavColors.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

QIcon buttonIcon(int index)
{
    return QIcon(QPixmap::fromImage(kavResourceTable().GetMainButtonImages().value(index)));
}

QIcon objectIcon(int index)
{
    return QIcon(QPixmap::fromImage(kavResourceTable().GetObjectImages().value(index)));
}

// The band kinds offered by the band button: class number (the insert tag) and caption key.
struct BandEntry
{
    int tag;
    const char16_t *key;
    int image;
};
constexpr BandEntry bandEntries[] = {
    {0, u"obReportTitle", 41},   {1, u"obReportSummary", 42}, {2, u"obPageHeader", 43},
    {3, u"obPageFooter", 44},    {4, u"obHeader", 45},        {5, u"obFooter", 46},
    {6, u"obMasterData", 47},    {7, u"obDetailData", 48},    {8, u"obSubdetailData", 49},
    {9, u"obDataBand4", 50},     {10, u"obDataBand5", 51},    {11, u"obDataBand6", 52},
    {12, u"obGroupHeader", 53},  {13, u"obGroupFooter", 54},  {15, u"obColumnHeader", 56},
    {16, u"obColumnFooter", 57}, {17, u"obOverlay", 58}};
// The kinds that also run across the page (cross-tab like columns); their tag is + 100.
constexpr BandEntry verticalBandEntries[] = {
    {4, u"obHeader", 45},       {5, u"obFooter", 46},        {6, u"obMasterData", 47},
    {7, u"obDetailData", 48},   {8, u"obSubdetailData", 49}, {12, u"obGroupHeader", 53},
    {13, u"obGroupFooter", 54}, {14, u"obChild", 55}};

// The palette category of a page: data 1, report 2, dialog 4, dot-matrix 8.
int pageCategory(const TkavComponent *page)
{
    if (dynamic_cast<const TkavDataPage *>(page))
        return ctData;
    if (dynamic_cast<const TkavDMPPage *>(page))
        return ctDMP;
    if (dynamic_cast<const TkavReportPage *>(page))
        return ctReport;
    return page && page->InheritsFrom(u"TkavDialogPage") ? ctDialog : -1;
}

// A free instance of a registered class, for its description and initial size.
std::unique_ptr<TkavComponent> createSample(const QString &className)
{
    const TkavClassInfo *info = kavFindClass(className);
    if (!info || !info->CanCreate())
        return nullptr;
    std::unique_ptr<TPersistent> object = info->Create();
    if (!dynamic_cast<TkavComponent *>(object.get()))
        return nullptr;
    return std::unique_ptr<TkavComponent>(static_cast<TkavComponent *>(object.release()));
}

// A palette entry's caption: its hint key, else the class's own description.
QString itemCaption(const TkavObjectItem &item)
{
    if (!item.ButtonHint.isEmpty())
        return kavResourceTable().Get(item.ButtonHint);
    const std::unique_ptr<TkavComponent> object = createSample(item.ClassRef);
    return object ? object->GetDescription() : item.ClassRef;
}

} // namespace

void TkavDesignerForm::buildToolBars()
{
    auto bar = [this](const QString &name, const QString &key) {
        auto *b = new QToolBar(this);
        b->setObjectName(name);
        b->setIconSize(QSize(16, 16));
        FCaptionKeys.insert(b, key);
        return b;
    };
    FStandardTB = bar(u"StandardTB"_s, u"dsStandardTB"_s);
    FAlignTB = bar(u"AlignTB"_s, u"dsAlignTB"_s);
    FTextTB = bar(u"TextTB"_s, u"dsTextTB"_s);
    FFrameTB = bar(u"FrameTB"_s, u"dsFrameTB"_s);
    FExtraTB = bar(u"ExtraTB"_s, u"dsExtraTB"_s);
    FObjectsTB = bar(u"ObjectsTB"_s, u"dsObjectsTB"_s);
    addToolBar(Qt::TopToolBarArea, FStandardTB);
    addToolBar(Qt::TopToolBarArea, FAlignTB);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, FTextTB);
    addToolBar(Qt::TopToolBarArea, FFrameTB);
    addToolBar(Qt::TopToolBarArea, FExtraTB);
    addToolBar(Qt::LeftToolBarArea, FObjectsTB);
    FObjectsTB->setOrientation(Qt::Vertical);
    buildStandardTB();
    buildTextTB();
    buildFrameTB();
    buildAlignTB();
    buildExtraTB();
}

void TkavDesignerForm::buildStandardTB()
{
    for (const char *name : {"NewReportCmd", "OpenCmd", "SaveCmd", "PreviewCmd", "", "CutCmd", "CopyCmd",
                             "PasteCmd", "", "UndoCmd", "RedoCmd", "", "NewPageCmd", "NewDialogCmd",
                             "DeletePageCmd", "PageSettingsCmd", ""}) {
        if (*name)
            FStandardTB->addAction(Command(QString::fromLatin1(name)));
        else
            FStandardTB->addSeparator();
    }
    // Fixed percentages, then the page width and the whole page.
    FScaleCB = new QComboBox(FStandardTB);
    FScaleCB->setObjectName(u"ScaleCB"_s);
    FScaleCB->setEditable(true);
    FScaleCB->setInsertPolicy(QComboBox::NoInsert);
    FScaleCB->addItems({u"25%"_s, u"50%"_s, u"75%"_s, u"100%"_s, u"150%"_s, u"200%"_s, QString(), QString()});
    FScaleCB->setMinimumContentsLength(9);
    FCaptionKeys.insert(FScaleCB, u"dsScale"_s);
    FStandardTB->addWidget(FScaleCB);
    connect(FScaleCB, &QComboBox::activated, this,
            [this](int index) { scaleChosen(FScaleCB->itemText(index), index); });
    connect(FScaleCB->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { scaleChosen(FScaleCB->currentText(), -1); });
}

// Entry 6 fits the paper's width, entry 7 the whole page; typed text is a percentage.
void TkavDesignerForm::scaleChosen(const QString &text, int index)
{
    auto *page = dynamic_cast<TkavReportPage *>(Document().Page());
    const QSize box = FPanel->ScrollBox().viewport()->size();
    double scale = Document().Scale();
    if (index == 6 && page && page->PaperWidth() > 0)
        scale = (box.width() - 40) / (page->PaperWidth() * 96 / 25.4);
    else if (index == 7 && page && page->Width() > 0 && page->Height() > 0)
        scale = std::min((box.width() - 20) / page->Width(), (box.height() - 20) / page->Height());
    else if (index < 6) {
        bool ok = false;
        const double percent = QString(text).remove(u'%').remove(u' ').toDouble(&ok);
        if (ok)
            scale = percent / 100;
    }
    Zoom(scale);
    Workspace().setFocus();
}

void TkavDesignerForm::buildTextTB()
{
    DesignerDocument &doc = Document();
    auto done = [this] { Workspace().update(); };
    FStyleCB = new QComboBox(FTextTB);
    FStyleCB->setObjectName(u"StyleCB"_s);
    FStyleCB->setMinimumContentsLength(10);
    FCaptionKeys.insert(FStyleCB, u"dsStyle"_s);
    FTextTB->addWidget(FStyleCB);
    connect(FStyleCB, &QComboBox::activated, this, [this, &doc, done](int index) {
        doc.SetStyle(index <= 0 ? QString() : FStyleCB->itemText(index));
        done();
    });
    FTextTB->addWidget(&FPanel->FontBox());
    FCaptionKeys.insert(&FPanel->FontBox(), u"dsFontName"_s);
    FFontSizeCB = new QComboBox(FTextTB);
    FFontSizeCB->setObjectName(u"FontSizeCB"_s);
    FFontSizeCB->setEditable(true);
    FFontSizeCB->setInsertPolicy(QComboBox::NoInsert);
    for (int size : {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FFontSizeCB->addItem(QString::number(size));
    FFontSizeCB->setMinimumContentsLength(3);
    FCaptionKeys.insert(FFontSizeCB, u"dsFontSize"_s);
    FTextTB->addWidget(FFontSizeCB);
    auto applySize = [this, &doc, done](const QString &text) {
        bool ok = false;
        const int size = text.trimmed().toInt(&ok);
        if (ok && size > 0 && size < 1000)
            doc.SetFontSize(size);
        done();
    };
    connect(FFontSizeCB, &QComboBox::textActivated, this, applySize);
    connect(FFontSizeCB->lineEdit(), &QLineEdit::returnPressed, this,
            [this, applySize] { applySize(FFontSizeCB->currentText()); });
    FTextTB->addSeparator();
    auto button = [this](const char *name, const char16_t *key, int image, bool checkable,
                         std::function<void(bool)> run) {
        return toolButton(*FTextTB, name, key, image, checkable, std::move(run));
    };
    button("BoldB", u"dsBold", 23, true, [&doc](bool on) { doc.SetFontStyle(fsBold, on); });
    button("ItalicB", u"dsItalic", 24, true, [&doc](bool on) { doc.SetFontStyle(fsItalic, on); });
    button("UnderlineB", u"dsUnderline", 25, true, [&doc](bool on) { doc.SetFontStyle(fsUnderline, on); });
    button("FontColorB", u"dsFontColor", 26, false, [&doc](bool) {
        TColor color = clBlack;
        if (kavUIServices().ColorDialog(color))
            doc.SetFontColor(color);
    });
    button("HighlightB", u"4600", 45, false, [&doc](bool) { doc.EditHighlights(); });
    FTextTB->addSeparator();
    auto *halign = new QActionGroup(this);
    for (const auto &[name, key, image, value] :
         {std::tuple{"TextAlignLeftB", u"dsAlignLeft", 27, haLeft}, {"TextAlignCenterB", u"dsAlignCenter", 28, haCenter},
          {"TextAlignRightB", u"dsAlignRight", 29, haRight}, {"TextAlignBlockB", u"dsAlignJustify", 30, haBlock}})
        halign->addAction(button(name, key, image, true, [&doc, v = value](bool) { doc.SetHAlign(v); }));
    FTextTB->addSeparator();
    auto *valign = new QActionGroup(this);
    for (const auto &[name, key, image, value] :
         {std::tuple{"TextAlignTopB", u"dsAlignTop", 42, vaTop}, {"TextAlignMiddleB", u"dsAlignMiddle", 43, vaCenter},
          {"TextAlignBottomB", u"dsAlignBottom", 44, vaBottom}})
        valign->addAction(button(name, key, image, true, [&doc, v = value](bool) { doc.SetVAlign(v); }));
    FTextTB->addSeparator();
    QAction *rotation = button("RotationB", u"dsRotation", 31, false, [](bool) {});
    auto *rotations = new QMenu(this);
    for (int degrees : {0, 90, 180, 270})
        rotations->addAction(QString::number(degrees) + u'\u00b0', this, [&doc, degrees, done] {
            doc.SetRotation(degrees);
            done();
        });
    rotation->setMenu(rotations);
    if (auto *tool = qobject_cast<QToolButton *>(FTextTB->widgetForAction(rotation)))
        tool->setPopupMode(QToolButton::InstantPopup);
}

QAction *TkavDesignerForm::toolButton(QToolBar &bar, const char *name, const char16_t *key, int image,
                                      bool checkable, std::function<void(bool)> run)
{
    QAction *a = addCommand(QString::fromLatin1(name), image, {}, [] {});
    a->setCheckable(checkable);
    // Formatting shows at once.
    connect(a, &QAction::triggered, this, [this, run = std::move(run)](bool on) {
        run(on);
        Workspace().update();
    });
    FCaptionKeys.insert(a, QString::fromUtf16(key));
    bar.addAction(a);
    return a;
}

void TkavDesignerForm::buildFrameTB()
{
    DesignerDocument &doc = Document();
    auto done = [this] { Workspace().update(); };
    auto button = [this](const char *name, const char16_t *key, int image, bool checkable,
                         std::function<void(bool)> run) {
        return toolButton(*FFrameTB, name, key, image, checkable, std::move(run));
    };
    for (const auto &[name, key, image, line] :
         {std::tuple{"FrameTopB", u"dsFrameTop", 32, ftTop}, {"FrameBottomB", u"dsFrameBottom", 33, ftBottom},
          {"FrameLeftB", u"dsFrameLeft", 34, ftLeft}, {"FrameRightB", u"dsFrameRight", 35, ftRight}})
        button(name, key, image, true, [&doc, l = line](bool on) { doc.SetFrameLine(l, on); });
    button("FrameAllB", u"dsFrameAll", 36, false, [&doc](bool) { doc.SetFrameLines(true); });
    button("FrameNoB", u"dsFrameNone", 37, false, [&doc](bool) { doc.SetFrameLines(false); });
    FFrameTB->addSeparator();
    auto colorOf = [](auto set) {
        return [set](bool) {
            TColor color = clBlack;
            if (kavUIServices().ColorDialog(color))
                set(color);
        };
    };
    button("FillColorB", u"dsFillColor", 38, false, colorOf([&doc](TColor c) { doc.SetFillColor(c); }));
    button("FrameColorB", u"dsFrameColor", 39, false, colorOf([&doc](TColor c) { doc.SetFrameColor(c); }));
    QAction *style = button("FrameStyleB", u"dsFrameStyle", 40, false, [](bool) {});
    auto *styles = new QMenu(this);
    const char16_t *styleNames[] = {u"fsSolid", u"fsDash", u"fsDot", u"fsDashDot", u"fsDashDotDot",
                                    u"fsDouble", u"fsAltDot", u"fsSquare"};
    for (int i = 0; i < int(std::size(styleNames)); ++i)
        styles->addAction(QString::fromUtf16(styleNames[i]).mid(2), this, [&doc, i, done] {
            doc.SetFrameStyle(TkavFrameStyle(i));
            done();
        });
    style->setMenu(styles);
    if (auto *tool = qobject_cast<QToolButton *>(FFrameTB->widgetForAction(style)))
        tool->setPopupMode(QToolButton::InstantPopup);
    FFrameWidthCB = new QComboBox(FFrameTB);
    FFrameWidthCB->setObjectName(u"FrameWidthCB"_s);
    FFrameWidthCB->setEditable(true);
    FFrameWidthCB->setInsertPolicy(QComboBox::NoInsert);
    FFrameWidthCB->addItems({u"0.1"_s, u"0.5"_s, u"1"_s, u"1.5"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
    FFrameWidthCB->setMinimumContentsLength(4);
    FCaptionKeys.insert(FFrameWidthCB, u"dsFrameWidth"_s);
    FFrameTB->addWidget(FFrameWidthCB);
    connect(FFrameWidthCB, &QComboBox::textActivated, this, [&doc, done](const QString &text) {
        bool ok = false;
        const double width = QString(text).replace(u',', u'.').toDouble(&ok);
        if (ok && width > 0)
            doc.SetFrameWidth(width);
        done();
    });
    FFrameTB->addSeparator();
    button("FrameEditorB", u"dsFrameEditor", 32, false, [&doc](bool) { doc.EditFrame(); });
    button("FillEditorB", u"dsFillEditor", 38, false, [&doc](bool) { doc.EditFill(); });
}

void TkavDesignerForm::buildAlignTB()
{
    const std::tuple<const char *, const char16_t *, int, TkavAlignCommand> commands[] = {
        {"AlignLeftsB", u"dsAlignLefts", 86, acAlignLefts},
        {"AlignHCentersB", u"dsAlignHCenters", 87, acAlignHCenters},
        {"AlignRightsB", u"dsAlignRights", 88, acAlignRights},
        {"AlignTopsB", u"dsAlignTops", 89, acAlignTops},
        {"AlignVCentersB", u"dsAlignVCenters", 90, acAlignVCenters},
        {"AlignBottomsB", u"dsAlignBottoms", 91, acAlignBottoms},
        {"SameWidthB", u"dsSameWidth", 92, acSameWidth},
        {"SameHeightB", u"dsSameHeight", 93, acSameHeight},
        {"CenterHB", u"dsCenterH", 94, acCenterHorizontally},
        {"CenterVB", u"dsCenterV", 95, acCenterVertically},
        {"SpaceHB", u"dsSpaceH", 96, acSpaceHorizontally},
        {"SpaceVB", u"dsSpaceV", 97, acSpaceVertically}};
    for (const auto &[name, key, image, command] : commands) {
        QAction *a = addCommand(QString::fromLatin1(name), image, {}, [this, c = command] {
            Document().Align(c);
            Workspace().update();
        });
        FCaptionKeys.insert(a, QString::fromUtf16(key));
        FAlignTB->addAction(a);
    }
    QAction *grid = addCommand(u"AlignToGridB"_s, 98, {}, [this] {
        Document().AlignToGrid();
        Workspace().update();
    });
    FCaptionKeys.insert(grid, u"dsAlignToGrid"_s);
    FAlignTB->addAction(grid);
}

// Seldom used switches, hidden at first.
void TkavDesignerForm::buildExtraTB()
{
    DesignerDocument &doc = Document();
    QAction *showGrid = addCommand(u"ShowGridB"_s, 99, {}, [this, &doc] {
        doc.Options().ShowGrid = !doc.Options().ShowGrid;
        Workspace().update();
    });
    QAction *snap = addCommand(u"GridAlignB"_s, 111, {}, [&doc] { doc.Options().GridAlign = !doc.Options().GridAlign; });
    showGrid->setCheckable(true);
    snap->setCheckable(true);
    showGrid->setChecked(doc.Options().ShowGrid);
    snap->setChecked(doc.Options().GridAlign);
    FCaptionKeys.insert(showGrid, u"dsShowGrid"_s);
    FCaptionKeys.insert(snap, u"dsGridAlign"_s);
    FExtraTB->addAction(showGrid);
    FExtraTB->addAction(snap);
    FExtraTB->addAction(Command(u"AddChildBandCmd"_s));
}

// --- the object palette ------------------------------------------------------------------------

void TkavDesignerForm::armInsertion(const QString &className, int flags)
{
    double width = 0, height = 0;
    if (const std::unique_ptr<TkavComponent> object = createSample(className)) {
        width = object->Width();
        height = object->Height();
    }
    if (width == 0 && height == 0)
        Document().GetDefaultObjectSize(width, height);
    Workspace().Controller().SetTool(dtSelect);
    Workspace().Controller().SetInsertion(className, width, height, flags);
    Workspace().setFocus();
}

QMenu *TkavDesignerForm::bandMenu(QWidget *owner)
{
    auto *menu = new QMenu(owner);
    const auto add = [this](QMenu *to, const BandEntry &e, int tag) {
        to->addAction(objectIcon(e.image), kavResourceTable().Get(QString::fromUtf16(e.key)), this, [this, tag] {
            Document().InsertBand(tag);
            Workspace().UpdatePage();
        });
    };
    for (const BandEntry &e : bandEntries)
        add(menu, e, e.tag);
    QMenu *vertical = menu->addMenu(kavResourceTable().Get(u"dsVertBands"_s));
    vertical->setObjectName(u"VerticalBandsMI"_s);
    for (const BandEntry &e : verticalBandEntries)
        add(vertical, e, e.tag + 100);
    menu->addSeparator();
    menu->addAction(Command(u"AddChildBandCmd"_s));
    return menu;
}

QMenu *TkavDesignerForm::pageTabMenu()
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const char *name : {"NewPageCmd", "NewDialogCmd", "DeletePageCmd", "", "PageSettingsCmd"}) {
        if (*name)
            menu->addAction(Command(QString::fromLatin1(name)));
        else
            menu->addSeparator();
    }
    return menu;
}

// Tools first, the band button on report pages, then the object kinds registered for the
// page shown, each category as a button with a menu.
void TkavDesignerForm::updatePalette()
{
    // Everything of the last page's palette goes with its holder.
    FObjectsTB->clear();
    if (FPaletteOwner)
        FPaletteOwner->deleteLater();
    FPaletteOwner = new QWidget(this);
    FPaletteOwner->hide();
    QWidget *owner = FPaletteOwner;
    auto separator = [this, owner] {
        auto *s = new QAction(owner);
        s->setSeparator(true);
        FObjectsTB->addAction(s);
    };
    TkavComponent *page = Document().Page();
    const int category = pageCategory(page);
    const TkavResources &res = kavResourceTable();
    auto *tools = new QActionGroup(owner);
    const std::tuple<TkavDesignTool, const char16_t *, int> toolDefs[] = {
        {dtSelect, u"dsToolSelect", 57}, {dtHand, u"dsToolHand", 58}, {dtZoom, u"dsToolZoom", 60},
        {dtText, u"dsToolText", 61}, {dtFormat, u"dsToolFormat", 62}};
    for (const auto &[tool, key, image] : toolDefs) {
        auto *a = new QAction(buttonIcon(image), res.Get(QString::fromUtf16(key)), owner);
        a->setObjectName(QString::fromUtf16(key));
        a->setCheckable(true);
        a->setChecked(page && Workspace().Controller().Tool() == tool);
        a->setEnabled(page != nullptr);
        tools->addAction(a);
        FObjectsTB->addAction(a);
        connect(a, &QAction::triggered, this, [this, t = tool] { Workspace().Controller().SetTool(t); });
    }
    if (category < 0)
        return;
    separator();
    const TkavObjectCollection &registry = kavObjectRegistry();
    auto insertAction = [this](const TkavObjectItem &item, QObject *parent) {
        auto *a = new QAction(objectIcon(item.ButtonImageIndex), itemCaption(item), parent);
        a->setObjectName(u"Insert"_s + item.ClassRef + (item.Flags ? QString::number(item.Flags) : QString()));
        a->setProperty("insert", true);
        a->setEnabled(Document().CheckOp(drDontInsertObject));
        connect(a, &QAction::triggered, this, [this, cls = item.ClassRef, flags = item.Flags] {
            armInsertion(cls, flags);
        });
        return a;
    };
    if (category == ctReport || category == ctDMP) {
        auto *band = new QAction(objectIcon(40), res.Get(u"obBand"_s), owner);
        band->setObjectName(u"InsertBandB"_s);
        band->setProperty("insert", true);
        band->setMenu(bandMenu(owner));
        FObjectsTB->addAction(band);
        if (auto *tool = qobject_cast<QToolButton *>(FObjectsTB->widgetForAction(band)))
            tool->setPopupMode(QToolButton::InstantPopup);
    }
    for (int i = 0; i < registry.Count(); ++i) {
        const TkavObjectItem &item = registry.GetObjectItem(i);
        if (!item.ClassRef.isEmpty()) {
            if (item.CategoryName.isEmpty() && item.Category.Contains(TkavObjectCategory(category))
                && kavFindClass(item.ClassRef))
                FObjectsTB->addAction(insertAction(item, owner));
            continue;
        }
        // A category: its button opens a menu of its kinds usable here.
        QList<const TkavObjectItem *> members;
        for (int j = 0; j < registry.Count(); ++j) {
            const TkavObjectItem &member = registry.GetObjectItem(j);
            if (!member.ClassRef.isEmpty() && member.CategoryName == item.CategoryName
                && member.Category.Contains(TkavObjectCategory(category)) && kavFindClass(member.ClassRef))
                members << &member;
        }
        if (members.isEmpty())
            continue;
        auto *menu = new QMenu(owner);
        for (const TkavObjectItem *member : members)
            menu->addAction(insertAction(*member, menu));
        auto *a = new QAction(objectIcon(item.ButtonImageIndex), res.Get(item.ButtonHint), owner);
        a->setObjectName(u"Category"_s + item.CategoryName);
        a->setMenu(menu);
        FObjectsTB->addAction(a);
        if (auto *tool = qobject_cast<QToolButton *>(FObjectsTB->widgetForAction(a)))
            tool->setPopupMode(QToolButton::InstantPopup);
    }
}

// The tool bars show the first selected memo's format.
void TkavDesignerForm::updateFormatControls()
{
    if (!FStyleCB)
        return; // the tool bars are not built yet
    // Rebuilt when the report's style names changed (renamed ones too).
    QStringList styles{kavResourceTable().Get(u"dsNoStyle"_s)};
    for (int i = 0; i < FReport.Styles().Count(); ++i)
        styles << FReport.Styles().Items(i)->Name();
    QStringList shown;
    for (int i = 0; i < FStyleCB->count(); ++i)
        shown << FStyleCB->itemText(i);
    if (shown != styles) {
        FStyleCB->clear();
        FStyleCB->addItems(styles);
    }
    // Without a memo selected the controls show the format new memos get.
    auto *selected = dynamic_cast<TkavCustomMemoView *>(Document().Selection().First());
    const TkavCustomMemoView *memo = selected ? selected : &Document().SampleFormat();
    const TFont &font = memo->Font();
    FFontSizeCB->setCurrentText(QString::number(font.Size()));
    Command(u"BoldB"_s)->setChecked(font.Style().Contains(fsBold));
    Command(u"ItalicB"_s)->setChecked(font.Style().Contains(fsItalic));
    Command(u"UnderlineB"_s)->setChecked(font.Style().Contains(fsUnderline));
    static const char *hNames[] = {"TextAlignLeftB", "TextAlignRightB", "TextAlignCenterB", "TextAlignBlockB"};
    Command(QString::fromLatin1(hNames[memo->HAlign()]))->setChecked(true);
    static const char *vNames[] = {"TextAlignTopB", "TextAlignBottomB", "TextAlignMiddleB"};
    Command(QString::fromLatin1(vNames[memo->VAlign()]))->setChecked(true);
    const int style = FStyleCB->findText(memo->Style(), Qt::MatchFixedString);
    FStyleCB->setCurrentIndex(memo->Style().isEmpty() ? 0 : std::max(style, 0));
    const TkavFrameTypes lines = memo->Frame().Typ();
    for (const auto &[name, line] : {std::pair{"FrameTopB", ftTop}, {"FrameBottomB", ftBottom},
                                     {"FrameLeftB", ftLeft}, {"FrameRightB", ftRight}})
        Command(QString::fromLatin1(name))->setChecked(lines.Contains(line));
}

// --- the status bar ---------------------------------------------------------------------------

void TkavDesignerForm::buildStatusBar()
{
    auto label = [this](const QString &name, int width) {
        auto *l = new QLabel(this);
        l->setObjectName(name);
        l->setMinimumWidth(width);
        statusBar()->addWidget(l);
        return l;
    };
    FUnitsL = label(u"UnitsL"_s, 90);
    FUnitsL->installEventFilter(this);
    FCaptionKeys.insert(FUnitsL, u"dsUnitsHint"_s);
    FPositionL = label(u"PositionL"_s, 140);
    FSizeL = label(u"SizeL"_s, 140);
    FTextL = label(u"TextL"_s, 200);
    statusBar()->setSizeGripEnabled(false);
}

// Unit caption; position and size of the selection in the current units; name and text.
void TkavDesignerForm::showStatus()
{
    if (!FUnitsL)
        return;
    DesignerDocument &doc = Document();
    TkavComponent *page = doc.Page();
    FUnitsL->setText(kavResourceTable().Get(kavUnitCaptionKey(doc.Units())));
    TkavComponent *first = doc.Selection().First();
    if (!page) {
        const QPoint pos = FCodeWindow->GetPos();
        FPositionL->setText(QString::number(pos.y()) + u" : "_s + QString::number(pos.x()));
        FSizeL->clear();
        FTextL->clear();
        return;
    }
    if (!first || first == page) {
        FPositionL->clear();
        FSizeL->clear();
        FTextL->setText(page->Name());
        return;
    }
    const TkavDesignerUnits units = doc.Units();
    auto text = [units](double pixels, bool x) {
        const double value = pixels / kavUnitPixels(units, x);
        return units == duChars ? QString::number(int(value)) : QString::number(value, 'f', units == duPixels ? 0 : 2);
    };
    FPositionL->setText(text(first->Left(), true) + u"; "_s + text(first->Top(), false));
    FSizeL->setText(text(first->Width(), true) + u"; "_s + text(first->Height(), false));
    QString caption = first->Name();
    if (auto *memo = dynamic_cast<TkavCustomMemoView *>(first))
        caption += u": "_s + memo->Text().left(80).replace(u'\n', u' ');
    FTextL->setText(caption);
}
