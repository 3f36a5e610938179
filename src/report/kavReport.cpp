#include "kavReport.h"

using namespace Qt::StringLiterals;

std::recursive_mutex &kavReportLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// The report keeps its own name: files carry none for the root.
const TkavClassInfo &TkavReport::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TkavReport, TkavComponent>(
        u"TkavReport"_s,
        [](TkavPropBuilder<TkavReport> &p) { p.Redeclare(u"Name"_s).Stored(false); },
        kavComponentFactory<TkavReport>());
    return info;
}

TkavReport::TkavReport(TkavComponent *AOwner)
    : TkavComponent(AOwner)
    , FErrors(std::make_unique<TStringList>())
{
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
}

TkavReport::~TkavReport()
{
    destroyContent();
}
