#include "kavDesgnRegister.h"

#include "kavDesgnCompEditors.h"
#include "kavDesgnEditors.h"

#include <designer/window/kavDesgnPreviewPage.h>
#include <designer/wizards/kavDesgnWizards.h>
#include <designer/workspace/kavDesgnDialogControls.h>

#include <report/kavDataSets.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavRTTI.h>

using namespace Qt::StringLiterals;

TkavObjectCollection &kavObjectRegistry()
{
    static TkavObjectCollection registry;
    return registry;
}

void TkavObjectCollection::RegisterObject1(const QString &ClassRef, const QImage &ButtonBmp,
                                           const QString &ButtonHint, const QString &CategoryName,
                                           quint16 Flags, int ImageIndex,
                                           TkavObjectCategories Category)
{
    for (const TkavObjectItem &item : FItems)
        if (!ClassRef.isEmpty() && kavSameText(item.ClassRef, ClassRef) && item.Flags == Flags)
            return;
    if (!ClassRef.isEmpty() && Category.IsEmpty()) {
        if (kavClassInheritsFrom(ClassRef, u"TkavDataSet")
            || kavClassInheritsFrom(ClassRef, u"TkavCustomDatabase"))
            Category = {ctData};
        else if (kavClassInheritsFrom(ClassRef, u"TkavDialogControl")
                 || kavClassInheritsFrom(ClassRef, u"TkavDialogComponent"))
            Category = {ctDialog};
        else
            Category = {ctReport};
    }
    FItems.append({ClassRef, ButtonBmp, ImageIndex, ButtonHint, CategoryName, Flags, Category});
}

void TkavObjectCollection::RegisterObject(const QString &ClassRef, const QImage &ButtonBmp,
                                          const QString &CategoryName)
{
    RegisterObject1(ClassRef, ButtonBmp, QString(), CategoryName, 0, -1, {});
}

void TkavObjectCollection::RegisterCategory(const QString &CategoryName, const QImage &ButtonBmp,
                                            const QString &ButtonHint, int ImageIndex)
{
    RegisterObject1(QString(), ButtonBmp, ButtonHint, CategoryName, 0, ImageIndex, {});
}

void TkavObjectCollection::Unregister(const QString &ClassRef)
{
    FItems.removeIf([&](const TkavObjectItem &item) { return kavSameText(item.ClassRef, ClassRef); });
}

