#include "kavExportCSV.h"

#include <report/kavBands.h>
#include <report/kavViews.h>
#include <rtl/kavStreams.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

TkavCSVExport::TkavCSVExport(TkavFilterRegistration Registration)
    : TkavCustomExportFilter(Registration)
{
    SetName(u"CSVExport"_s);
    SetDefaultExt(u".csv"_s);
    SetFilterDesc(GetDescription());
    SetDataOnly(true);
}

QString TkavCSVExport::GetDescription() const
{
    return u"Comma-separated values (*.csv)"_s;
}

bool TkavCSVExport::Start()
{
    FRows.clear();
    FLines.clear();
    Files().clear();
    return true;
}

void TkavCSVExport::ExportObject(TkavComponent *Obj)
{
    const auto *memo = dynamic_cast<const TkavCustomMemoView *>(Obj);
    if (!memo || !dynamic_cast<const TkavDataBand *>(Obj->Parent()))
        return;
    QString text = memo->Text();
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    const TkavComponent *band = Obj->Parent();
    // Each printed band is its own object on the page: a new one starts a new row.
    if (FRows.isEmpty() || FRows.last().Band != band)
        FRows.append(Row{band, {}});
    FRows.last().Cells.append(Cell{Obj->Left(), text});
}

void TkavCSVExport::FinishPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::FinishPage(Page, Index);
    for (Row &row : FRows) {
        std::stable_sort(row.Cells.begin(), row.Cells.end(),
                         [](const Cell &a, const Cell &b) { return a.Left < b.Left; });
        QStringList fields;
        for (const Cell &cell : std::as_const(row.Cells))
            fields.append(Field(cell.Text));
        FLines.append(fields.join(FSeparator));
    }
    FRows.clear();
}

void TkavCSVExport::Finish()
{
    QByteArray bytes;
    for (const QString &line : std::as_const(FLines))
        bytes += line.toUtf8() + "\r\n";
    FLines.clear();
    FRows.clear();
    if (Failed())
        return;
    WriteOutput([&bytes](TStream &s) { s.WriteBytes(bytes); });
}

QString TkavCSVExport::Field(const QString &Value) const
{
    const bool quote = Value.contains(FSeparator) || Value.contains(u'"')
                       || Value.contains(u'\n') || Value.contains(u'\r');
    if (!quote)
        return Value;
    QString quoted = Value;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

void kavRegisterDataExportFilters()
{
    kavExportFilters(); // the list outlives the filter, which leaves it at exit
    static std::unique_ptr<TkavCSVExport> csv;
    if (!csv)
        csv = std::make_unique<TkavCSVExport>();
}
