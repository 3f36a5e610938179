#include "kavExportText.h"

#include <report/kavDMP.h>
#include <report/kavPages.h>
#include <report/kavViews.h>
#include <rtl/kavStreams.h>

#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Cells from report pixels, halves to the even neighbour (grid values stay put).
int cellsOf(double pixels, double cell)
{
    const qint64 cells = kavDMPRoundCells(pixels, cell);
    // Far outside the grid is as good as just outside it; the clamp keeps sums in range.
    constexpr qint64 limit = qint64(1) << 24;
    return int(std::clamp<qint64>(cells, -limit, limit));
}

int columnOf(double pixels)
{
    return cellsOf(pixels, kavDMPCharWidth);
}

int rowOf(double pixels)
{
    return cellsOf(pixels, kavDMPCharHeight);
}

// The lines of a text whose lines end with line breaks (the last break ends no line).
QStringList linesOf(const QString &text)
{
    static const QRegularExpression breaks(u"\r\n|\n|\r"_s);
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// line cut to columns and placed in them by align.
QString alignedLine(const QString &line, int columns, TkavHAlign align)
{
    const QString cut = line.left(std::max(columns, 0));
    const qsizetype free = columns - cut.size();
    if (align == haRight)
        return QString(free, u' ') + cut;
    if (align == haCenter)
        return QString(free / 2, u' ') + cut;
    return cut;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavTextGrid

QString *TkavTextGrid::cellRow(int row, int col)
{
    if (row < 0 || col < 0 || row >= MaxRows || col >= MaxColumns)
        return nullptr;
    if (size_t(row) >= FRows.size())
        FRows.resize(size_t(row) + 1);
    QString &line = FRows[size_t(row)];
    if (line.size() <= col)
        line.append(QString(col + 1 - line.size(), u' '));
    return &line;
}

void TkavTextGrid::setAttribute(int row, int col, quint16 attribute)
{
    // Rows without attributes keep no list; cells past a list's end hold 0.
    if (attribute == 0 && AttributeAt(row, col) == 0)
        return;
    if (size_t(row) >= FAttributes.size())
        FAttributes.resize(size_t(row) + 1);
    std::vector<quint16> &cells = FAttributes[size_t(row)];
    if (cells.size() <= size_t(col))
        cells.resize(size_t(col) + 1);
    cells[size_t(col)] = attribute;
}

void TkavTextGrid::PutText(int row, int col, QStringView text, quint16 attribute)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype at = col + i;
        if (at >= MaxColumns)
            break;
        if (QString *line = cellRow(row, int(at))) {
            const QChar c = text[i];
            (*line)[at] = c.category() == QChar::Other_Control ? u' ' : c;
            setAttribute(row, int(at), attribute);
        }
    }
}

void TkavTextGrid::PutLine(int row, int col, QChar c, quint16 attribute)
{
    QString *line = cellRow(row, col);
    if (!line)
        return;
    const QChar old = (*line)[col];
    const QChar other = c == u'-' ? u'|' : u'-';
    (*line)[col] = old == other || old == u'+' ? u'+' : c;
    setAttribute(row, col, attribute);
}

void TkavTextGrid::HorizontalLine(int row, int col0, int col1, quint16 attribute)
{
    if (col0 > col1)
        std::swap(col0, col1);
    for (int c = std::max(col0, 0); c <= std::min(col1, MaxColumns - 1); ++c)
        PutLine(row, c, u'-', attribute);
}

void TkavTextGrid::VerticalLine(int col, int row0, int row1, quint16 attribute)
{
    if (row0 > row1)
        std::swap(row0, row1);
    for (int r = std::max(row0, 0); r <= std::min(row1, MaxRows - 1); ++r)
        PutLine(r, col, u'|', attribute);
}

void TkavTextGrid::PutCommand(int row, int col, const QByteArray &bytes)
{
    if (row < 0 || row >= MaxRows || bytes.isEmpty())
        return;
    FCommands.push_back(Command{row, std::clamp(col, 0, MaxColumns), bytes});
}

