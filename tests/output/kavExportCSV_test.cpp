// The CSV export: one row per printed data band, its memos from left to right, quoted where
// a value holds the separator, a quote or a line break; other bands are left out.

#include "../engine/kavEngineTestSupport.h"
#include "../kavTestSupport.h"

#include <output/kavExportCSV.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDataSets.h>
#include <report/kavViews.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Splits CSV text into records of fields (quotes, doubled quotes, line breaks in fields).
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record.append(std::exchange(field, QString()));
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record.append(std::exchange(field, QString()));
            records.append(std::exchange(record, QStringList()));
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

} // namespace

TEST(ExportCSV, DataBandRowsBecomeRecordsAndOddValuesAreQuoted)
{
    auto report = kavNewTestReport();
    auto *page = kavAddTestPage(*report, u"Page1"_s);
    TkavUserDataSet ds;
    ds.SetUserName(u"DS"_s);
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(60); // two pages
    const QStringList notes{u"plain"_s, u"a, b"_s, u"say \"hi\""_s, u"two\r\nlines"_s, u"é ü"_s};
    ds.ValueHandlers().OnGetValue = [&](const QString &field, Variant &value) {
        value = field == u"N" ? Variant(ds.RecNo() + 1) : Variant(notes[ds.RecNo() % notes.size()]);
    };
    report->DataSets().Add(&ds);
    auto *header = TkavComponent::Create<TkavPageHeader>(page);
    header->SetName(u"PageHeader1"_s);
    header->SetBounds(0, 0, 700, 20);
    auto *title = TkavComponent::Create<TkavMemoView>(header);
    title->SetName(u"Title"_s);
    title->SetBounds(0, 0, 100, 18);
    title->SetText(u"Header"_s);
    auto *data = TkavComponent::Create<TkavMasterData>(page);
    data->SetName(u"MasterData1"_s);
    data->SetBounds(0, 100, 700, 20);
    data->SetDataSet(&ds);
    // Created right to left: the columns still come out left to right.
    for (const auto &[name, left, text] : {std::tuple{u"Note"_s, 200.0, u"[DS.\"Note\"]"_s},
                                            std::tuple{u"No"_s, 0.0, u"[DS.\"N\"]"_s}}) {
        auto *m = TkavComponent::Create<TkavMemoView>(data);
        m->SetName(name);
        m->SetBounds(left, 0, 150, 18);
        m->SetText(text);
    }
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorsText().toStdString();
    ASSERT_EQ(report->PreviewPages()->Count(), 2);

    QTemporaryDir dir;
    auto csv = TkavCustomExportFilter::CreateNoRegister<TkavCSVExport>();
    csv->SetShowDialog(false);
    csv->SetFileName(dir.filePath(u"out.csv"_s));
    auto &pages = dynamic_cast<TkavPreviewPages &>(*report->PreviewPages());
    ASSERT_TRUE(pages.Export(*csv)) << report->ErrorsText().toStdString();
    QFile file(csv->FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QStringList> records = parseCsv(QString::fromUtf8(file.readAll()));
    ASSERT_EQ(records.size(), 60) << "every row, no page header";
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(records[i], (QStringList{QString::number(i + 1), notes[i % notes.size()]})) << i;

    // A run that fails inside a page leaves the earlier file whole.
    const QByteArray before = [&] {
        QFile f(csv->FileName());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    struct Failing : TkavCSVExport
    {
        using TkavCSVExport::TkavCSVExport;
        void ExportObject(TkavComponent *Obj) override
        {
            if (Obj->Name() == u"Note")
                throw EkavError(u"disk full"_s);
            TkavCSVExport::ExportObject(Obj);
        }
    } failing(frNoRegister);
    failing.SetShowDialog(false);
    failing.SetFileName(csv->FileName());
    EXPECT_FALSE(pages.Export(failing));
    QFile again(csv->FileName());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);

    // A file that cannot be written fails the export.
    csv->SetFileName(dir.filePath(u"missing/out.csv"_s));
    EXPECT_FALSE(pages.Export(*csv));
}

TEST(ExportCSV, FieldsAreQuotedOnlyWhenNeeded)
{
    auto csv = TkavCustomExportFilter::CreateNoRegister<TkavCSVExport>();
    EXPECT_EQ(csv->Field(u"abc"_s), u"abc"_s);
    EXPECT_EQ(csv->Field(u"a,b"_s), u"\"a,b\""_s);
    EXPECT_EQ(csv->Field(u"a\"b"_s), u"\"a\"\"b\""_s);
    EXPECT_EQ(csv->Field(u"a\nb"_s), u"\"a\nb\""_s);
    csv->SetSeparator(u';');
    EXPECT_EQ(csv->Field(u"a,b"_s), u"a,b"_s);
    EXPECT_EQ(csv->Field(u"a;b"_s), u"\"a;b\""_s);
}
