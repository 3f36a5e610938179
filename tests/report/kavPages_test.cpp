// Pages and bands: published tables through the registry, the paper table, paper size,
// orientation and column side effects, page alignment, child chains, band numbers and
// names, dot-matrix snapping, data-band columns and row counts, and file round trips.

#include <persist/kavRes.h>
#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavBands.h>
#include <report/kavComponent.h>
#include <report/kavDataSets.h>
#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Document
{
    Document()
    {
        kavRegisterReportClasses();
        report = std::make_unique<TkavReport>();
        page = TkavComponent::Create<TkavReportPage>(report.get());
    }
    std::unique_ptr<TkavReport> report;
    TkavReportPage *page = nullptr;
};

QStringList propNames(const TkavClassInfo &info)
{
    QStringList names;
    for (const TkavPropInfo *prop : info.Props())
        names.append(prop->Name());
    return names;
}

QStringList split(const char16_t *names)
{
    return QString::fromUtf16(names).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Published tables

namespace {

const char16_t *const kBandBase = u"Name Tag Description FillType Fill FillGap Font ParentFont "
                                  u"Height Left Top Width Restrictions Visible Vertical "
                                  u"OnAfterCalcHeight OnAfterPrint OnBeforePrint ";
const char16_t *const kTitleLike =
    u"AllowSplit Child KeepChild PrintChildIfInvisible StartNewPage Stretched";

struct TableRow
{
    const char *label;
    const TkavClassInfo &(*info)();
    QStringList names;
};

} // namespace

TEST(PageBandTables, PublishedOrder)
{
    const QString base = QString::fromUtf16(kBandBase);
    const QString title = QString::fromUtf16(kTitleLike);
    const std::vector<TableRow> rows = {
        {"ReportPage",
         &TkavReportPage::StaticClassInfo,
         split(u"Name Tag Font Visible Orientation PaperWidth PaperHeight PaperSize LeftMargin "
               u"RightMargin TopMargin BottomMargin MirrorMargins Columns ColumnWidth "
               u"ColumnPositions Bin BinOtherPages BackPicture BackPictureVisible BackPicturePrintable "
               u"PageCount Color DataSet DataSetName Duplex Frame EndlessHeight EndlessWidth "
               u"LargeDesignHeight OutlineText PrintIfEmpty PrintOnPreviousPage "
               u"ResetPageNumbers TitleBeforeHeader HGuides VGuides OnAfterPrint "
               u"OnBeforePrint OnManualBuild")},
        {"DataPage", &TkavDataPage::StaticClassInfo, split(u"Name Tag Font Visible Left Top Width Height")},
        {"DataBand",
         &TkavDataBand::StaticClassInfo,
         (base + u"AllowSplit Child Columns ColumnWidth ColumnGap DataSet DataSetName "
                 u"FooterAfterEach Filter KeepChild KeepFooter KeepHeader KeepTogether "
                 u"OutlineText PrintChildIfInvisible PrintIfDetailEmpty RowCount StartNewPage "
                 u"Stretched OnMasterDetail"_s)
             .split(u' ')},
        {"Header",
         &TkavHeader::StaticClassInfo,
         (base + u"AllowSplit Child KeepChild PrintChildIfInvisible ReprintOnNewPage "
                 u"StartNewPage Stretched"_s)
             .split(u' ')},
        {"Footer",
         &TkavFooter::StaticClassInfo,
         (base + u"AllowSplit Child KeepChild PrintChildIfInvisible Stretched"_s).split(u' ')},
        {"PageHeader",
         &TkavPageHeader::StaticClassInfo,
         (base + u"Child PrintChildIfInvisible PrintOnFirstPage Stretched"_s).split(u' ')},
        {"PageFooter",
         &TkavPageFooter::StaticClassInfo,
         (base + u"PrintOnFirstPage PrintOnLastPage"_s).split(u' ')},
        {"ColumnHeader", &TkavColumnHeader::StaticClassInfo, (base + u"Child Stretched"_s).split(u' ')},
        {"GroupHeader",
         &TkavGroupHeader::StaticClassInfo,
         (base + u"AllowSplit Child Condition DrillDown ExpandDrillDown KeepChild KeepTogether "
                 u"ReprintOnNewPage OutlineText PrintChildIfInvisible ResetPageNumbers "
                 u"ShowFooterIfDrillDown ShowChildIfDrillDown StartNewPage Stretched DrillName"_s)
             .split(u' ')},
        {"GroupFooter",
         &TkavGroupFooter::StaticClassInfo,
         (base + u"AllowSplit Child HideIfSingleDataRecord KeepChild PrintChildIfInvisible "
                 u"Stretched"_s)
             .split(u' ')},
        {"ReportTitle", &TkavReportTitle::StaticClassInfo, (base + title).split(u' ')},
        {"ReportSummary", &TkavReportSummary::StaticClassInfo, (base + title).split(u' ')},
        {"Child", &TkavChild::StaticClassInfo, (base + title).split(u' ')},
        {"Overlay", &TkavOverlay::StaticClassInfo, (base + u"PrintOnTop"_s).split(u' ')},
        {"ColumnFooter", &TkavColumnFooter::StaticClassInfo, base.split(u' ', Qt::SkipEmptyParts)},
        {"NullBand", &TkavNullBand::StaticClassInfo, base.split(u' ', Qt::SkipEmptyParts)},
        {"DataBand4 (nothing of its own)",
         &TkavDataBand4::StaticClassInfo,
         propNames(TkavDataBand::StaticClassInfo())},
    };
    for (const TableRow &row : rows)
        EXPECT_EQ(propNames(row.info()), row.names) << row.label;
}

// Declared defaults and stored rules that decide what a file keeps.
TEST(PageBandTables, DefaultsAndStoredRules)
{
    struct Row
    {
        const TkavClassInfo &(*info)();
        const char16_t *prop;
        bool hasDefault;
        qint64 defaultValue;
        TkavStoredRule stored;
    };
    const std::vector<Row> rows = {
        {&TkavReportPage::StaticClassInfo, u"Orientation", true, poPortrait, srAlways},
        // Always written: a landscape page's dimensions would otherwise reload as custom.
        {&TkavReportPage::StaticClassInfo, u"PaperSize", false, 0, srAlways},
        {&TkavReportPage::StaticClassInfo, u"Columns", true, 0, srAlways},
        {&TkavReportPage::StaticClassInfo, u"Bin", true, 7, srAlways},
        {&TkavReportPage::StaticClassInfo, u"BinOtherPages", true, 7, srAlways},
        {&TkavReportPage::StaticClassInfo, u"PageCount", true, 1, srAlways},
        {&TkavReportPage::StaticClassInfo, u"Color", true, clNone, srAlways},
        {&TkavReportPage::StaticClassInfo, u"Duplex", true, dmNone, srAlways},
        {&TkavReportPage::StaticClassInfo, u"PrintIfEmpty", true, 1, srAlways},
        {&TkavReportPage::StaticClassInfo, u"TitleBeforeHeader", true, 1, srAlways},
        {&TkavReportPage::StaticClassInfo, u"DataSet", false, 0, srNever},
        {&TkavReportPage::StaticClassInfo, u"DataSetName", false, 0, srPredicate},
        {&TkavBand::StaticClassInfo, u"FillType", true, ftBrush, srAlways},
        {&TkavBand::StaticClassInfo, u"FillGap", false, 0, srAlways},
        {&TkavBand::StaticClassInfo, u"Font", false, 0, srPredicate},
        {&TkavBand::StaticClassInfo, u"Visible", true, 1, srAlways},
        {&TkavDataBand::StaticClassInfo, u"RowCount", true, 0, srAlways},
        {&TkavPageHeader::StaticClassInfo, u"PrintOnFirstPage", true, 1, srAlways},
        {&TkavPageFooter::StaticClassInfo, u"PrintOnLastPage", true, 1, srAlways},
        {&TkavOverlay::StaticClassInfo, u"PrintOnTop", true, 0, srAlways},
        {&TkavFillGaps::StaticClassInfo, u"Left", false, 0, srAlways},
    };
    for (const Row &row : rows) {
        const TkavPropInfo *prop = row.info().FindProp(QString::fromUtf16(row.prop));
        ASSERT_NE(prop, nullptr) << QString::fromUtf16(row.prop).toStdString();
        EXPECT_EQ(prop->HasDefault(), row.hasDefault) << prop->Name().toStdString();
        if (row.hasDefault) {
            EXPECT_EQ(prop->Default(), row.defaultValue) << prop->Name().toStdString();
        }
        EXPECT_EQ(prop->StoredRule(), row.stored) << prop->Name().toStdString();
    }
}

// Every declared default must be the value a new object has, or files lose settings.
TEST(PageBandTables, DeclaredDefaultsMatchInitialValues)
{
    Document doc;
    int checked = 0;
    for (const TkavClassInfo *cls : kavRegisteredDescendants(TkavComponent::StaticClassInfo())) {
        const bool ours = cls->InheritsFrom(TkavPage::StaticClassInfo())
                          || cls->InheritsFrom(TkavBand::StaticClassInfo());
        if (!ours || !cls->CanCreate())
            continue;
        TkavComponent *obj = TkavComponent::Create(cls->ClassName(), doc.page);
        ++checked;
        for (const TkavPropInfo *prop : cls->Props()) {
            if (prop->HasDefault()) {
                EXPECT_EQ(prop->GetOrd(*obj), prop->Default())
                    << cls->ClassName().toStdString() << "." << prop->Name().toStdString();
            }
        }
    }
    EXPECT_EQ(checked, 24); // four pages, the data band base and nineteen bands
}

TEST(PageBandTables, CreatedByClassName)
{
    Document doc;
    const QStringList names = split(
        u"TkavReportPage TkavDataPage TkavReportTitle TkavReportSummary TkavPageHeader "
        u"TkavPageFooter TkavHeader TkavFooter TkavMasterData TkavDetailData TkavSubdetailData "
        u"TkavDataBand4 TkavDataBand5 TkavDataBand6 TkavGroupHeader TkavGroupFooter TkavChild "
        u"TkavColumnHeader TkavColumnFooter TkavOverlay TkavNullBand TkavDataBand");
    for (const QString &name : names) {
        TkavComponent *obj = TkavComponent::Create(name, doc.report.get());
        ASSERT_NE(obj, nullptr) << name.toStdString();
        EXPECT_EQ(obj->ClassInfo().ClassName(), name);
        EXPECT_EQ(obj->Owner(), doc.report.get());
    }
    // The abstract bases have no factory.
    EXPECT_THROW(TkavComponent::Create(u"TkavBand"_s, doc.report.get()), EClassNotFound);
    EXPECT_THROW(TkavComponent::Create(u"TkavPage"_s, doc.report.get()), EClassNotFound);
}

TEST(PageBandTables, NamesAndDescriptions)
{
    Document doc;
    auto *second = TkavComponent::Create<TkavReportPage>(doc.report.get());
    doc.page->CreateUniqueName();
    second->CreateUniqueName();
    EXPECT_EQ(doc.page->Name(), u"Page1"_s);
    EXPECT_EQ(second->Name(), u"Page2"_s);
    auto *band = TkavComponent::Create<TkavMasterData>(doc.page);
    band->CreateUniqueName();
    EXPECT_EQ(band->Name(), u"MasterData1"_s);
    EXPECT_EQ(doc.page->GetDescription(), kavResourceTable().Get(u"obRepPage"_s));
    EXPECT_EQ(band->GetDescription(), kavResourceTable().Get(u"obDataBand"_s));
}

// ---------------------------------------------------------------------------------------
// Paper

TEST(PagePaper, TableRows)
{
    struct Row
    {
        int paper;
        bool known;
        double width;
        double height;
    };
    const std::vector<Row> rows = {
        {9, true, 210, 297},        // A4
        {8, true, 297, 420},        // A3
        {11, true, 148, 210},       // A5
        {1, true, 215.9, 279.4},    // Letter
        {5, true, 215.9, 355.6},    // Legal
        {0, false, -1, -1},         // no such number
        {256, false, -1, -1},       // custom
        {100000, false, -1, -1},    // out of range
    };
    for (const Row &row : rows) {
        double width = -1;
        double height = -1;
        EXPECT_EQ(kavGetPaperSize(row.paper, width, height), row.known) << row.paper;
        EXPECT_NEAR(width, row.width, 0.01) << row.paper;
        EXPECT_NEAR(height, row.height, 0.01) << row.paper;
    }
}

TEST(PagePaper, NewPageIsA4Portrait)
{
    TkavReportPage page;
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_EQ(page.Orientation(), poPortrait);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 297);
    // 210 * 3.77953 = 793.7013 and 297 * 3.77953 = 1122.5204, rounded.
    EXPECT_DOUBLE_EQ(page.Width(), 794);
    EXPECT_DOUBLE_EQ(page.Height(), 1123);
    EXPECT_DOUBLE_EQ(page.LeftMargin(), 0);
}