QChar TkavTextGrid::At(int row, int col) const
{
    if (row < 0 || col < 0 || size_t(row) >= FRows.size() || FRows[size_t(row)].size() <= col)
        return u' ';
    return FRows[size_t(row)][col];
}

quint16 TkavTextGrid::AttributeAt(int row, int col) const
{
    if (row < 0 || col < 0 || size_t(row) >= FAttributes.size())
        return 0;
    const std::vector<quint16> &cells = FAttributes[size_t(row)];
    return size_t(col) < cells.size() ? cells[size_t(col)] : 0;
}

bool TkavTextGrid::IsEmpty() const
{
    return FCommands.empty()
           && std::all_of(FRows.begin(), FRows.end(), [](const QString &row) {
                  return row.trimmed().isEmpty();
              });
}

QByteArray TkavTextGrid::Render(const QByteArray &eol,
                                bool commands,
                                const TkavAttributeCodes &codes) const
{
    std::vector<Command> sorted = commands ? FCommands : std::vector<Command>{};
    std::stable_sort(sorted.begin(), sorted.end(), [](const Command &a, const Command &b) {
        return a.Row != b.Row ? a.Row < b.Row : a.Col < b.Col;
    });
    int rowCount = int(FRows.size());
    while (rowCount > 0 && FRows[size_t(rowCount - 1)].trimmed().isEmpty())
        --rowCount;
    if (!sorted.empty())
        rowCount = std::max(rowCount, sorted.back().Row + 1);
    QByteArray out;
    auto command = sorted.cbegin();
    for (int r = 0; r < rowCount; ++r) {
        QString row = size_t(r) < FRows.size() ? FRows[size_t(r)] : QString();
        while (row.endsWith(u' '))
            row.chop(1);
        if (!commands) {
            out += row.toUtf8() + eol;
            continue;
        }
        qsizetype written = 0;
        quint16 current = 0;
        const auto attributeAt = [&](qsizetype c) {
            return codes ? AttributeAt(r, int(c)) : quint16(0);
        };
        // The text up to end, in runs of one attribute, each after the codes that set it.
        const auto textUpTo = [&](qsizetype end) {
            while (written < end) {
                const quint16 attribute = attributeAt(written);
                if (attribute != current) {
                    out += codes(current, attribute);
                    current = attribute;
                }
                qsizetype run = written + 1;
                while (run < end && attributeAt(run) == attribute)
                    ++run;
                out += row.mid(written, run - written).toLatin1();
                written = run;
            }
        };
        const auto plain = [&] {
            if (current != 0)
                out += codes(current, 0);
            current = 0;
        };
        for (; command != sorted.cend() && command->Row == r; ++command) {
            textUpTo(std::min<qsizetype>(command->Col, row.size()));
            if (command->Col >= row.size()) // past the text: no style of its own
                plain();
            out += command->Bytes;
        }
        textUpTo(row.size());
        plain();
        out += eol;
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// TkavTextExport

TkavTextExport::TkavTextExport(TkavFilterRegistration Registration)
    : TkavCustomExportFilter(Registration)
{
    SetName(u"TXTExport"_s);
    SetDefaultExt(u".txt"_s);
    SetFilterDesc(GetDescription());
}

QString TkavTextExport::GetDescription() const
{
    return u"Text file (*.txt)"_s;
}

bool TkavTextExport::Start()
{
    FOutput.clear();
    FGrid = TkavTextGrid();
    FPagesDone = 0;
    FPage = nullptr;
    Files().clear();
    return true;
}

void TkavTextExport::StartPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::StartPage(Page, Index);
    FPage = Page;
    FGrid = TkavTextGrid();
}

void TkavTextExport::ExportObject(TkavComponent *Obj)
{
    if (!Obj || !Obj->Visible())
        return;
    // The export moves the page to its margins: positions count from the printable area.
    const double left = Obj->AbsLeft() - (FPage ? FPage->AbsLeft() : 0);
    const double top = Obj->AbsTop() - (FPage ? FPage->AbsTop() : 0);
    if (const auto *line = dynamic_cast<const TkavDMPLineView *>(Obj)) {
        exportDMPLine(*line, left, top);
    } else if (const auto *dmp = dynamic_cast<const TkavDMPMemoView *>(Obj)) {
        exportDMPMemo(*dmp, rowOf(top), columnOf(left));
    } else if (auto *memo = dynamic_cast<TkavCustomMemoView *>(Obj)) {
        exportMemo(*memo, rowOf(top), columnOf(left));
    } else if (const auto *command = dynamic_cast<const TkavDMPCommand *>(Obj)) {
        if (FPrinterCommands)
            FGrid.PutCommand(rowOf(top), columnOf(left), command->ToChr());
    }
}

void TkavTextExport::exportMemo(TkavCustomMemoView &memo, int row, int col)
{
    const int columns = columnOf(memo.Width());
    if (columns <= 0)
        return;
    // WrapText lays the text out in the memo's own font and width.
    const QStringList lines = linesOf(memo.WrapText(true));
    for (int i = 0; i < lines.size(); ++i)
        FGrid.PutText(row + i, col, alignedLine(lines[i], columns, memo.HAlign()));
}

void TkavTextExport::exportDMPMemo(const TkavDMPMemoView &memo, int row, int col)
{
    const int columns = columnOf(memo.Width());
    const int rows = rowOf(memo.Height());
    const QStringList lines = linesOf(memo.GetoutBoundText());
    const quint16 style = quint16(memo.FontStyle().Mask());
    for (int i = 0; i < lines.size(); ++i)
        FGrid.PutText(row + i, col, alignedLine(lines[i], columns, memo.HAlign()), style);
    // The frame runs through the ring of cells around the text (half a cell outside it),
    // in plain characters whatever the text's style.
    const TkavFrameTypes typ = memo.Frame().Typ();
    const int first = col - 1;
    const int last = col + columns;
    const int topRow = row - 1;
    const int bottomRow = row + rows;
    if (typ.Contains(ftTop))
        FGrid.HorizontalLine(topRow, first, last);
    if (typ.Contains(ftBottom))
        FGrid.HorizontalLine(bottomRow, first, last);
    if (typ.Contains(ftLeft))
        FGrid.VerticalLine(first, topRow, bottomRow);
    if (typ.Contains(ftRight))
        FGrid.VerticalLine(last, topRow, bottomRow);
}

void TkavTextExport::exportDMPLine(const TkavDMPLineView &line, double left, double top)
{
    if (line.Diagonal())
        return;
    // Lines run through the middles of cells: their ends name the cells they cross.
    const int col0 = columnOf(left - kavDMPHalfCharWidth);
    const int row0 = rowOf(top - kavDMPHalfCharHeight);
    const quint16 style = quint16(line.FontStyle().Mask());
    if (line.Width() > line.Height())
        FGrid.HorizontalLine(
            row0, col0, columnOf(left + line.Width() - kavDMPHalfCharWidth), style);
    else
        FGrid.VerticalLine(col0, row0, rowOf(top + line.Height() - kavDMPHalfCharHeight), style);
}

void TkavTextExport::FinishPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::FinishPage(Page, Index);
    if (FPageBreaks && FPagesDone > 0)
        FOutput += '\f';
    FOutput += FGrid.Render(FUseCRLF ? "\r\n" : "\n", FPrinterCommands);
    FGrid = TkavTextGrid();
    FPage = nullptr;
    ++FPagesDone;
}

void TkavTextExport::Finish()
{
    const QByteArray bytes = std::exchange(FOutput, QByteArray());
    FGrid = TkavTextGrid();
    if (Failed())
        return;
    WriteOutput([&bytes](TStream &s) { s.WriteBytes(bytes); });
}

void kavRegisterTextExportFilter()
{
    kavExportFilters(); // the list outlives the filter, which leaves it at exit
    static std::unique_ptr<TkavTextExport> text;
    if (!text)
        text = std::make_unique<TkavTextExport>();
}
