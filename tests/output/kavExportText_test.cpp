// The text export: the character grid (texts, lines and crossings, trimming, commands),
// an ordinary report and the dot-matrix template as text files (cells, alignment, page
// breaks, page ranges, line ends, printer command bytes) and failing targets.

#include "../kavTestSupport.h"
#include "kavOutputTestSupport.h"

#include <output/kavExportText.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavBands.h>
#include <report/kavDMP.h>
#include <report/kavExportFilter.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString dotMatrixTemplate()
{
    return QStringLiteral(KAV_TEST_DATA) + u"/dotmatrix.kv3"_s;
}

// The dot-matrix template run (Adjust may change it first).
std::unique_ptr<TkavReport> preparedDotMatrix(const std::function<void(TkavReport &)> &Adjust = {})
{
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    auto report = std::make_unique<TkavReport>();
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->LoadFromFile(dotMatrixTemplate(), true);
    if (Adjust)
        Adjust(*report);
    report->PrepareReport(true);
    report->Errors().Clear();
    return report;
}

template <class T>
T &objectOf(TkavReport &report, const QString &name)
{
    auto *obj = dynamic_cast<T *>(report.FindObject(name));
    if (!obj)
        throw std::runtime_error("missing object " + name.toStdString());
    return *obj;
}

struct Exported
{
    bool ok = false;
    QByteArray bytes;
};

// Exports report to a file in a fresh folder after Configure set up the filter.
Exported exportText(TkavReport &report, const std::function<void(TkavTextExport &)> &Configure = {})
{
    QTemporaryDir dir;
    auto filter = TkavCustomExportFilter::CreateNoRegister<TkavTextExport>();
    filter->SetShowDialog(false);
    filter->SetFileName(dir.filePath(u"out.txt"_s));
    if (Configure)
        Configure(*filter);
    Exported result;
    result.ok = store(report).Export(*filter);
    QFile file(filter->FileName());
    if (file.open(QIODevice::ReadOnly))
        result.bytes = file.readAll();
    return result;
}

QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Text at a column: spaces before it.
QString at(int column, const QString &text)
{
    return QString(column, u' ') + text;
}

// ---------------------------------------------------------------------------------------
// The grid.

TEST(TextGrid, LinesCrossAndTextOverwrites)
{
    TkavTextGrid grid;
    grid.HorizontalLine(1, 0, 4);
    grid.VerticalLine(2, 0, 2);
    EXPECT_EQ(grid.At(1, 2), u'+');
    EXPECT_EQ(grid.At(1, 0), u'-');
    EXPECT_EQ(grid.At(0, 2), u'|');
    EXPECT_EQ(grid.At(2, 2), u'|');
    // A further line through a crossing keeps it.
    grid.HorizontalLine(1, 2, 2);
    EXPECT_EQ(grid.At(1, 2), u'+');
    // Lines of the same direction do not cross.
    grid.HorizontalLine(1, 3, 6);
    EXPECT_EQ(grid.At(1, 4), u'-');
    grid.PutText(1, 1, u"ab\tc");
    EXPECT_EQ(grid.At(1, 1), u'a');
    EXPECT_EQ(grid.At(1, 2), u'b');
    EXPECT_EQ(grid.At(1, 3), u' '); // control characters become spaces
    EXPECT_EQ(grid.At(1, 4), u'c');
    EXPECT_EQ(grid.Render("\n", false), QByteArray("  |\n-ab c--\n  |\n"));
}

TEST(TextGrid, CellsOutsideTheGridAreLeftOut)
{
    TkavTextGrid grid;
    grid.PutText(0, -2, u"abcd");
    grid.PutText(-1, 0, u"never");
    grid.PutText(1, TkavTextGrid::MaxColumns - 1, u"xyz");
    grid.PutText(TkavTextGrid::MaxRows, 0, u"never");
    grid.HorizontalLine(2, -5, 1);
    grid.VerticalLine(-1, 0, 5);
    const QStringList lines = linesOf(grid.Render("\n", false));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], u"cd"_s);
    EXPECT_EQ(lines[1], at(TkavTextGrid::MaxColumns - 1, u"x"_s));
    EXPECT_EQ(lines[2], u"--"_s);
}

