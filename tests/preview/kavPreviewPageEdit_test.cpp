// Editing a prepared page: the designer gets a flat copy (no bands, every object where it
// prints, nothing bound to data), and the prepared pages change only when the designer
// reports a change; a designer that fails costs the user nothing.
#include "engine/kavEngineTestSupport.h"
#include "kavTestSupport.h"
#include "rtl/kavUIServicesFake.h"

#include <prepared/kavPreviewPages.h>
#include <preview/kavPreview.h>
#include <preview/kavPreviewPageEdit.h>
#include <report/kavBands.h>
#include <report/kavCustomDesigner.h>
#include <report/kavViews.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavStreams.h>

#include <QMap>
#include <QPointF>
#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class PageEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        report = kavNewTestReport();
        TkavReportPage *page = kavAddTestPage(*report, u"Page1"_s);
        auto *title = kavAddTestBand<TkavReportTitle>(*page, u"ReportTitle1"_s, 0, 40);
        TFont big = title->Font();
        big.SetSize(14);
        title->SetFont(big);
        TkavMemoView *heading = addMemo(*title, u"Heading"_s, 20, 8, u"Orders"_s);
        heading->SetParentFont(true);
        heading->SetDataField(u"Name"_s);
        heading->SetAlign(baWidth);
        heading->SetRestrictions(TkavRestrictions{rfDontMove});
        auto *rows = kavAddTestBand<TkavMasterData>(*page, u"MasterData1"_s, 60, 20);
        rows->SetRowCount(3);
        addMemo(*rows, u"Row"_s, 30, 2, u"Row [Line#]"_s);
        ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
        previousHook = kavSetPreviewPageDesignerHook([this](TkavReport &edited) { designer(edited); });
    }
    void TearDown() override
    {
        kavSetPreviewPageDesignerHook(std::move(previousHook));
        report->SetPreview(nullptr);
    }

    static TkavMemoView *addMemo(TkavComponent &band, const QString &name, double left, double top,
                                 const QString &text)
    {
        auto *memo = TkavComponent::Create<TkavMemoView>(&band);
        memo->SetName(name);
        memo->SetBounds(left, top, 100, 16);
        memo->SetText(text);
        return memo;
    }
    TkavCustomPreviewPages &store() const { return *report->PreviewPages(); }
    QByteArray storeBytes() const
    {
        TMemoryStream stream;
        store().SaveToStream(stream);
        return stream.Data();
    }
    // Text → absolute position of every memo on a page.
    static QMap<QString, QPointF> places(const TkavComponent &page)
    {
        QMap<QString, QPointF> result;
        for (TkavComponent *c : page.AllObjects())
            if (auto *memo = dynamic_cast<TkavCustomMemoView *>(c))
                result.insert(memo->Text().trimmed(), {memo->AbsLeft(), memo->AbsTop()});
        return result;
    }
    static void setText(TkavReport &edited, const QString &from, const QString &to)
    {
        for (TkavComponent *c : edited.Pages(0)->AllObjects())
            if (auto *memo = dynamic_cast<TkavCustomMemoView *>(c); memo && memo->Text().trimmed() == from)
                memo->SetText(to);
    }

    TkavFakeUIServicesScope ui;
    std::unique_ptr<TkavReport> report;
    std::function<void(TkavReport &)> designer;
    TkavPreviewPageDesignerHook previousHook;
};

} // namespace

