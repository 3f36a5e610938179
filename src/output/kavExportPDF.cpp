#include "kavExportPDF.h"

#include <persist/kavXML.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCast.h>
#include <rtl/kavStreams.h>

#include <QPainter>
#include <QScopeGuard>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr double pixelsPerMm = 3.77953;
constexpr double pointsPerPixel = 72.0 / 96.0;
// Deeper outlines are cut: the walk recurses once per level.
constexpr int maxOutlineDepth = 64;

// The page's paper in points.
QSizeF paperPoints(const TkavReportPage &page)
{
    const double width = page.PaperWidth();
    const double height = page.PaperHeight();
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
        throw EkavError(u"Invalid paper size of page \"%1\""_s.arg(page.Name()));
    return QSizeF(width, height) * (72 / 25.4);
}

} // namespace

TkavPDFExport::TkavPDFExport(TkavFilterRegistration Registration)
    : TkavCustomExportFilter(Registration)
{
    SetName(u"PDFExport"_s);
    SetDefaultExt(u".pdf"_s);
    SetFilterDesc(GetDescription());
    SetShowDialog(false);
    SetShowProgress(false);
}

TkavPDFExport::~TkavPDFExport() = default;

QString TkavPDFExport::GetDescription() const
{
    return u"PDF document (*.pdf)"_s;
}

void TkavPDFExport::resetDocument()
{
    FWriter.reset();
    FTempFile.reset();
    FExportedIndex.clear();
    FTopMargins.clear();
    FLinks.clear();
}

bool TkavPDFExport::Start()
{
    resetDocument();
    if (FileName().isEmpty() && !Stream())
        throw EkavError(u"No file name given for the export"_s);
    if (!PreviewPages())
        return false;
    FTempFile = TTempFileStream::Create(Report() ? Report()->EngineOptions().TempDir() : QString(),
                                        u"kv"_s);
    FWriter = std::make_unique<TkavPDFWriter>(*FTempFile);
    return true;
}

void TkavPDFExport::StartPage(TkavReportPage *Page, int Index)
{
    if (!FWriter || !Page)
        return;
    QPainter painter(&FWriter->BeginPage(paperPoints(*Page), Resolution));
    const double scale = Resolution / 96.0;
    PreviewPages()->DrawPage(*Page, Index, &painter, scale, scale, 0, 0);
    painter.end();
    FWriter->EndPage();
    FExportedIndex[Index] = int(FTopMargins.size());
    FTopMargins.push_back(Page->TopMargin() * pixelsPerMm);
}

void TkavPDFExport::ExportObject(TkavComponent *Obj)
{
    const auto *view = kavCast<const TkavView>(Obj);
    if (!view || FTopMargins.empty())
        return;
    const TkavHyperlink &link = view->Hyperlink();
    const QString value = link.Value().trimmed();
    if (value.isEmpty() || (link.Kind() != hkURL && link.Kind() != hkAnchor
                            && link.Kind() != hkPageNumber))
        return;
    // During the export the page sits at its margins, so these are page coordinates.
    FLinks.push_back({int(FTopMargins.size()) - 1,
                      QRectF(view->AbsLeft(), view->AbsTop(), view->Width(), view->Height()),
                      int(link.Kind()),
                      value});
}

std::vector<TkavPDFOutlineItem> TkavPDFExport::outlineLevel(int Depth)
{
    std::vector<TkavPDFOutlineItem> items;
    if (Depth > maxOutlineDepth)
        return items;
    TkavCustomOutline &outline = PreviewPages()->Outline();
    const int count = outline.Count();
    for (int i = 0; i < count; ++i) {
        QString text;
        int page = -1;
        int top = 0;
        outline.GetItem(i, text, page, top);
        outline.LevelDown(i);
        std::vector<TkavPDFOutlineItem> children = outlineLevel(Depth + 1);
        outline.LevelUp();
        // Items on pages left out of the export keep their place only for their children.
        const auto found = FExportedIndex.find(page);
        if (found == FExportedIndex.end() && children.empty())
            continue;
        TkavPDFOutlineItem item{text, {}, std::move(children)};
        if (found != FExportedIndex.end())
            item.Target = {found->second,
                           (FTopMargins[size_t(found->second)] + top) * pointsPerPixel};
        items.push_back(std::move(item));
    }
    return items;
}

QString TkavPDFExport::documentTitle() const
{
    if (!Title().isEmpty() || !Report())
        return Title();
    if (!Report()->ReportOptions().Name().isEmpty())
        return Report()->ReportOptions().Name();
    return Report()->Name();
}

std::vector<TkavPDFLink> TkavPDFExport::resolvedLinks()
{
    std::vector<TkavPDFLink> links;
    for (const PendingLink &pending : FLinks) {
        TkavPDFLink link;
        link.Page = pending.Page;
        link.Rect = QRectF(pending.Rect.topLeft() * pointsPerPixel,
                           pending.Rect.size() * pointsPerPixel);
        if (pending.Kind == hkURL) {
            link.URI = pending.Value;
            links.push_back(link);
            continue;
        }
        // A page number leads to the page's top edge, an anchor to its place on its page.
        int targetPage = -1; // in the store
        double top = 0;      // report pixels below the page's top edge
        bool ok = false;
        if (pending.Kind == hkPageNumber) {
            targetPage = pending.Value.toInt(&ok) - 1;
        } else if (const TkavXMLItem *anchor = PreviewPages()->FindAnchor(pending.Value)) {
            bool topOk = false;
            targetPage = anchor->GetProp(u"page").toInt(&ok);
            top = anchor->GetProp(u"top").toInt(&topOk);
            ok = ok && topOk;
        }
        const auto found = FExportedIndex.find(targetPage);
        if (!ok || found == FExportedIndex.end())
            continue; // no such place among the exported pages
        if (pending.Kind == hkAnchor)
            top += FTopMargins[size_t(found->second)];
        link.Target = {found->second, top * pointsPerPixel};
        links.push_back(link);
    }
    return links;
}

void TkavPDFExport::Finish()
{
    const auto cleanup = qScopeGuard([this] { resetDocument(); });
    if (!FWriter || Failed())
        return;
    if (FTopMargins.empty())
        throw EkavError(u"No page to export"_s);
    std::vector<TkavPDFOutlineItem> outline;
    if (FOutline) {
        TkavCustomOutline &tree = PreviewPages()->Outline();
        TkavXMLItem *saved = tree.CurItem();
        const auto restore = qScopeGuard([&tree, saved] { tree.SetCurItem(saved); });
        tree.LevelRoot();
        outline = outlineLevel(0);
    }
    TkavPDFInfo info;
    info.Title = documentTitle();
    info.Creator = u"Kavrel"_s;
    info.Producer = u"Kavrel"_s;
    if (FWriteCreationTime)
        info.CreationDate = CreationTime();
    FWriter->Finish(info, outline, resolvedLinks());
    WriteOutput([this](TStream &stream) {
        stream.CopyFrom(*FTempFile, 0);
    });
}

void kavRegisterPDFExportFilter()
{
    // The list must outlive the filter, which leaves it when destroyed at exit.
    kavExportFilters();
    static std::unique_ptr<TkavPDFExport> filter;
    if (!filter)
        filter = std::make_unique<TkavPDFExport>();
}
