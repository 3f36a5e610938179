#include "kavSettings.h"

#include "kavCaseFold.h"
#include "kavExceptions.h"
#include "kavStreams.h"
#include "kavStrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <mutex>

#include <unistd.h>

namespace {

const QString softwarePrefix = QStringLiteral("\\Software\\");
const QString defaultOrganisation = QStringLiteral("Orvane");

// A corrupted "Count" must not make ReadTStrings allocate without bound.
constexpr int maxStoredLines = 1000000;

struct ConfigRoot
{
    std::mutex lock;
    QString folder;
};

ConfigRoot &configRoot()
{
    static ConfigRoot root;
    return root;
}

// Opens a group for the lifetime of the guard (an empty path opens nothing).
class GroupGuard
{
public:
    GroupGuard(QSettings &settings, const QString &path) : FSettings(settings), FOpen(!path.isEmpty())
    {
        if (FOpen)
            FSettings.beginGroup(path);
    }
    ~GroupGuard()
    {
        if (FOpen)
            FSettings.endGroup();
    }
    GroupGuard(const GroupGuard &) = delete;
    GroupGuard &operator=(const GroupGuard &) = delete;

private:
    QSettings &FSettings;
    bool FOpen;
};

QString joinPath(const QString &a, const QString &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + u'/' + b;
}

QString matchName(const QStringList &names, const QString &name)
{
    for (const QString &candidate : names)
        if (kavSameText(candidate, name))
            return candidate;
    return QString();
}

bool parseInteger(QString text, int &value)
{
    text = text.trimmed();
    bool ok = false;
    int result = 0;
    if (text.startsWith(u'$'))
        result = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(u"0x", Qt::CaseInsensitive))
        result = text.mid(2).toInt(&ok, 16);
    else
        result = text.toInt(&ok, 10);
    if (ok)
        value = result;
    return ok;
}

// Whether the INI file at path holds keyCount keys and ends with a complete line. The
// writer puts every key on a line of its own (line breaks in values are escaped), so a
// file cut short lacks a line or ends inside one.
bool writtenWhole(const QString &path, qsizetype keyCount)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keyCount == 0;
    const QByteArray bytes = file.readAll();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        return false;
    qsizetype keys = 0;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', from);
        const QByteArrayView line = QByteArrayView(bytes).sliced(from, end - from).trimmed();
        if (!line.isEmpty() && !line.startsWith('[') && !line.startsWith(';'))
            ++keys;
        from = end + 1;
    }
    return keys == keyCount;
}

} // namespace

