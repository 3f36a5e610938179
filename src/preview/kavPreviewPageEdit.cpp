#include "kavPreviewPageEdit.h"

#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>

void kavFlattenPage(TkavReportPage &Page)
{
    for (TkavComponent *c : Page.AllObjects()) {
        if (auto *view = dynamic_cast<TkavView *>(c)) {
            view->SetDataField({});
            view->SetDataSet(nullptr);
            view->SetRestrictions({});
            if (view->Align() == baWidth || view->Align() == baClient)
                view->SetAlign(baNone);
        }
        if (dynamic_cast<TkavBand *>(c) || c->Parent() == &Page)
            continue;
        const double left = c->AbsLeft();
        const double top = c->AbsTop();
        const TFont font = c->Font();
        c->SetParent(&Page);
        c->SetFont(font);
        c->SetLeft(left);
        c->SetTop(top);
    }
    // Emptied now; a band inside another goes with it, so the list is read again each time.
    for (bool freed = true; freed;) {
        freed = false;
        for (TkavComponent *c : Page.AllObjects())
            if (dynamic_cast<TkavBand *>(c)) {
                freed = c->Free();
                break;
            }
    }
}

std::unique_ptr<TkavReport> kavPreparedPageReport(const TkavReportPage &Page, const TkavReport *Source)
{
    auto report = std::make_unique<TkavReport>();
    report->EngineOptions().SetNewSilentMode(simSilent);
    if (Source) {
        report->SetIniFile(Source->IniFile());
        report->SetFileName(Source->FileName());
        report->SetDotMatrixReport(Source->DotMatrixReport());
    }
    auto *page = dynamic_cast<TkavReportPage *>(TkavComponent::Create(Page.ClassName(), report.get()));
    page->AssignAll(Page);
    // A prepared page carries its template page's name beside its attributes.
    if (page->Name().isEmpty() && !Page.Name().isEmpty())
        page->setPreparedName(Page.Name());
    kavFlattenPage(*page);
    // The copy renames the many objects a prepared page holds under one name: not an error
    // of anything the user did.
    report->Errors().Clear();
    return report;
}