namespace {

// The dialog controls' icons follow the other object images, in palette order.
constexpr int kavDlgLabelImage = 70;

void registerPalette()
{
    TkavObjectCollection &palette = kavObjectRegistry();
    const QImage none;
    palette.RegisterObject1(u"TkavMemoView"_s, none, {}, {}, 0, 2, {ctData, ctReport});
    palette.RegisterObject1(u"TkavPictureView"_s, none, {}, {}, 0, 3, {});
    palette.RegisterObject1(u"TkavSubreport"_s, none, {}, {}, 0, 4, {ctReport, ctDMP});
    palette.RegisterObject1(u"TkavSysMemoView"_s, none, {}, {}, 0, 32, {});
    palette.RegisterCategory(u"Draw"_s, none, u"obCatDraw"_s, 6);
    palette.RegisterCategory(u"Other"_s, none, u"obCatOther"_s, 66);
    palette.RegisterObject1(u"TkavLineView"_s, none, {}, u"Draw"_s, 0, 5, {ctData, ctReport});
    palette.RegisterObject1(u"TkavLineView"_s, none, u"obDiagLine"_s, u"Draw"_s, 1, 7, {});
    for (quint16 flags : {2, 3, 4})
        palette.RegisterObject1(u"TkavLineView"_s, none, u"obDiagLine"_s, u"Draw"_s, flags,
                                61 + flags, {});
    const char16_t *shapeHints[] = {u"obRect", u"obRoundRect", u"obEllipse", u"obTrian", u"obDiamond"};
    const int shapeImages[] = {8, 9, 10, 11, 31};
    for (quint16 shape = 0; shape < 5; ++shape)
        palette.RegisterObject1(u"TkavShapeView"_s, none, QString::fromUtf16(shapeHints[shape]),
                                u"Draw"_s, shape, shapeImages[shape], {});
    palette.RegisterObject1(u"TkavSQLDatabase"_s, none, u"obDatabase"_s, {}, 0, kavDatabaseImage, {ctData});
    palette.RegisterObject1(u"TkavSQLQuery"_s, none, u"obQuery"_s, {}, 0, kavQueryImage, {ctData});
    palette.RegisterObject1(u"TkavCSVDataSet"_s, none, u"obCSVTable"_s, {}, 0, kavCSVImage, {ctData});
    palette.RegisterObject1(u"TkavJSONDataSet"_s, none, u"obJSONTable"_s, {}, 0, kavJSONImage, {ctData});
    palette.RegisterObject1(u"TkavDMPMemoView"_s, none, {}, {}, 0, 2, {ctDMP});
    palette.RegisterObject1(u"TkavDMPLineView"_s, none, {}, {}, 0, 5, {ctDMP});
    palette.RegisterObject1(u"TkavDMPCommand"_s, none, {}, {}, 0, 21, {ctDMP});
    // Dialog pages: the controls.
    const struct
    {
        const char16_t *cls;
        const char16_t *hint;
        int image;
    } controls[] = {{u"TkavLabelControl", u"obDlgLabel", kavDlgLabelImage},
                    {u"TkavEditControl", u"obDlgEdit", kavDlgLabelImage + 1},
                    {u"TkavMemoControl", u"obDlgMemo", kavDlgLabelImage + 2},
                    {u"TkavButtonControl", u"obDlgButton", kavDlgLabelImage + 3},
                    {u"TkavCheckBoxControl", u"obDlgCheckBox", kavDlgLabelImage + 4},
                    {u"TkavRadioButtonControl", u"obDlgRadioButton", kavDlgLabelImage + 5},
                    {u"TkavListBoxControl", u"obDlgListBox", kavDlgLabelImage + 6},
                    {u"TkavComboBoxControl", u"obDlgComboBox", kavDlgLabelImage + 7},
                    {u"TkavDateEditControl", u"obDlgDateEdit", kavDlgLabelImage + 8},
                    {u"TkavGroupBoxControl", u"obDlgGroupBox", kavDlgLabelImage + 9},
                    {u"TkavPanelControl", u"obDlgPanel", kavDlgLabelImage + 10},
                    {u"TkavDBLookupComboBox", u"obDlgLookup", kavDlgLabelImage + 11}};
    for (const auto &c : controls)
        palette.RegisterObject1(QString::fromUtf16(c.cls), none, QString::fromUtf16(c.hint), {}, 0,
                                c.image, {ctDialog});
}

void registerComponentEditors()
{
    TkavComponentEditorCollection &r = kavComponentEditorRegistry();
    r.Register<TkavPageEditor>(u"TkavReportPage"_s);
    r.Register<TkavViewEditor>(u"TkavView"_s);
    r.Register<TkavMemoEditor>(u"TkavMemoView"_s);
    r.Register<TkavSysMemoEditor>(u"TkavSysMemoView"_s);
    r.Register<TkavMemoEditor>(u"TkavDMPMemoView"_s);
    r.Register<TkavLineEditor>(u"TkavLineView"_s);
    r.Register<TkavLineEditor>(u"TkavDMPLineView"_s);
    r.Register<TkavPictureEditor>(u"TkavPictureView"_s);
    r.Register<TkavBandEditor>(u"TkavBand"_s);
    r.Register<TkavDataBandEditor>(u"TkavDataBand"_s);
    r.Register<TkavHeaderEditor>(u"TkavHeader"_s);
    r.Register<TkavPageHeaderEditor>(u"TkavPageHeader"_s);
    r.Register<TkavPageFooterEditor>(u"TkavPageFooter"_s);
    r.Register<TkavGroupHeaderEditor>(u"TkavGroupHeader"_s);
    r.Register<TkavColumnHeaderEditor>(u"TkavColumnHeader"_s);
    r.Register<TkavColumnFooterEditor>(u"TkavColumnFooter"_s);
    r.Register<TkavOverlayEditor>(u"TkavOverlay"_s);
    // Dialog controls come with dialog pages; the entry matches them by name once they exist.
    r.Register<TkavDialogControlEditor>(u"TkavDialogControl"_s);
    r.Register<TkavSubreportEditor>(u"TkavSubreport"_s);
    r.Register<TkavSQLQueryEditor>(u"TkavSQLQuery"_s);
}

void registerStandardEditors()
{
    TkavPropertyEditorCollection &r = kavPropertyEditorRegistry();
    r.Register<TkavNameProperty>(u"TComponentName"_s, {}, u"Name"_s);
    r.Register<TkavColorProperty>(u"TColor"_s, {}, {});
    r.Register<TkavFontProperty>(u"TFont"_s, {}, {});
    r.Register<TkavFontNameProperty>({}, u"TFont"_s, u"Name"_s);
    r.Register<TkavFontCharsetProperty>({}, u"TFont"_s, u"Charset"_s);
    r.Register<TkavModalResultProperty>(u"TModalResult"_s, {}, {});
    r.Register<TkavShortCutProperty>(u"TShortCut"_s, {}, {});
    r.Register<TkavCursorProperty>(u"TCursor"_s, {}, {});
    r.Register<TkavDateTimeProperty>(u"TDateTime"_s, {}, {});
    r.Register<TkavDateProperty>(u"TDate"_s, {}, {});
    r.Register<TkavTimeProperty>(u"TTime"_s, {}, {});
}

// A registration for a property name in any class.
const QString anyClass = u"TPersistent"_s;

void registerDesignerEditors()
{
    TkavPropertyEditorCollection &r = kavPropertyEditorRegistry();
    for (const char16_t *name : {u"Left", u"Width"})
        r.Register<TkavLocSizeXProperty>({}, u"TkavComponent"_s, QString::fromUtf16(name));
    for (const char16_t *name : {u"Top", u"Height"})
        r.Register<TkavLocSizeYProperty>({}, u"TkavComponent"_s, QString::fromUtf16(name));
    for (const char16_t *name : {u"PaperWidth", u"LeftMargin", u"RightMargin"})
        r.Register<TkavPaperXProperty>({}, u"TkavReportPage"_s, QString::fromUtf16(name));
    for (const char16_t *name : {u"PaperHeight", u"TopMargin", u"BottomMargin"})
        r.Register<TkavPaperYProperty>({}, u"TkavReportPage"_s, QString::fromUtf16(name));
    r.Register<TkavPaperProperty>({}, u"TkavReportPage"_s, u"PaperSize"_s);
    r.RegisterEventEditor<TkavEventProperty>();
    r.Register<TkavBooleanProperty>(u"Boolean"_s, {}, {});
    r.Register<TkavFrameProperty>(u"TkavFrame"_s, {}, {});
    r.Register<TkavFillProperty>(u"TkavCustomFill"_s, {}, {});
    r.Register<TkavPictureProperty>(u"TkavPicture"_s, {}, {});
    r.Register<TkavDataSetProperty>(u"TkavDataSet"_s, {}, {});
    r.Register<TkavDataFieldProperty>({}, u"TkavView"_s, u"DataField"_s);
    r.Register<TkavFileNameProperty>({}, u"TkavSQLDatabase"_s, u"DatabaseName"_s);
    r.Register<TkavSQLProperty>({}, u"TkavSQLQuery"_s, u"SQL"_s);
    r.Register<TkavFileNameProperty>({}, u"TkavTableDataSet"_s, u"FileName"_s);
    r.Register<TkavStringsProperty>(u"TStrings"_s, {}, {});
    r.Register<TkavStringsProperty>(u"TStringList"_s, {}, {});
    r.Register<TkavMemoProperty>({}, u"TkavCustomMemoView"_s, u"Memo"_s);
    r.Register<TkavBrushProperty>(u"TBrushStyle"_s, {}, {});
    r.Register<TkavFrameStyleProperty>(u"TkavFrameStyle"_s, {}, {});
    r.Register<TkavDisplayFormatProperty>({}, u"TkavMemoView"_s, u"DisplayFormat"_s);
    r.Register<TkavDisplayFormatProperty>({}, u"TkavDMPMemoView"_s, u"DisplayFormat"_s);
    r.Register<TkavStyleProperty>({}, u"TkavMemoView"_s, u"Style"_s);
    for (const char16_t *name : {u"ColumnWidth", u"ColumnGap"})
        r.Register<TkavLocSizeXProperty>({}, u"TkavDataBand"_s, QString::fromUtf16(name));
    r.Register<TkavPrinterProperty>({}, u"TkavPrintOptions"_s, u"Printer"_s);
    r.Register<TkavPaperProperty>({}, u"TkavPrintOptions"_s, u"PrintOnSheet"_s);
    for (const char16_t *name : {u"NextCrossGap", u"AddWidth"})
        r.Register<TkavLocSizeXProperty>({}, anyClass, QString::fromUtf16(name));
    r.Register<TkavLocSizeYProperty>({}, anyClass, u"AddHeight"_s);
}

void hideProperties()
{
    kavHideProperties(u"TkavReport"_s,
                      u"DefaultLanguage;IniFile;Name;Preview;ScriptLanguage;ScriptText;Tag;"
                      u"Variables;DataSetName;DotMatrixReport;OldStyleProgress;ShowProgress;"
                      u"StoreInDFM;ParentReport"_s);
    kavHideProperties(u"TkavEngineOptions"_s,
                      u"NewSilentMode;MaxMemSize;PrintIfEmpty;SilentMode;TempDir;UseFileCache"_s);
    kavHideProperties(u"TkavPreviewOptions"_s,
                      u"AllowEdit;Buttons;DoubleBuffered;Maximized;MDIChild;Modal;ShowCaptions;"
                      u"Zoom;ZoomMode"_s);
    kavHideProperties(u"TkavReportOptions"_s, u"CreateDate;LastChange;Compressed;Password"_s);
    kavHideProperties(u"TkavReportPage"_s,
                      u"Bin;BinOtherPages;ColumnWidth;ColumnPositions;DataSetName;HGuides;VGuides"_s);
    kavHideProperties(u"TkavDMPPage"_s, u"BackPicture;Color;Font;Frame"_s);
    kavHideProperties(u"TkavReportComponent"_s, u"GroupIndex"_s);
    kavHideProperties(u"TkavView"_s, u"DataSetName;BrushStyle;URL"_s);
    kavHideProperties(u"TkavBand"_s, u"Vertical"_s);
    kavHideProperties(u"TkavDataBand"_s, u"DataSetName"_s);
    kavHideProperties(u"TkavGroupHeader"_s, u"DrillName"_s);
    kavHideProperties(u"TFont"_s, u"Height;Pitch"_s);
    kavHideProperties(u"TkavHighlight"_s, u"Active"_s);
    kavHideProperties(u"TkavPictureView"_s, u"ImageIndex"_s);
    kavHideProperties(u"TkavSubreport"_s, u"Page"_s);
    kavHideProperties(u"TkavDataPage"_s, u"Left;Tag;Top;Visible"_s);
    kavHideProperties(u"TkavCustomMemoView"_s, u"FirstParaBreak;LastParaBreak"_s);
}

} // namespace

void kavRegisterDesignerEditors()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    registerStandardEditors();
    registerPalette();
    registerComponentEditors();
    registerDesignerEditors();
    hideProperties();
    kavInstallPreviewPageDesigner();
    kavRegisterWizards();
    kavInstallDialogControlPainter();
}