TkavIniFile::TkavIniFile(const QString &iniFile) : FFileName(iniFile)
{
    FUserSettings = iniFile.startsWith(softwarePrefix, Qt::CaseInsensitive);
    if (!FUserSettings) {
        FSettings = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
        return;
    }
    QStringList parts = iniFile.mid(softwarePrefix.size()).split(u'\\', Qt::SkipEmptyParts);
    QString organisation = parts.isEmpty() ? defaultOrganisation : parts.takeFirst();
    // The organisation names a file: it must not lead out of the configuration folder.
    organisation.replace(u'/', u'_');
    if (organisation.startsWith(u'.'))
        organisation.prepend(u'_');
    FPrefix = parts.join(u'/');
    const QString path = QDir(UserConfigRoot()).filePath(organisation + QStringLiteral(".conf"));
    FSettings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

TkavIniFile::~TkavIniFile()
{
    sync();
}

// The platform's settings writer commits a file whose last buffered part failed to write (a
// full disk, a file-size limit) and reports success, leaving the settings cut short. So
// the previous file is kept under a second name (a hard link: no data is written) until
// the new one is known to be whole, and put back when it is not.
bool TkavIniFile::sync()
{
    if (!FChanged) {
        FSettings->sync(); // reads what other stores of the file wrote meanwhile
        return FSettings->status() == QSettings::NoError;
    }
    const QString path = FSettings->fileName();
    const QByteArray native = QFile::encodeName(path);
    const QByteArray kept = native + ".kept~" + QByteArray::number(QCoreApplication::applicationPid());
    const bool existed = QFileInfo::exists(path);
    ::unlink(kept.constData());
    const bool linked = existed && ::link(native.constData(), kept.constData()) == 0;
    FSettings->sync();
    const bool ok = FSettings->status() == QSettings::NoError && writtenWhole(path, FSettings->allKeys().size());
    if (!ok && linked)
        ::rename(kept.constData(), native.constData()); // nothing when both name one file
    else if (!ok && !existed)
        ::unlink(native.constData()); // a new file cut short is no settings file
    if (linked)
        ::unlink(kept.constData());
    FChanged = !ok;
    if (!ok) {
        // The writer may count the changes as written: mark every value changed again so
        // that the next sync writes them.
        for (const QString &key : FSettings->allKeys())
            FSettings->setValue(key, FSettings->value(key));
    }
    return ok;
}

QString TkavIniFile::SettingsPath() const
{
    return FSettings->fileName();
}

QString TkavIniFile::findSection(const QString &section) const
{
    GroupGuard guard(*FSettings, FPrefix);
    return matchName(FSettings->childGroups(), section);
}

QString TkavIniFile::groupPath(const QString &section) const
{
    const QString existing = findSection(section);
    return joinPath(FPrefix, existing.isEmpty() ? section : existing);
}

QString TkavIniFile::findKey(const QString &section, const QString &ident) const
{
    GroupGuard guard(*FSettings, groupPath(section));
    return matchName(FSettings->childKeys(), ident);
}

QString TkavIniFile::keyPath(const QString &section, const QString &ident) const
{
    const QString existing = findKey(section, ident);
    return joinPath(groupPath(section), existing.isEmpty() ? ident : existing);
}

QString TkavIniFile::readRaw(const QString &section, const QString &ident, bool *found) const
{
    const QVariant value = FSettings->value(keyPath(section, ident));
    *found = value.isValid();
    // An unquoted value with commas in a foreign INI file reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

QString TkavIniFile::ReadString(const QString &section, const QString &ident, const QString &defaultValue) const
{
    bool found = false;
    const QString value = readRaw(section, ident, &found);
    return found ? value : defaultValue;
}

void TkavIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    FSettings->setValue(keyPath(section, ident), value);
    FChanged = true;
}

int TkavIniFile::ReadInteger(const QString &section, const QString &ident, int defaultValue) const
{
    bool found = false;
    const QString text = readRaw(section, ident, &found);
    int value = defaultValue;
    if (found)
        parseInteger(text, value);
    return value;
}

void TkavIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

bool TkavIniFile::ReadBool(const QString &section, const QString &ident, bool defaultValue) const
{
    bool found = false;
    const QString text = readRaw(section, ident, &found).trimmed();
    if (!found)
        return defaultValue;
    if (kavSameText(text, u"true"))
        return true;
    if (kavSameText(text, u"false"))
        return false;
    int value = defaultValue ? 1 : 0;
    parseInteger(text, value);
    return value != 0;
}

void TkavIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TkavIniFile::ReadFloat(const QString &section, const QString &ident, double defaultValue) const
{
    bool found = false;
    QString text = readRaw(section, ident, &found).trimmed();
    if (!found)
        return defaultValue;
    text.replace(u',', u'.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : defaultValue;
}

void TkavIniFile::WriteFloat(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, QString::number(value, 'g', 15));
}

void TkavIniFile::ReadSections(TStrings &strings) const
{
    QStringList groups;
    {
        GroupGuard guard(*FSettings, FPrefix);
        groups = FSettings->childGroups();
    }
    strings.BeginUpdate();
    strings.Clear();
    for (const QString &group : groups)
        strings.Add(group);
    strings.EndUpdate();
}

void TkavIniFile::ReadSection(const QString &section, TStrings &strings) const
{
    QStringList keys;
    if (const QString existing = findSection(section); !existing.isEmpty()) {
        GroupGuard guard(*FSettings, joinPath(FPrefix, existing));
        keys = FSettings->childKeys();
    }
    strings.BeginUpdate();
    strings.Clear();
    for (const QString &key : keys)
        strings.Add(key);
    strings.EndUpdate();
}

void TkavIniFile::ReadSectionValues(const QString &section, TStrings &strings) const
{
    TStringList keys;
    ReadSection(section, keys);
    strings.BeginUpdate();
    strings.Clear();
    for (int i = 0; i < keys.Count(); ++i)
        strings.Add(keys.Get(i) + strings.NameValueSeparator() + ReadString(section, keys.Get(i), QString()));
    strings.EndUpdate();
}

void TkavIniFile::ReadSectionValuesEx(const QString &section, TStrings &strings) const
{
    TStringList keys;
    ReadSection(section, keys);
    strings.BeginUpdate();
    strings.Clear();
    for (int i = 0; i < keys.Count(); ++i)
        strings.Add(ReadString(section, keys.Get(i), QString()));
    strings.EndUpdate();
}

void TkavIniFile::EraseSection(const QString &section)
{
    if (const QString existing = findSection(section); !existing.isEmpty()) {
        FSettings->remove(joinPath(FPrefix, existing));
        FChanged = true;
    }
}

bool TkavIniFile::SectionExists(const QString &section) const
{
    return !findSection(section).isEmpty();
}

bool TkavIniFile::ValueExists(const QString &section, const QString &ident) const
{
    return !findSection(section).isEmpty() && !findKey(section, ident).isEmpty();
}

void TkavIniFile::DeleteKey(const QString &section, const QString &ident)
{
    if (ValueExists(section, ident)) {
        FSettings->remove(keyPath(section, ident));
        FChanged = true;
    }
}

void TkavIniFile::Clear()
{
    if (FPrefix.isEmpty())
        FSettings->clear();
    else
        FSettings->remove(FPrefix);
    FChanged = true;
}

void TkavIniFile::WriteTStrings(const QString &section, const TStrings &value, bool isClear)
{
    if (isClear)
        EraseSection(section);
    const int count = value.Count();
    for (int i = 0; i < count; ++i)
        WriteString(section, QStringLiteral("Items%1").arg(i), value.Get(i));
    WriteInteger(section, QStringLiteral("Count"), count);
}

QString TkavIniFile::ReadTStrings(const QString &section, TStrings &value, bool isClear) const
{
    const int count = qBound(0, ReadInteger(section, QStringLiteral("Count"), 0), maxStoredLines);
    value.BeginUpdate();
    if (isClear)
        value.Clear();
    for (int i = 0; i < count; ++i)
        value.Add(ReadString(section, QStringLiteral("Items%1").arg(i), QString()));
    value.EndUpdate();
    return value.Text();
}

void TkavIniFile::SaveIniFileToStream(TStream &stream) const
{
    TStringList sections;
    ReadSections(sections);
    TStringList lines;
    for (int s = 0; s < sections.Count(); ++s) {
        const QString section = sections.Get(s);
        if (s > 0)
            lines.Add(QString());
        lines.Add(u'[' + section + u']');
        TStringList values;
        ReadSectionValues(section, values);
        lines.AddStrings(values);
    }
    lines.SaveToStream(stream);
}

void TkavIniFile::LoadIniFileFromStream(TStream &stream)
{
    TStringList lines;
    lines.LoadFromStream(stream);
    Clear();
    QString section;
    for (int i = 0; i < lines.Count(); ++i) {
        const QString line = lines.Get(i);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed();
            continue;
        }
        const qsizetype p = line.indexOf(u'=');
        if (section.isEmpty() || p < 0)
            continue;
        const QString key = line.left(p).trimmed();
        if (!key.isEmpty())
            WriteString(section, key, line.mid(p + 1));
    }
}

void TkavIniFile::UpdateFile()
{
    if (!sync())
        throw EWriteError(QStringLiteral("Cannot write the settings file \"%1\"").arg(FSettings->fileName()));
}

void TkavIniFile::SetUserConfigRoot(const QString &folder)
{
    ConfigRoot &root = configRoot();
    std::lock_guard guard(root.lock);
    root.folder = folder;
}

QString TkavIniFile::UserConfigRoot()
{
    ConfigRoot &root = configRoot();
    std::lock_guard guard(root.lock);
    if (!root.folder.isEmpty())
        return root.folder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}
