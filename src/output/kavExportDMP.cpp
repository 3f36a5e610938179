// The dot-matrix filter: pages as printer text with ESC/P style codes, through the raw
// operations of a printer.

#include "kavExportDMP.h"

#include <persist/kavRes.h>
#include <prepared/kavPrinters.h>
#include <report/kavReport.h>
#include <rtl/kavExceptions.h>

#include <QFileInfo>

#include <string_view>

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;

namespace {

QByteArray bytes(std::string_view codes)
{
    return QByteArray(codes.data(), qsizetype(codes.size()));
}

struct Toggle
{
    TkavDMPFontStyle Style;
    std::string_view On;
    std::string_view Off;
};

constexpr Toggle bold{fsxBold, "\x1b" "E"sv, "\x1b" "F"sv};
constexpr Toggle italic{fsxItalic, "\x1b" "4"sv, "\x1b" "5"sv};
constexpr Toggle underline{fsxUnderline, "\x1b-\x01"sv, "\x1b-\x00"sv};
constexpr Toggle condensed{fsxCondensed, "\x0f"sv, "\x12"sv};
constexpr Toggle wide{fsxWide, "\x1bW\x01"sv, "\x1bW\x00"sv};
constexpr std::string_view noScript = "\x1bT"sv;
constexpr std::string_view tenCpi = "\x1bP"sv;
constexpr std::string_view initialise = "\x1b@"sv;

// Super- and subscript exclude each other, as do the pitches: one code sets each group.
std::string_view scriptCode(TkavDMPFontStyles s)
{
    if (s.Contains(fsxSuperScript))
        return "\x1bS\x00"sv;
    return s.Contains(fsxSubScript) ? "\x1bS\x01"sv : noScript;
}

std::string_view pitchCode(TkavDMPFontStyles s)
{
    if (s.Contains(fsx15cpi))
        return "\x1bg"sv;
    return s.Contains(fsx12cpi) ? "\x1bM"sv : tenCpi;
}

} // namespace

TkavDMPExport::TkavDMPExport(TkavFilterRegistration Registration)
    : TkavTextExport(Registration)
{
    SetName(u"DMPExport"_s);
    SetDefaultExt(u".prn"_s);
    SetFilterDesc(GetDescription());
    SetPrinterCommands(true);
    SetUseCRLF(true);
}

QString TkavDMPExport::GetDescription() const
{
    return u"Dot-matrix printer (*.prn)"_s;
}

QByteArray TkavDMPExport::StyleCodes(TkavDMPFontStyles From, TkavDMPFontStyles To)
{
    QByteArray ends;
    QByteArray starts;
    const auto toggle = [&](const Toggle &t) {
        if (!From.Contains(t.Style) && To.Contains(t.Style))
            starts += bytes(t.On);
        else if (From.Contains(t.Style) && !To.Contains(t.Style))
            ends += bytes(t.Off);
    };
    const auto choose = [&](std::string_view from, std::string_view to, std::string_view none) {
        if (from != to)
            (to == none ? ends : starts) += bytes(to);
    };
    toggle(bold);
    toggle(italic);
    toggle(underline);
    choose(scriptCode(From), scriptCode(To), noScript);
    toggle(condensed);
    toggle(wide);
    choose(pitchCode(From), pitchCode(To), tenCpi);
    return ends + starts;
}

TModalResult TkavDMPExport::ShowModal()
{
    TkavReport *report = Report();
    if (!report)
        return mrOk;
    TkavDuplexMode duplex = report->PrintOptions().Duplex();
    if (!kavShowPrintDialog(*report, duplex))
        return mrCancel;
    SetPageNumbers(report->PrintOptions().PageNumbers());
    return mrOk;
}

bool TkavDMPExport::Start()
{
    TkavTextExport::Start();
    FTarget = FPrinter;
    const QString file = Report() ? Report()->PrintOptions().PrnOutFileName() : QString();
    if (!FTarget)
        FTarget = kavPrinters().JobPrinter(!file.isEmpty());
    if (!FTarget)
        kavRaise<EkavError>(kavResourceTable().Get(u"clNoPrinters"_s));
    QString title = Title();
    if (title.isEmpty() && Report()) {
        title = Report()->ReportOptions().Name();
        if (title.isEmpty())
            title = QFileInfo(Report()->FileName()).fileName();
    }
    FTarget->SetTitle(title);
    FTarget->SetFileName(file);
    FPagesSent = 0;
    FTarget->BeginRAWDoc();
    FTarget->WriteRAWDoc(bytes(initialise));
    return true;
}

void TkavDMPExport::FinishPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::FinishPage(Page, Index);
    if (Failed() || !FTarget)
        return;
    const auto codes = [](quint16 From, quint16 To) {
        return StyleCodes(TkavDMPFontStyles::FromMask(From), TkavDMPFontStyles::FromMask(To));
    };
    FTarget->WriteRAWDoc(Grid().Render("\r\n", true, codes) + '\f');
    ++FPagesSent;
}

void TkavDMPExport::Finish()
{
    TkavCustomPrinter *target = std::exchange(FTarget, nullptr);
    if (!target || !target->PrintingRAW())
        return;
    if (Failed()) {
        target->AbortRAWDoc();
        return;
    }
    // A range naming no page is an error, not an empty job.
    if (FPagesSent == 0) {
        target->AbortRAWDoc();
        kavRaise<EkavError>(u"No page of the report is in the range \"%1\""_s.arg(PageNumbers()));
    }
    target->EndRAWDoc();
}

void kavInstallDMPFilter()
{
    kavSetDMPFilterFactory([]() -> std::unique_ptr<TkavCustomExportFilter> {
        return TkavCustomExportFilter::CreateNoRegister<TkavDMPExport>();
    });
}
