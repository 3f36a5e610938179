#pragma once

// Prepared reports the output tests export: the rows template run into a store.

#include <prepared/kavPreviewPages.h>
#include <report/kavClass.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavRTTI.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>

inline QString rowsTemplate()
{
    return QDir::cleanPath(QStringLiteral(KAV_TEST_DATA)
                           + QStringLiteral("/../../engine/data/rows.kv3"));
}

// rows.kv3 run: two pages, 60 rows, a page footer "Page [Page#] of [TotalPages#]". Adjust
// may change the template before the run.
inline std::unique_ptr<TkavReport> preparedRows(const std::function<void(TkavReport &)> &Adjust
                                                = {})
{
    kavRegisterRTLClasses();
    kavRegisterReportClasses();
    auto report = std::make_unique<TkavReport>();
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->LoadFromFile(rowsTemplate(), true);
    auto *footer = dynamic_cast<TkavMemoView *>(report->FindObject(QStringLiteral("PageNo")));
    if (footer)
        footer->SetText(QStringLiteral("Page [Page#] of [TotalPages#]"));
    if (Adjust)
        Adjust(*report);
    report->PrepareReport(true);
    report->EngineOptions().SetNewSilentMode(simSilent);
    report->Errors().Clear();
    return report;
}

inline TkavPreviewPages &store(TkavReport &report)
{
    return dynamic_cast<TkavPreviewPages &>(*report.PreviewPages());
}

// The bytes of File; "<missing>" when it cannot be read.
inline QByteArray kavFileBytes(const QString &File)
{
    QFile file(File);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