TEST(PagePaper, DimensionSettersMakeTheSizeCustom)
{
    TkavReportPage page;
    page.SetPaperWidth(100);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_DOUBLE_EQ(page.Width(), 378);
    page.SetPaperSize(9);
    page.SetPaperHeight(100.123456789);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 100.12345679); // 8 decimals kept
    EXPECT_DOUBLE_EQ(page.Height(), 378);
    // Large sizes round without overflow.
    page.SetPaperWidth(5000.000000004);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 5000);
}

TEST(PagePaper, SizeNumbers)
{
    TkavReportPage page;
    page.SetPaperSize(8); // A3
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 420);
    EXPECT_DOUBLE_EQ(page.Height(), 1587); // 420 * 3.77953 = 1587.4026
    // An unknown number changes only the number.
    page.SetPaperSize(0);
    EXPECT_EQ(page.PaperSize(), 0);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    // 256 and above only store the number.
    page.SetPaperSize(300);
    EXPECT_EQ(page.PaperSize(), 300);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 420);
    // Landscape pages take the table's size turned.
    page.SetOrientation(poLandscape);
    page.SetPaperSize(9);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 210);
    EXPECT_DOUBLE_EQ(page.Width(), 1123);
}

TEST(PagePaper, OrientationSwapsPaperAndRotatesMargins)
{
    TkavReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(20);
    page.SetTopMargin(30);
    page.SetBottomMargin(40);
    page.SetOrientation(poLandscape);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 210);
    EXPECT_DOUBLE_EQ(page.Width(), 1123);
    EXPECT_DOUBLE_EQ(page.Height(), 794);
    EXPECT_EQ(page.PaperSize(), 9);
    const double turned[] = {page.LeftMargin(), page.RightMargin(), page.TopMargin(),
                             page.BottomMargin()};
    EXPECT_EQ(std::vector<double>(std::begin(turned), std::end(turned)),
              (std::vector<double>{30, 40, 20, 10}));
    // The same orientation again changes nothing.
    page.SetOrientation(poLandscape);
    EXPECT_DOUBLE_EQ(page.LeftMargin(), 30);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
    page.SetOrientation(poPortrait);
    const double back[] = {page.LeftMargin(), page.RightMargin(), page.TopMargin(),
                           page.BottomMargin()};
    EXPECT_EQ(std::vector<double>(std::begin(back), std::end(back)),
              (std::vector<double>{10, 20, 30, 40}));
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
}