TEST_F(PageEditTest, TheDesignerGetsAFlatCopyOfThePage)
{
    const std::shared_ptr<TkavReportPage> prepared = store().GetPage(0);
    ASSERT_TRUE(prepared);
    const auto bandsOf = [](const TkavComponent &page) {
        int bands = 0;
        for (TkavComponent *c : page.AllObjects())
            bands += dynamic_cast<TkavBand *>(c) != nullptr;
        return bands;
    };
    ASSERT_GT(bandsOf(*prepared), 0) << "the prepared page must hold bands for this test";
    const QMap<QString, QPointF> printed = places(*prepared);
    ASSERT_EQ(printed.size(), 4) << QStringList(printed.keys()).join(u'|').toStdString();

    const std::unique_ptr<TkavReport> copy = kavPreparedPageReport(*prepared, report.get());
    ASSERT_EQ(copy->PagesCount(), 1);
    TkavComponent &flat = *copy->Pages(0);
    EXPECT_EQ(flat.ClassName(), prepared->ClassName());
    EXPECT_EQ(flat.Name(), u"Page1"_s);
    EXPECT_EQ(bandsOf(flat), 0);
    const QMap<QString, QPointF> placed = places(flat);
    ASSERT_EQ(placed.keys(), printed.keys());
    QSet<QString> names;
    for (TkavComponent *c : flat.AllObjects()) {
        EXPECT_EQ(c->Parent(), &flat) << c->Name().toStdString();
        names.insert(c->Name().toUpper());
        auto *memo = dynamic_cast<TkavMemoView *>(c);
        ASSERT_TRUE(memo);
        const QString text = memo->Text().trimmed();
        SCOPED_TRACE(text.toStdString());
        EXPECT_NEAR(memo->Left(), printed[text].x(), 1e-6);
        EXPECT_NEAR(memo->Top(), printed[text].y(), 1e-6);
        EXPECT_TRUE(memo->DataField().isEmpty());
        EXPECT_NE(memo->Align(), baWidth);
        EXPECT_TRUE(memo->Restrictions().IsEmpty());
        EXPECT_FALSE(memo->ParentFont());
        if (text == u"Orders") {
            EXPECT_EQ(memo->Font().Size(), 14); // the size its band gave it
        }
    }
    // The three rows printed under one name are told apart for the designer.
    EXPECT_EQ(names.size(), flat.AllObjects().size());
    // The prepared page itself is left as it was.
    EXPECT_GT(bandsOf(*store().GetPage(0)), 0);
}

TEST_F(PageEditTest, OnlyAReportedChangeIsWrittenBack)
{
    TkavPreview preview;
    report->SetPreview(&preview);
    ASSERT_TRUE(preview.CanEdit());
    const int pages = store().Count();

    // The designer changed the copy but the user dropped the changes.
    int opened = 0;
    designer = [&](TkavReport &edited) {
        ++opened;
        setText(edited, u"Orders"_s, u"Dropped"_s);
    };
    const QByteArray before = storeBytes();
    EXPECT_FALSE(preview.Edit());
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(storeBytes(), before);

    // Kept: the page shows the new text, with every other object where it was.
    designer = [&](TkavReport &edited) {
        setText(edited, u"Orders"_s, u"Invoices"_s);
        edited.SetModified(true);
    };
    const QMap<QString, QPointF> printed = places(*store().GetPage(0));
    EXPECT_TRUE(preview.Edit());
    EXPECT_EQ(store().Count(), pages);
    const QMap<QString, QPointF> now = places(*store().GetPage(0));
    EXPECT_FALSE(now.contains(u"Orders"_s));
    ASSERT_TRUE(now.contains(u"Invoices"_s));
    EXPECT_EQ(now[u"Invoices"_s], printed[u"Orders"_s]);
    EXPECT_EQ(now[u"Row 3"_s], printed[u"Row 3"_s]);

    // A designer that fails is reported and the page stays.
    designer = [](TkavReport &) { throw Exception(u"the designer broke"_s); };
    const QByteArray kept = storeBytes();
    EXPECT_FALSE(preview.Edit());
    EXPECT_EQ(storeBytes(), kept);
    ASSERT_FALSE(ui.Fake().CallsOf(u"MessageDlg"_s).empty());
    EXPECT_TRUE(ui.Fake().CallsOf(u"MessageDlg"_s).back().Text.contains(u"the designer broke"_s));

    // Editing switched off by the report, or no designer at all: nothing opens.
    opened = 0;
    designer = [&](TkavReport &) { ++opened; };
    report->PreviewOptions().SetAllowEdit(false);
    EXPECT_FALSE(preview.Edit());
    report->PreviewOptions().SetAllowEdit(true);
    kavSetPreviewPageDesignerHook({});
    EXPECT_FALSE(preview.CanEdit());
    EXPECT_FALSE(preview.Edit());
    EXPECT_EQ(opened, 0);
}
