#pragma once

// The PDF export filter: every exported page drawn as the preview draws it into one PDF
// document, with the report's outline as bookmarks and its hyperlinks as link annotations.

#include "kavPDFWriter.h"

#include <report/kavExportFilter.h>

#include <QRectF>
#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

class TStream;

// Writes files only when no Stream is set; with a Stream the document goes there instead
// (not atomically: the caller owns the stream). The same report always gives the same
// bytes: no date is written unless WriteCreationTime is on.
class TkavPDFExport : public TkavCustomExportFilter
{
public:
    // Device dots per inch of the drawing (report pixels are 96 per inch): 720 puts every
    // coordinate on a tenth of a point.
    static constexpr int Resolution = 720;

    explicit TkavPDFExport(TkavFilterRegistration Registration = frRegister);
    ~TkavPDFExport() override;

    QString GetDescription() const override;

    // The prepared report's outline becomes the document's bookmarks (default on).
    bool Outline() const { return FOutline; }
    void SetOutline(bool Value) { FOutline = Value; }
    // Writes CreationTime as the document's creation date (default off). The export sets
    // CreationTime to the current time; OnBeginExport may set a fixed one.
    bool WriteCreationTime() const { return FWriteCreationTime; }
    void SetWriteCreationTime(bool Value) { FWriteCreationTime = Value; }

    // Needs FileName (or Stream) and the store; opens the intermediate document.
    bool Start() override;
    // Draws the page onto a new PDF page of the page's paper size and orientation.
    void StartPage(TkavReportPage *Page, int Index) override;
    // Notes the object's hyperlink (URL, anchor or page number) over its rectangle.
    void ExportObject(TkavComponent *Obj) override;
    // Pages are drawn from the built page alone.
    bool ExportsPagesOffThread() const override { return true; }
    // Completes the document with outline and links and writes it; writes nothing after a
    // failure (Failed). A file that cannot be written raises EkavError naming it.
    void Finish() override;

private:
    // A hyperlink seen on an exported page, in report pixels from the page's top left.
    struct PendingLink
    {
        int Page = 0; // index among the exported pages
        QRectF Rect;
        int Kind = 0; // TkavHyperlinkKind
        QString Value;
    };

    void resetDocument();
    // The outline below the store's current outline item, for the exported pages only.
    std::vector<TkavPDFOutlineItem> outlineLevel(int Depth);
    QString documentTitle() const;
    // The links noted on the exported pages, with their targets found; links whose target
    // was not exported are left out.
    std::vector<TkavPDFLink> resolvedLinks();

    bool FOutline = true;
    bool FWriteCreationTime = false;
    // Pages go to a temporary file as they are drawn (so they leave memory); Finish
    // completes it and copies it to the target. The writer goes before its file.
    std::unique_ptr<TStream> FTempFile;
    std::unique_ptr<TkavPDFWriter> FWriter;
    std::unordered_map<int, int> FExportedIndex; // store page -> exported page
    std::vector<double> FTopMargins;             // per exported page, report pixels
    std::vector<PendingLink> FLinks;
};

// Creates and registers one PDF filter (once per process).
void kavRegisterPDFExportFilter();
