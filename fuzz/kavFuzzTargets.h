#pragma once

// The readers the fuzz targets drive, by name: each entry takes arbitrary bytes and must
// return (a clear error is fine) without crashing or leaking, whatever the bytes hold. The
// libFuzzer executables and the regression suite call the same entries.

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

using TkavFuzzEntry = void (*)(const QByteArray &Data);

struct TkavFuzzTarget
{
    const char *Name;
    TkavFuzzEntry Entry;
};

class TkavReport;

// The designer's clipboard text pasted onto a new report (kavFuzzDesigner.cpp).
void kavFuzzClipboard(const QByteArray &Data);
// The clipboard texts of all objects of each page of Report (its seeds).
QList<QByteArray> kavFuzzClipboardSeeds(TkavReport &Report);

// Every target, in the order scripts/fuzz runs them.
const std::vector<TkavFuzzTarget> &kavFuzzTargets();
// The entry named Name; null when there is none.
TkavFuzzEntry kavFuzzTarget(const QString &Name);
// Once per process, after the application object exists: the classes, languages and
// library registered, a silent user interface, and file access restricted to a private
// temporary folder, so an input can neither block nor touch the user's files.
void kavFuzzInit();
// The private folder of kavFuzzInit (for readers that take a file name).
QString kavFuzzFolder();
