// A whole document through the kv3 form: report, page, bands and views written, read into a
// fresh report and written again must give the same bytes; single-quoted attributes,
// repeated names, data-set positions and picture data read from files.
#include "kavReportTestSupport.h"

#include <persist/kavXML.h>
#include <persist/kavXMLSerializer.h>
#include <report/kavClass.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QImage>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ReportFile : public TkavReportTest
{
protected:

    // A small invoice-like document: a page with a title, a data band and views on them.
    static void build(TkavReport &report)
    {
        // Every loaded report has its data page first.
        TkavComponent::Create<TkavDataPage>(&report)->SetName(u"Data"_s);
        auto *page = TkavComponent::Create<TkavReportPage>(&report);
        page->CreateUniqueName();
        page->SetOrientation(poLandscape);
        auto *title = TkavComponent::Create<TkavReportTitle>(page);
        title->CreateUniqueName();
        title->SetHeight(40);
        auto *data = TkavComponent::Create<TkavMasterData>(page);
        data->CreateUniqueName();
        data->SetTop(60);
        data->SetHeight(20);
        auto *memo = TkavComponent::Create<TkavMemoView>(title);
        memo->CreateUniqueName();
        memo->SetBounds(10, 5, 200, 18);
        memo->SetText(u"Fatura \"Nº 1\" & <cia>\r\nsegunda linha"_s);
        memo->Frame().SetTyp(TkavFrameTypes{ftLeft, ftBottom});
        memo->Frame().SetWidth(2.5);
        auto *line = TkavComponent::Create<TkavLineView>(data);
        line->CreateUniqueName();
        line->SetBounds(0, 19, 300, 0);
        auto *shape = TkavComponent::Create<TkavShapeView>(data);
        shape->CreateUniqueName();
        shape->SetBounds(310, 2, 16, 16);
        shape->SetShape(skEllipse);
    }
};

TEST_F(ReportFile, SaveLoadSaveGivesIdenticalBytes)
{
    TkavReport first;
    build(first);
    const QByteArray once = save(first);
    ASSERT_FALSE(once.isEmpty());

    TkavReport second;
    load(second, once);
    EXPECT_EQ(second.Errors().Count(), 0) << qPrintable(second.Errors().Text());
    EXPECT_EQ(save(second), once);

    // The content survived, not only the bytes.
    auto *memo = dynamic_cast<TkavMemoView *>(second.FindObject(u"Memo1"_s));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text(), u"Fatura \"Nº 1\" & <cia>\r\nsegunda linha\r\n"_s);
    EXPECT_DOUBLE_EQ(memo->Frame().Width(), 2.5);
    EXPECT_EQ(memo->Parent()->Name(), u"ReportTitle1"_s);
    auto *page = dynamic_cast<TkavReportPage *>(second.FindObject(u"Page1"_s));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Orientation(), poLandscape);
}

TEST_F(ReportFile, LegacyCommaFloatsLoad)
{
    TkavReport first;
    build(first);
    QByteArray bytes = save(first);
    ASSERT_TRUE(bytes.contains("Width=\"2.5\""));
    bytes.replace("Width=\"2.5\"", "Width=\"2,5\"");
    TkavReport second;
    load(second, bytes);
    auto *memo = dynamic_cast<TkavMemoView *>(second.FindObject(u"Memo1"_s));
    ASSERT_NE(memo, nullptr);
    EXPECT_DOUBLE_EQ(memo->Frame().Width(), 2.5);
}

TEST_F(ReportFile, UnknownClassIsOneErrorLineAndTheRestLoads)
{
    TkavReport first;
    build(first);
    QByteArray bytes = save(first);
    bytes.replace("<TkavShapeView", "<TkavNoSuchView");
    bytes.replace("</TkavShapeView>", "</TkavNoSuchView>");
    TkavReport second;
    load(second, bytes);
    EXPECT_GE(second.Errors().Count(), 1);
    EXPECT_NE(second.FindObject(u"Memo1"_s), nullptr);
    EXPECT_NE(second.FindObject(u"Line1"_s), nullptr);
}

QByteArray kv3(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n") + body;
}

TkavMemoView *memoOf(TkavReport &report, const QString &name)
{
    return dynamic_cast<TkavMemoView *>(report.FindObject(name));
}

