#include "kavConnections.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStrings.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

const QString connectionsSection = u"Connections"_s;

struct MachineRoot
{
    std::mutex lock;
    QString folder;
};

MachineRoot &machineRoot()
{
    static MachineRoot root;
    return root;
}

QString machineFile()
{
    return QDir(kavMachineConfigRoot()).filePath(u"Orvane.conf"_s);
}

// Writing replaces a file in its folder: both must allow it (the file need not exist yet).
bool canWrite(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable() && (!file.exists() || file.isWritable());
}

// Later entries replace earlier ones of the same name, ignoring letter case.
QList<TkavConnection> withoutDuplicates(const QList<TkavConnection> &connections)
{
    QList<TkavConnection> result;
    for (const TkavConnection &c : connections) {
        if (!kavValidConnectionName(c.Name))
            continue;
        const auto same = std::find_if(result.begin(), result.end(),
                                       [&](const TkavConnection &r) { return kavSameText(r.Name, c.Name); });
        if (same != result.end())
            same->ConnectionString = c.ConnectionString;
        else
            result.append(c);
    }
    return result;
}

} // namespace

void kavSetMachineConfigRoot(const QString &folder)
{
    std::lock_guard guard(machineRoot().lock);
    machineRoot().folder = folder;
}

QString kavMachineConfigRoot()
{
    {
        std::lock_guard guard(machineRoot().lock);
        if (!machineRoot().folder.isEmpty())
            return machineRoot().folder;
    }
    // The last configuration folder is the system-wide one.
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    return folders.size() > 1 ? folders.constLast() : u"/etc/xdg"_s;
}

std::unique_ptr<TkavIniFile> kavConnectionStore(bool machineWide)
{
    return std::make_unique<TkavIniFile>(machineWide ? machineFile() : u"\\Software\\Orvane"_s);
}

QList<TkavConnection> kavReadConnections(bool machineWide, const QString &section)
{
    QList<TkavConnection> result;
    const std::unique_ptr<TkavIniFile> store = kavConnectionStore(machineWide);
    TStringList names;
    store->ReadSection(section, names);
    for (int i = 0; i < names.Count(); ++i)
        result.append({names.Get(i), store->ReadString(section, names.Get(i), QString())});
    return result;
}

bool kavWriteConnections(bool machineWide, const QList<TkavConnection> &connections)
{
    const QList<TkavConnection> wanted = withoutDuplicates(connections);
    if (kavReadConnections(machineWide) == wanted)
        return true; // nothing to change: an unwritable store that already agrees is fine
    std::unique_ptr<TkavIniFile> store = kavConnectionStore(machineWide);
    if (!canWrite(store->SettingsPath()))
        return false;
    store->EraseSection(connectionsSection);
    for (const TkavConnection &c : wanted)
        store->WriteString(connectionsSection, c.Name, c.ConnectionString);
    try {
        store->UpdateFile();
    } catch (const Exception &) {
        return false;
    }
    return true;
}

bool kavValidConnectionName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}