TEST(PagePaper, DefaultsAndSizeAndDimensions)
{
    TkavReportPage page;
    page.SetPaperWidth(50);
    page.SetDefaults();
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
    for (double margin : {page.LeftMargin(), page.RightMargin(), page.TopMargin(),
                          page.BottomMargin()})
        EXPECT_DOUBLE_EQ(margin, 10);
    page.SetSizeAndDimensions(300, 100, 50);
    EXPECT_EQ(page.PaperSize(), 300);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 100);
    EXPECT_DOUBLE_EQ(page.Height(), 189); // 50 * 3.77953 = 188.9765
}

TEST(PagePaper, ColumnsAndPageCount)
{
    TkavReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(10);
    page.SetColumns(3);
    EXPECT_NEAR(page.ColumnWidth(), 190.0 / 3, 1e-9);
    ASSERT_EQ(page.ColumnPositions().Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(kavTextToFloat(page.ColumnPositions().Strings(i)), i * 190.0 / 3, 1e-9);
    page.SetColumns(0);
    EXPECT_EQ(page.ColumnPositions().Count(), 0);
    EXPECT_NEAR(page.ColumnWidth(), 190.0 / 3, 1e-9); // kept when there are no columns

    page.SetPageCount(3);
    page.SetPageCount(0);
    page.SetPageCount(-2);
    EXPECT_EQ(page.PageCount(), 3);
    page.HGuides().Add(u"12"_s);
    page.VGuides().Add(u"5"_s);
    page.ClearGuides();
    EXPECT_EQ(page.HGuides().Count() + page.VGuides().Count(), 0);
}

TEST(PagePaper, DataPageSize)
{
    TkavDataPage page;
    EXPECT_DOUBLE_EQ(page.Width(), 1000);
    EXPECT_DOUBLE_EQ(page.Height(), 1000);
}

// A landscape A4 page and its columns read back as they were written.
TEST(PagePaper, FileRoundTrip)
{
    Document doc;
    doc.page->SetOrientation(poLandscape);
    doc.page->SetLeftMargin(12.5);
    doc.page->SetColumns(2);
    doc.page->SetColumnWidth(100); // a file's width wins over the computed one
    doc.page->SetDuplex(dmHorizontal);
    TMemoryStream saved;
    doc.page->SaveToStream(saved);

    Document other;
    saved.SetPosition(0);
    other.page->LoadFromStream(saved);
    EXPECT_EQ(other.page->Orientation(), poLandscape);
    EXPECT_EQ(other.page->PaperSize(), 9);
    EXPECT_DOUBLE_EQ(other.page->PaperWidth(), 297);
    EXPECT_DOUBLE_EQ(other.page->PaperHeight(), 210);
    EXPECT_DOUBLE_EQ(other.page->LeftMargin(), 12.5);
    EXPECT_EQ(other.page->Columns(), 2);
    EXPECT_DOUBLE_EQ(other.page->ColumnWidth(), 100);
    EXPECT_EQ(other.page->Duplex(), dmHorizontal);
    TMemoryStream again;
    other.page->SaveToStream(again);
    EXPECT_EQ(again.Data(), saved.Data());
}

// The background is drawn over the printable area only, and only when it is meant to be.
TEST(PagePaper, DrawBackground)
{
    struct Row
    {
        const char *label;
        bool visible;
        bool printable;
        bool printing;
        bool painted;
    };
    const std::vector<Row> rows = {
        {"shown", true, true, false, true},
        {"hidden", false, true, false, false},
        {"printing a printable one", true, true, true, true},
        {"printing a screen-only one", true, false, true, false},
        {"screen-only on screen", true, false, false, true},
    };
    for (const Row &row : rows) {
        TkavReportPage page;
        page.SetSizeAndDimensions(256, 50, 40);
        page.SetLeftMargin(10); // 37.8 px
        page.SetTopMargin(5);   // 18.9 px
        page.SetBottomMargin(10); // the area ends at 18.9 + 94.5 px
        page.SetColor(clRed);
        EXPECT_EQ(page.Color(), clRed);
        page.SetBackPictureVisible(row.visible);
        page.SetBackPicturePrintable(row.printable);
        page.SetIsPrinting(row.printing);
        QImage image(200, 160, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            page.Draw(&painter, 1, 1, 0, 0);
        }
        const QColor inside = image.pixelColor(60, 40);
        EXPECT_EQ(inside == QColor(Qt::red), row.painted) << row.label;
        // The margins stay clear.
        EXPECT_EQ(image.pixelColor(20, 40), QColor(Qt::white)) << row.label;
        EXPECT_EQ(image.pixelColor(60, 10), QColor(Qt::white)) << row.label;
        EXPECT_EQ(image.pixelColor(60, 140), QColor(Qt::white)) << row.label;
    }
}

// ---------------------------------------------------------------------------------------
// Alignment

TEST(PageAlign, BandsTakeColumnOrPageWidth)
{
    Document doc;
    TkavReportPage &page = *doc.page;
    page.SetLeftMargin(10);
    page.SetRightMargin(10);
    page.SetTopMargin(10);
    page.SetBottomMargin(10);
    page.SetColumns(2);
    auto *data = TkavComponent::Create<TkavMasterData>(&page);
    auto *header = TkavComponent::Create<TkavPageHeader>(&page);
    auto *title = TkavComponent::Create<TkavReportTitle>(&page);
    auto *vertical = TkavComponent::Create<TkavMasterData>(&page);
    auto *shifted = TkavComponent::Create<TkavPageFooter>(&page);
    vertical->SetVertical(true);
    vertical->SetTop(100);
    vertical->SetWidth(40);
    shifted->SetLeft(18.11);
    page.AlignChildren();
    EXPECT_NEAR(data->Width(), 95 * 3.77953, 1e-9);          // 359.05
    EXPECT_NEAR(header->Width(), 190 * 3.77953, 1e-9);       // 718.11
    EXPECT_NEAR(title->Width(), 190 * 3.77953, 1e-9);
    EXPECT_NEAR(vertical->Height(), 277 * 3.77953 - 100, 1e-9);
    EXPECT_DOUBLE_EQ(vertical->Width(), 40);
    EXPECT_NEAR(shifted->Width(), 190 * 3.77953 - 18.11, 1e-9);
    EXPECT_DOUBLE_EQ(page.Width(), 794);
    EXPECT_DOUBLE_EQ(page.Height(), 1123);
    EXPECT_EQ(page.FindBand(TkavPageHeader::StaticClassInfo()), header);
    EXPECT_EQ(page.FindBand(TkavDataBand::StaticClassInfo()), data);
    EXPECT_EQ(page.FindBand(TkavOverlay::StaticClassInfo()), nullptr);

    // One column: every band spans the page.
    page.SetColumns(1);
    page.AlignChildren();
    EXPECT_NEAR(data->Width(), 190 * 3.77953, 1e-9);
}

// ---------------------------------------------------------------------------------------
// Bands

TEST(Bands, NumbersAndNames)
{
    struct Row
    {
        const char16_t *cls;
        int number;
        const char16_t *name;
    };
    const std::vector<Row> rows = {
        {u"TkavReportTitle", 0, u"ReportTitle"},   {u"TkavReportSummary", 1, u"ReportSummary"},
        {u"TkavPageHeader", 2, u"PageHeader"},     {u"TkavPageFooter", 3, u"PageFooter"},
        {u"TkavHeader", 4, u"Header"},             {u"TkavFooter", 5, u"Footer"},
        {u"TkavMasterData", 6, u"MasterData"},     {u"TkavDetailData", 7, u"DetailData"},
        {u"TkavSubdetailData", 8, u"SubdetailData"}, {u"TkavDataBand4", 9, u"Data4"},
        {u"TkavDataBand5", 10, u"Data5"},          {u"TkavDataBand6", 11, u"Data6"},
        {u"TkavGroupHeader", 12, u"GroupHeader"},  {u"TkavGroupFooter", 13, u"GroupFooter"},
        {u"TkavChild", 14, u"Child"},              {u"TkavColumnHeader", 15, u"ColumnHeader"},
        {u"TkavColumnFooter", 16, u"ColumnFooter"}, {u"TkavOverlay", 17, u"Overlay"},
        {u"TkavNullBand", 0, u"Null"},             {u"TkavDataBand", 0, u"Data"},
    };
    Document doc;
    for (const Row &row : rows) {
        auto *band = dynamic_cast<TkavBand *>(
            TkavComponent::Create(QString::fromUtf16(row.cls), doc.page));
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->BandNumber(), row.number) << QString::fromUtf16(row.cls).toStdString();
        EXPECT_EQ(band->BandName(), QString::fromUtf16(row.name));
    }
}