TEST_F(ReportFile, SingleQuotedAttributesKeepTheirNames)
{
    TkavReport report;
    load(
        report,
        kv3(R"(<TkavReport><TkavReportPage Name='Page1'><TkavReportTitle Name="RT" Height='40'>)"
            R"(<TkavMemoView Name="M" Left='0' Top="30" Width = '100' Height="18")"
            R"( Text='single "quoted" &amp; it&#39;s'/></TkavReportTitle></TkavReportPage></TkavReport>)"));
    EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
    TkavMemoView *memo = memoOf(report, u"M"_s);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Left(), 0);
    EXPECT_EQ(memo->Top(), 30);
    EXPECT_EQ(memo->Width(), 100);
    EXPECT_EQ(memo->Text(), u"single \"quoted\" & it's\r\n"_s);
    // Written back in the double-quoted form, which reads back to the same bytes.
    const QByteArray once = save(report);
    EXPECT_TRUE(once.contains(R"(Text="single &#34;quoted&#34; &#38; it's")")) << once.constData();
    TkavReport again;
    load(again, once);
    EXPECT_EQ(save(again), once);
}

TEST_F(ReportFile, QuotesThatDoNotCloseRefuseTheFile)
{
    TkavReport report;
    load(
        report,
        kv3(R"(<TkavReport><TkavReportPage Name="Page1"><TkavReportTitle Name="RT">)"
            R"(<TkavMemoView Name="M" Left='0 Top="30"/></TkavReportTitle></TkavReportPage></TkavReport>)"));
    EXPECT_TRUE(report.Errors().Text().contains(u"Invalid file format"_s));
    EXPECT_EQ(report.FindObject(u"M"_s), nullptr);
}

// A name given twice in one file: both objects stay, the second under a new name that no
// other object of the file uses.
TEST_F(ReportFile, RepeatedNameKeepsBothObjects)
{
    TkavReport report;
    load(report,
         kv3("<TkavReport><TkavReportPage Name=\"Page1\">"
             "<TkavReportTitle Name=\"RT\" Height=\"40\"><TkavMemoView Name=\"Memo1\" "
             "Text=\"first\"/></TkavReportTitle>"
             "<TkavReportSummary Name=\"RS\" Top=\"100\" Height=\"40\"><TkavMemoView "
             "Name=\"memo1\" Text=\"second\"/>"
             "<TkavMemoView Name=\"Memo2\" "
             "Text=\"third\"/></TkavReportSummary></TkavReportPage></TkavReport>"));
    ASSERT_EQ(report.Errors().Count(), 1);
    const QString error = report.Errors().Strings(0);
    EXPECT_TRUE(error.contains(u"memo1"_s) && error.contains(u"Memo1"_s)
                && error.contains(u"Memo3"_s))
        << qPrintable(error);
    EXPECT_EQ(memoOf(report, u"Memo1"_s)->Text(), u"first\r\n"_s);
    EXPECT_EQ(memoOf(report, u"Memo1"_s)->Parent()->Name(), u"RT"_s);
    ASSERT_NE(memoOf(report, u"Memo3"_s), nullptr);
    EXPECT_EQ(memoOf(report, u"Memo3"_s)->Text(), u"second\r\n"_s);
    EXPECT_EQ(memoOf(report, u"Memo3"_s)->Parent()->Name(), u"RS"_s);
    EXPECT_EQ(memoOf(report, u"Memo2"_s)->Text(), u"third\r\n"_s);
}

// Data sets keep their place on the data page in the file.
TEST_F(ReportFile, DataSetPositionRoundTrips)
{
    TkavReport report;
    auto *dataPage = TkavComponent::Create<TkavDataPage>(&report);
    dataPage->SetName(u"Data"_s);
    auto *users = TkavComponent::Create<TkavUserDataSet>(dataPage);
    users->SetName(u"Users"_s);
    users->SetLeft(124);
    users->SetTop(300);
    const QByteArray once = save(report);
    // pLeft 124 (8 bits, 0x7C) and pTop 300 (16 bits, 0x012C)
    EXPECT_TRUE(once.contains("PropData=\"05704C656674027C0470546F70032C01\"")) << once.constData();
    TkavReport second;
    load(second, once);
    EXPECT_EQ(second.Errors().Count(), 0) << qPrintable(second.Errors().Text());
    const TkavComponent *loaded = second.FindObject(u"Users"_s);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Left(), 124);
    EXPECT_EQ(loaded->Top(), 300);
    EXPECT_EQ(save(second), once);
}