TEST(TextGrid, RenderTrimsAndPlacesCommands)
{
    TkavTextGrid grid;
    EXPECT_TRUE(grid.IsEmpty());
    grid.PutText(0, 0, u"ab   ");
    grid.PutText(4, 0, u"   ");
    EXPECT_EQ(grid.Render("\r\n", false), QByteArray("ab\r\n"));
    grid.PutCommand(0, 1, "<1>");
    grid.PutCommand(0, 1, "<2>");
    grid.PutCommand(0, 0, "<0>");
    grid.PutCommand(0, 40, "<end>");
    grid.PutCommand(2, 5, "<row2>");
    // Commands in order of their cells (two in one cell in the order given); a command
    // past the text's end follows it; a row holding a command is kept.
    EXPECT_EQ(grid.Render("\n", true), QByteArray("<0>a<1><2>b<end>\n\n<row2>\n"));
    EXPECT_EQ(grid.Render("\n", false), QByteArray("ab\n"));
}

TEST(TextGrid, AttributeChangesBecomeCodesWithCommands)
{
    TkavTextGrid grid;
    grid.PutText(0, 0, u"ab", 1);
    grid.PutText(0, 2, u"cd", 2);
    grid.PutText(0, 3, u"e"); // overwrites the attribute too
    grid.PutCommand(0, 2, "<c>");
    grid.HorizontalLine(1, 1, 2, 1);
    grid.PutCommand(1, 5, "<t>");
    const auto codes = [](quint16 from, quint16 to) {
        return '[' + QByteArray::number(from) + '>' + QByteArray::number(to) + ']';
    };
    // A cell's commands come before its codes; commands past the text and the row's end
    // are in attribute 0.
    EXPECT_EQ(grid.Render("\n", true, codes),
              QByteArray("[0>1]ab<c>[1>2]c[2>0]e\n [0>1]--[1>0]<t>\n"));
    EXPECT_EQ(grid.Render("\n", true), QByteArray("ab<c>ce\n --<t>\n"));
    EXPECT_EQ(grid.Render("\n", false, codes), QByteArray("abce\n --\n"));
}

TEST(TextGrid, TextIsUTF8OrLatin1WithCommands)
{
    TkavTextGrid grid;
    grid.PutText(0, 0, u"é€");
    EXPECT_EQ(grid.Render("\n", false), QString(u"é€\n"_s).toUtf8());
    EXPECT_EQ(grid.Render("\n", true), QByteArray("\xe9?\n"));
}

// ---------------------------------------------------------------------------------------
// The filter.

TEST(ExportText, RegistersAsTxtFilter)
{
    kavRegisterTextExportFilter();
    kavRegisterTextExportFilter();
    int count = 0;
    for (TkavCustomExportFilter *filter : kavExportFilters())
        count += dynamic_cast<TkavTextExport *>(filter) != nullptr;
    EXPECT_EQ(count, 1);
    auto *filter = dynamic_cast<TkavTextExport *>(kavFindExportFilter(u"txt"));
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->Name(), u"TXTExport"_s);
    EXPECT_EQ(filter->DefaultExt(), u".txt"_s);
    EXPECT_EQ(filter->GetDescription(), u"Text file (*.txt)"_s);
    EXPECT_TRUE(filter->PageBreaks());
    EXPECT_FALSE(filter->PrinterCommands());
    EXPECT_FALSE(filter->UseCRLF());
}