TEST(Bands, ChildChains)
{
    Document doc;
    auto *a = TkavComponent::Create<TkavChild>(doc.page);
    auto *b = TkavComponent::Create<TkavChild>(doc.page);
    auto *data = TkavComponent::Create<TkavMasterData>(doc.page);
    a->SetChild(b);
    const QString message = kavResourceTable().Get(u"clCirRefNotAllow"_s);
    struct Row
    {
        const char *label;
        TkavBand *band;
        TkavChild *child;
    };
    const std::vector<Row> loops = {{"B -> A -> B", b, a}, {"A -> A", a, a}};
    for (const Row &row : loops) {
        TkavChild *before = row.band->Child();
        try {
            row.band->SetChild(row.child);
            ADD_FAILURE() << row.label << " was accepted";
        } catch (const EkavError &e) {
            EXPECT_EQ(e.Message(), message) << row.label;
        }
        EXPECT_EQ(row.band->Child(), before) << row.label;
    }
    data->SetChild(a); // data -> A -> B: no loop
    EXPECT_EQ(data->Child(), a);
    b->Free();
    EXPECT_EQ(a->Child(), nullptr);
    data->SetChild(nullptr);
    EXPECT_EQ(data->Child(), nullptr);
}

TEST(Bands, DotMatrixSnapping)
{
    Document doc;
    auto *dmp = TkavComponent::Create<TkavDMPPage>(doc.report.get());
    auto *band = TkavComponent::Create<TkavMasterData>(dmp);
    auto *plain = TkavComponent::Create<TkavMasterData>(doc.page);
    struct Row
    {
        double left, top, height;
        double snappedLeft, snappedTop, snappedHeight;
    };
    const std::vector<Row> rows = {
        {10, 30, 20, 9.6, 34, 17},
        {0, 8.4, 8.6, 0, 0, 17},
        {14.4, 25.5, 42.5, 19.2, 34, 34}, // halves go to the even multiple
    };
    for (const Row &row : rows) {
        band->SetBounds(row.left, row.top, 100, row.height);
        plain->SetBounds(row.left, row.top, 100, row.height);
        EXPECT_NEAR(band->Left(), row.snappedLeft, 1e-9);
        EXPECT_NEAR(band->Top(), row.snappedTop, 1e-9);
        EXPECT_NEAR(band->Height(), row.snappedHeight, 1e-9);
        EXPECT_DOUBLE_EQ(plain->Left(), row.left);
        EXPECT_DOUBLE_EQ(plain->Top(), row.top);
        EXPECT_DOUBLE_EQ(plain->Height(), row.height);
    }
}