// Picture data: a length-prefixed graphic class name, then the graphic's own form.
class PictureFile : public ReportFile
{
protected:
    static QByteArray png()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    // The entry "Data" holding data, then the end of the list.
    static QByteArray propData(const QByteArray &data)
    {
        QByteArray bytes("\x04"
                         "Data"
                         "\x0A");
        const quint32 size = qToLittleEndian(quint32(data.size()));
        bytes.append(reinterpret_cast<const char *>(&size), 4);
        return bytes + data + QByteArray(1, '\0');
    }

    static QByteArray withPicture(const QByteArray &data)
    {
        return kv3("<TkavReport><TkavReportPage Name=\"Page1\"><TkavReportTitle Name=\"RT\">"
                   "<TkavPictureView Name=\"Pic\" Picture.PropData=\"")
               + propData(data).toHex().toUpper()
               + "\"/></TkavReportTitle></TkavReportPage></TkavReport>";
    }

    static const TkavPicture *pictureOf(TkavReport &report)
    {
        auto *view = dynamic_cast<TkavPictureView *>(report.FindObject(u"Pic"_s));
        return view ? &view->Picture() : nullptr;
    }
};

TEST_F(PictureFile, ClassNamedAndBareFormsLoadAndTheClassNamedOneIsWritten)
{
    const QByteArray sized = [] {
        QByteArray count(4, '\0');
        qToLittleEndian(quint32(png().size()), count.data());
        return count + png();
    }();
    const struct
    {
        const char *name;
        QByteArray data;
    } forms[] = {{"class name", QByteArray("\x09TPngImage") + png()},
                 {"class name and count", QByteArray("\x07TBitmap") + sized},
                 {"bare bytes", png()}};
    for (const auto &form : forms) {
        SCOPED_TRACE(form.name);
        TkavReport report;
        load(report, withPicture(form.data));
        EXPECT_EQ(report.Errors().Count(), 0) << qPrintable(report.Errors().Text());
        const TkavPicture *picture = pictureOf(report);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->Format(), pfPNG);
        EXPECT_EQ(picture->Width(), 3);
        const QByteArray once = save(report);
        EXPECT_TRUE(once.contains(QByteArray("\x09TPngImage").toHex().toUpper()))
            << once.constData();
        TkavReport again;
        load(again, once);
        EXPECT_EQ(save(again), once);
    }
}

TEST_F(PictureFile, UnreadablePictureDataIsReportedWithItsObject)
{
    TkavReport report;
    load(report, withPicture(QByteArray("\x09TGIFImage") + "GIF89a and more"));
    ASSERT_EQ(report.Errors().Count(), 1);
    EXPECT_TRUE(report.Errors().Strings(0).startsWith(u"Pic: "_s))
        << qPrintable(report.Errors().Text());
    EXPECT_TRUE(report.Errors().Strings(0).contains(u"TGIFImage"_s));
    EXPECT_TRUE(pictureOf(report)->IsEmpty());
}

} // namespace

// The prepared pages build objects from a source read once (an attribute template) instead
// of reading its text each time: for every object of the file holding every class, alone
// and with differences read after it, the two ways must make the same object.
TEST_F(ReportFile, AttributeTemplateBuildsWhatReadingTheTextBuilds)
{
    TkavReport source;
    source.LoadFromFile(QStringLiteral(KAV_TEST_DATA "/every_class.kv3"), true);
    ASSERT_TRUE(source.LastLoadOk()) << qPrintable(source.ErrorsText());
    TkavReport scratch; // owns what is built
    TkavXMLSerializer serializer;
    const QString differences = u"l=\"7.5\" t=\"9\" Font.Style=\"2\" Frame.Typ=\"5\" Text=\"other &#38; more\""_s;
    int compared = 0;
    for (TkavComponent *obj : source.AllObjects()) {
        const QString text = serializer.WriteComponentStr(obj);
        const auto start = serializer.ReadAttributeTemplate(text);
        ASSERT_TRUE(start) << qPrintable(text);
        for (const QString &more : {QString(), differences}) {
            TkavComponent *read = serializer.ReadComponentStr(&scratch, text + u' ' + more, true);
            TkavComponent *built = serializer.ReadComponentStr(&scratch, *start, more, true);
            ASSERT_TRUE(read && built) << qPrintable(text);
            EXPECT_EQ(serializer.WriteComponentStr(built), serializer.WriteComponentStr(read))
                << qPrintable(obj->Name());
        }
        ++compared;
    }
    EXPECT_GT(compared, 30);
    EXPECT_EQ(serializer.Errors().Count(), 0) << qPrintable(serializer.Errors().Text());
}