TEST(ExportText, DotMatrixTemplateLandsInItsCells)
{
    auto report = preparedDotMatrix();
    ASSERT_EQ(store(*report).Count(), 1);
    const Exported out = exportText(*report);
    ASSERT_TRUE(out.ok) << report->Errors().Text().toStdString();
    EXPECT_FALSE(out.bytes.contains('\f'));
    EXPECT_FALSE(out.bytes.contains('\r'));
    EXPECT_FALSE(out.bytes.contains('\x1b'));
    // The title (column 1) has a bottom frame line half a row below it: the frame runs
    // through the ring of cells around its 20 columns, and the title band is a row
    // taller for it, so the data rows start at row 2. The amounts are right-aligned in
    // columns 10-19; the rule runs from the middle of cell 0 to the middle of cell 20;
    // "End" is centred in 20 columns.
    const QStringList expected{at(1, u"Dot-matrix list"_s),
                               QString(22, u'-'),
                               u"Row 1"_s + at(14, u"1"_s),
                               u"Row 2"_s + at(14, u"2"_s),
                               u"Row 3"_s + at(14, u"3"_s),
                               QString(21, u'-'),
                               at(8, u"End"_s)};
    EXPECT_EQ(linesOf(out.bytes), expected) << out.bytes.constData();
}

TEST(ExportText, PrinterCommandsWriteTheirBytesAtTheirPlace)
{
    auto report = preparedDotMatrix([](TkavReport &r) {
        objectOf<TkavDMPMemoView>(r, u"Title"_s).SetText(u"Liste é"_s);
    });
    const Exported plain = exportText(*report);
    ASSERT_TRUE(plain.ok);
    EXPECT_TRUE(plain.bytes.startsWith(" Liste \xc3\xa9\n")) << plain.bytes.constData();
    const Exported raw = exportText(*report, [](TkavTextExport &f) { f.SetPrinterCommands(true); });
    ASSERT_TRUE(raw.ok);
    // ESC E before the title's row (column 0), ESC F at column 21, after the text's end.
    EXPECT_TRUE(raw.bytes.startsWith("\x1b\x45 Liste \xe9\x1b\x46\n")) << raw.bytes.constData();
    EXPECT_EQ(raw.bytes.count("\x1b"), 2);
}

TEST(ExportText, BadCommandFailsAndKeepsTheOldFile)
{
    auto report = preparedDotMatrix([](TkavReport &r) {
        objectOf<TkavDMPCommand>(r, u"BoldOff"_s).SetCommand(u"#300"_s);
    });
    QTemporaryDir dir;
    const QString name = dir.filePath(u"old.txt"_s);
    {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous");
    }
    TkavTextExport filter(frNoRegister);
    filter.SetShowDialog(false);
    filter.SetFileName(name);
    filter.SetPrinterCommands(true);
    EXPECT_FALSE(store(*report).Export(filter));
    EXPECT_TRUE(report->Errors().Text().contains(u"#300"_s)) << report->Errors().Text().toStdString();
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous"));
    // Without printer commands the command is not read at all.
    filter.SetPrinterCommands(false);
    EXPECT_TRUE(store(*report).Export(filter));
}

TEST(ExportText, LineEndsCanBeCRLF)
{
    auto report = preparedDotMatrix();
    const Exported out = exportText(*report, [](TkavTextExport &f) { f.SetUseCRLF(true); });
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.bytes.count("\r\n"), 7);
    EXPECT_EQ(out.bytes.count('\n'), 7);
    EXPECT_TRUE(out.bytes.endsWith("End\r\n"));
}