TEST(Bands, FillTypeReplacesTheFill)
{
    TkavMasterData band;
    ASSERT_NE(dynamic_cast<TkavBrushFill *>(band.Fill()), nullptr);
    static_cast<TkavBrushFill *>(band.Fill())->SetBackColor(clRed);
    band.SetFillType(ftBrush); // same kind: kept
    EXPECT_EQ(static_cast<TkavBrushFill *>(band.Fill())->BackColor(), clRed);
    band.SetFillType(ftGradient);
    EXPECT_NE(dynamic_cast<TkavGradientFill *>(band.Fill()), nullptr);
    EXPECT_EQ(band.FillType(), ftGradient);
    TkavGlassFill glass;
    glass.SetBlend(0.25);
    band.SetFill(&glass);
    ASSERT_EQ(band.FillType(), ftGlass);
    EXPECT_DOUBLE_EQ(static_cast<TkavGlassFill *>(band.Fill())->Blend(), 0.25);
    EXPECT_NE(band.Fill(), &glass); // a copy
}

// The background memo: none for the untouched brush; one copy of the fill, first among the
// band's objects, inside the gaps, made once and then refreshed.
TEST(Bands, FillMemoCarriesTheBackground)
{
    TkavReport report;
    auto *page = TkavComponent::Create<TkavReportPage>(&report);
    auto *band = TkavComponent::Create<TkavMasterData>(page);
    band->SetBounds(0, 20, 300, 40);
    auto *memo = TkavComponent::Create<TkavMemoView>(band);
    band->CreateFillMemo();
    EXPECT_EQ(band->FillMemo(), nullptr);
    EXPECT_EQ(band->Objects().size(), 1);

    static_cast<TkavBrushFill *>(band->Fill())->SetBackColor(clYellow);
    band->FillGap().SetLeft(2);
    band->FillGap().SetTop(3);
    band->FillGap().SetRight(4);
    band->FillGap().SetBottom(5);
    band->CreateFillMemo();
    TkavMemoView *fill = band->FillMemo();
    ASSERT_NE(fill, nullptr);
    ASSERT_EQ(band->Objects().size(), 2);
    EXPECT_EQ(band->Objects()[0], fill);
    EXPECT_EQ(band->Objects()[1], memo);
    EXPECT_EQ(fill->Color(), clYellow);
    EXPECT_EQ(fill->Left(), 2);
    EXPECT_EQ(fill->Top(), 3);
    EXPECT_EQ(fill->Width(), 294);
    EXPECT_EQ(fill->Height(), 32);

    band->SetFillType(ftGradient);
    band->FillGap().SetBottom(100); // larger than the band: no negative height
    band->CreateFillMemo();
    EXPECT_EQ(band->FillMemo(), fill);
    EXPECT_EQ(band->Objects().size(), 2);
    EXPECT_EQ(fill->FillType(), ftGradient);
    EXPECT_EQ(fill->Height(), 0);
}

