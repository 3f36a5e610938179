#pragma once

// The named connection strings a standalone designer keeps: section "Connections" of two
// settings stores, the machine-wide one (an INI file that is often read-only) and the
// user's ("\Software\Orvane"). A report names one of them in ReportOptions.ConnectionName.

#include <QList>
#include <QString>

#include <memory>

class TkavIniFile;

struct TkavConnection
{
    QString Name;
    QString ConnectionString;
    bool operator==(const TkavConnection &) const = default;
};

// The folder standing for the machine-wide configuration (empty: the system's, e.g.
// /etc/xdg). Test hook; affects stores opened afterwards.
void kavSetMachineConfigRoot(const QString &folder);
QString kavMachineConfigRoot();

// The machine-wide store or the user's.
std::unique_ptr<TkavIniFile> kavConnectionStore(bool machineWide);
// The connections of one store in its order; a store that cannot be read has none.
QList<TkavConnection> kavReadConnections(bool machineWide, const QString &section = QStringLiteral("Connections"));
// Replaces the store's connections (of names that differ only in letter case the later one
// stays). A store that cannot be written is left as it was: false.
bool kavWriteConnections(bool machineWide, const QList<TkavConnection> &connections);
// A name the stores can keep as one value: not empty, no group separator.
bool kavValidConnectionName(const QString &name);