TEST(ExportText, OrdinaryReportPagesAndPositions)
{
    auto report = preparedRows();
    ASSERT_EQ(store(*report).Count(), 2);
    const Exported out = exportText(*report);
    ASSERT_TRUE(out.ok) << report->Errors().Text().toStdString();
    const QList<QByteArray> pages = out.bytes.split('\f');
    ASSERT_EQ(pages.size(), 2);
    const QStringList first = linesOf(pages[0]);
    const QStringList second = linesOf(pages[1]);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first[0], u"Sixty rows"_s);
    EXPECT_TRUE(first.contains(u"Row 1"_s));
    EXPECT_FALSE(second.contains(u"Row 1"_s));
    EXPECT_TRUE(second.contains(u"Row 60"_s));
    EXPECT_TRUE(second.contains(u"Page 2 of 2"_s));
    // Every text of page 1 stands at the cell of its top-left corner in the printable area.
    const std::shared_ptr<TkavReportPage> page = store(*report).GetPage(0);
    for (TkavComponent *obj : page->AllObjects()) {
        auto *memo = dynamic_cast<TkavCustomMemoView *>(obj);
        // Placeholders filled in at export time are checked above.
        if (!memo || memo->Text().trimmed().isEmpty() || memo->Text().contains(u'['))
            continue;
        const int row = int(kavDMPRoundCells(memo->AbsTop(), 17));
        const int col = int(kavDMPRoundCells(memo->AbsLeft(), 9.6));
        ASSERT_LT(row, first.size()) << memo->Name().toStdString();
        const QString firstLine = memo->Text().split(u"\r\n"_s).first();
        EXPECT_EQ(first[row].mid(col, firstLine.size()), firstLine) << memo->Name().toStdString();
    }
}

TEST(ExportText, PageBreaksOffAndPageNumbers)
{
    auto report = preparedRows();
    const Exported joined = exportText(*report, [](TkavTextExport &f) { f.SetPageBreaks(false); });
    ASSERT_TRUE(joined.ok);
    EXPECT_FALSE(joined.bytes.contains('\f'));
    const QStringList all = linesOf(joined.bytes);
    EXPECT_TRUE(all.contains(u"Row 1"_s));
    EXPECT_TRUE(all.contains(u"Row 60"_s));

    const Exported second = exportText(*report, [](TkavTextExport &f) { f.SetPageNumbers(u"2"_s); });
    ASSERT_TRUE(second.ok);
    EXPECT_FALSE(second.bytes.contains('\f'));
    const QStringList lines = linesOf(second.bytes);
    EXPECT_FALSE(lines.contains(u"Row 1"_s));
    EXPECT_TRUE(lines.contains(u"Row 60"_s));
    EXPECT_TRUE(lines.contains(u"Page 2 of 2"_s));
}

TEST(ExportText, AlignmentInsideTheCells)
{
    const struct
    {
        const char *name;
        TkavHAlign align;
        int pad;
    } rows[] = {
        // "Sixty rows" (10 characters) in a memo 400 pixels wide: 42 columns.
        {"left", haLeft, 0},
        {"right", haRight, 32},
        {"center", haCenter, 16},
        {"block_is_left", haBlock, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto report = preparedRows([&row](TkavReport &r) {
            objectOf<TkavMemoView>(r, u"Title"_s).SetHAlign(row.align);
        });
        const Exported out = exportText(*report);
        ASSERT_TRUE(out.ok);
        EXPECT_EQ(linesOf(out.bytes).value(0), at(row.pad, u"Sixty rows"_s));
    }
}

TEST(ExportText, TextsAreCutToTheirColumns)
{
    auto report = preparedRows([](TkavReport &r) {
        auto &title = objectOf<TkavMemoView>(r, u"Title"_s);
        title.SetWidth(48); // five columns
        title.SetWordWrap(false);
    });
    const Exported out = exportText(*report);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(linesOf(out.bytes).value(0), u"Sixty"_s);
}

TEST(ExportText, UnwritableTargetFailsWithAnErrorLine)
{
    auto report = preparedRows();
    QTemporaryDir dir;
    const QString name = dir.filePath(u"missing/folder/out.txt"_s);
    TkavTextExport filter(frNoRegister);
    filter.SetShowDialog(false);
    filter.SetFileName(name);
    EXPECT_FALSE(store(*report).Export(filter));
    EXPECT_TRUE(report->Errors().Text().contains(name)) << report->Errors().Text().toStdString();
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_TRUE(filter.Files().isEmpty());
}

} // namespace