TEST(Bands, DataBandRowCountAndColumns)
{
    TkavMasterData band;
    EXPECT_EQ(band.VirtualDataSet().RangeEnd(), reCount);
    band.SetRowCount(5);
    EXPECT_EQ(band.VirtualDataSet().RangeEndCount(), 5);
    EXPECT_EQ(band.VirtualDataSet().RecordCount(), 5);

    band.SetColumns(3);
    band.SetColumnWidth(100);
    band.SetColumnGap(10);
    struct Row
    {
        int set;
        int column;
        double left;
    };
    band.SetCurColumn(2);
    band.SetMaxY(50);
    const std::vector<Row> rows = {{3, 3, 220}, {4, 1, 0}, {2, 2, 110}};
    for (const Row &row : rows) {
        band.SetCurColumn(row.set);
        EXPECT_EQ(band.CurColumn(), row.column) << row.set;
        EXPECT_DOUBLE_EQ(band.Left(), row.left) << row.set;
    }
    EXPECT_DOUBLE_EQ(band.MaxY(), 0); // reset when the row started again at column 1
    band.SetMaxY(70);
    band.SetCurColumn(3);
    EXPECT_DOUBLE_EQ(band.MaxY(), 70);
}

TEST(Bands, DataSetLinks)
{
    Document doc;
    auto *dataSet = TkavComponent::Create<TkavUserDataSet>(doc.report.get());
    dataSet->SetName(u"Customers"_s);
    auto *band = TkavComponent::Create<TkavMasterData>(doc.page);
    band->SetDataSetName(u"customers"_s);
    EXPECT_EQ(band->DataSet(), dataSet);
    doc.page->SetDataSet(dataSet);
    EXPECT_EQ(doc.page->DataSetName(), u"Customers"_s);
    dataSet->Free();
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(doc.page->DataSet(), nullptr);
}

TEST(Bands, GroupHeaderDiffEscapesDrillName)
{
    Document doc;
    auto *group = TkavComponent::Create<TkavGroupHeader>(doc.page);
    auto *other = TkavComponent::Create<TkavGroupHeader>(doc.page);
    group->SetDrillName(u"a\"b<c"_s);
    EXPECT_FALSE(group->Diff(*other).contains(u"DrillName"_s));
    group->SetDrillDown(true);
    const QString diff = group->Diff(*other);
    EXPECT_TRUE(diff.endsWith(u" DrillName=\""_s + kavEncodeXMLText(u"a\"b<c"_s) + u'"'))
        << diff.toStdString();
    EXPECT_FALSE(diff.contains(u"a\"b"_s));
    EXPECT_TRUE(diff.contains(u" t="_s)); // bands always write their top
}
