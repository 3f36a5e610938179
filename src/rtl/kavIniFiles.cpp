#include "kavIniFiles.h"

#include "kavCaseFold.h"
#include "kavExceptions.h"
#include "kavFilePolicy.h"
#include "kavFormat.h"
#include "kavRTTI.h"
#include "kavStreams.h"
#include "kavStrings.h"
#include "kavLimits.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool hasLineBreak(const QString &s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

// Lookups and writes ignore the blanks a reader would trim anyway.
QString cleanName(const QString &name)
{
    return name.trimmed();
}

void checkSectionName(const QString &name)
{
    if (name.isEmpty() || hasLineBreak(name))
        kavRaise<EkavError>(u"Invalid ini section name \"%1\""_s.arg(name));
}

void checkKeyName(const QString &key)
{
    if (key.isEmpty() || hasLineBreak(key) || key.contains(u'=') || key.startsWith(u'[')
        || key.startsWith(u';') || key.startsWith(u'#'))
        kavRaise<EkavError>(u"Invalid ini key name \"%1\""_s.arg(key));
}

// ISO-like date and time texts: "yyyy-mm-dd", "hh:nn[:ss[.zzz]]" or both joined by a
// blank or "T". False for anything else.
bool parseIsoDateTime(const QString &text, bool wantDate, bool wantTime, TDateTime &value)
{
    static const QRegularExpression re(
        uR"(^\s*(?:(\d{4})-(\d{1,2})-(\d{1,2}))?)"
        uR"((?:[ T]?(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d{1,3}))?)?)?\s*$)"_s);
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    const bool hasDate = m.capturedLength(1) > 0;
    const bool hasTime = m.capturedLength(4) > 0;
    if (!hasDate && !hasTime)
        return false;
    TDateTime date = 0, time = 0;
    if (hasDate
        && !TryEncodeDate(
            m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), date))
        return false;
    if (hasTime) {
        const QString ms = m.captured(7);
        const int msec = ms.isEmpty() ? 0 : ms.leftJustified(3, u'0').toInt();
        if (!TryEncodeTime(
                m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), msec, time))
            return false;
    }
    if ((wantDate && !wantTime && !hasDate) || (wantTime && !wantDate && !hasTime))
        return false;
    if (!wantTime)
        value = date;
    else if (!wantDate)
        value = time;
    else
        value = date < 0 ? date - time : date + time;
    return true;
}

QString isoDate(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return u"%1-%2-%3"_s.arg(y, 4, 10, QChar(u'0'))
        .arg(m, 2, 10, QChar(u'0'))
        .arg(d, 2, 10, QChar(u'0'));
}

QString isoTime(TDateTime value)
{
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(value, h, n, s, ms);
    QString text = u"%1:%2:%3"_s.arg(h, 2, 10, QChar(u'0'))
                       .arg(n, 2, 10, QChar(u'0'))
                       .arg(s, 2, 10, QChar(u'0'));
    if (ms != 0)
        text += u".%1"_s.arg(ms, 3, 10, QChar(u'0'));
    return text;
}

// The locale's forms, for values written by hand or by other programs.
bool parseLocaleDateTime(const QString &text, bool wantDate, bool wantTime, TDateTime &value)
{
    if (wantDate && wantTime)
        return TryStrToDateTime(text, value);
    return wantDate ? TryStrToDate(text, value) : TryStrToTime(text, value);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavIniText

void TkavIniText::SetText(const QString &text)
{
    Clear();
    QString normal = text;
    normal.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    QStringList lines = normal.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end
    for (const QString &raw : std::as_const(lines)) {
        const QString t = raw.trimmed();
        if (t.startsWith(u'[')) {
            const qsizetype close = t.lastIndexOf(u']');
            const QString name = (close > 0 ? t.mid(1, close - 1) : t.mid(1)).trimmed();
            FSections.append(Section{name, {}});
            continue;
        }
        if (FSections.isEmpty()) {
            FPreamble << raw;
            continue;
        }
        const qsizetype eq = t.indexOf(u'=');
        const bool isKey = eq > 0 && !t.startsWith(u';') && !t.startsWith(u'#');
        if (isKey)
            FSections.last().Lines.append(Line{t.left(eq).trimmed(), t.mid(eq + 1).trimmed()});
        else
            FSections.last().Lines.append(Line{QString(), raw});
    }
}

QString TkavIniText::Text() const
{
    QString text;
    // Keys may share one long value: the text is capped like every string.
    const auto add = [&text](const QString &line) {
        kavCheckStringLength(qint64(text.size()) + line.size() + 1);
        text += line;
        text += u'\n';
    };
    for (const QString &line : FPreamble)
        add(line);
    for (const Section &section : FSections) {
        add(u'[' + section.Name + u']');
        for (const Line &line : section.Lines)
            add(line.Key.isEmpty() ? line.Text : line.Key + u'=' + line.Text);
    }
    return text;
}

void TkavIniText::Clear()
{
    FPreamble.clear();
    FSections.clear();
}

int TkavIniText::findSection(const QString &name) const
{
    const QString clean = cleanName(name);
    for (int i = 0; i < FSections.size(); ++i)
        if (kavSameText(FSections[i].Name, clean))
            return i;
    return -1;
}

int TkavIniText::findKey(const Section &section, const QString &key)
{
    const QString clean = cleanName(key);
    for (int i = 0; i < section.Lines.size(); ++i) {
        const Line &line = section.Lines[i];
        if (!line.Key.isEmpty() && kavSameText(line.Key, clean))
            return i;
    }
    return -1;
}

const QString *TkavIniText::Value(const QString &section, const QString &key) const
{
    const int s = findSection(section);
    if (s < 0)
        return nullptr;
    const int k = findKey(FSections[s], key);
    return k < 0 ? nullptr : &FSections[s].Lines[k].Text;
}

void TkavIniText::SetValue(const QString &section, const QString &key, const QString &value)
{
    const QString sectionName = cleanName(section);
    const QString keyName = cleanName(key);
    checkSectionName(sectionName);
    checkKeyName(keyName);
    if (hasLineBreak(value))
        kavRaise<EkavError>(u"Ini values cannot contain line breaks (key \"%1\")"_s.arg(keyName));
    int s = findSection(sectionName);
    if (s < 0) {
        // A blank line keeps the new section apart from the text before it.
        if (!FSections.isEmpty() && !FSections.last().Lines.isEmpty()
            && !FSections.last().Lines.last().Text.trimmed().isEmpty())
            FSections.last().Lines.append(Line{QString(), QString()});
        FSections.append(Section{sectionName, {}});
        s = int(FSections.size()) - 1;
    }
    Section &target = FSections[s];
    const int k = findKey(target, keyName);
    if (k >= 0) {
        target.Lines[k].Text = value.trimmed();
        return;
    }
    // After the last key, so trailing blank lines and comments stay at the section's end.
    qsizetype at = target.Lines.size();
    while (at > 0 && target.Lines[at - 1].Key.isEmpty())
        --at;
    if (at == 0 && !target.Lines.isEmpty() && !target.Lines.first().Text.trimmed().isEmpty())
        at = target.Lines.size(); // only comments: add below them
    target.Lines.insert(at, Line{keyName, value.trimmed()});
}

bool TkavIniText::SectionExists(const QString &section) const
{
    return findSection(section) >= 0;
}

QStringList TkavIniText::Sections() const
{
    QStringList names;
    for (const Section &section : FSections)
        names << section.Name;
    return names;
}

QStringList TkavIniText::Keys(const QString &section) const
{
    QStringList keys;
    const int s = findSection(section);
    if (s >= 0)
        for (const Line &line : FSections[s].Lines)
            if (!line.Key.isEmpty())
                keys << line.Key;
    return keys;
}

QStringList TkavIniText::Entries(const QString &section) const
{
    QStringList entries;
    const int s = findSection(section);
    if (s >= 0)
        for (const Line &line : FSections[s].Lines)
            if (!line.Key.isEmpty())
                entries << line.Key + u'=' + line.Text;
    return entries;
}

QStringList TkavIniText::Values(const QString &section) const
{
    QStringList values;
    const int s = findSection(section);
    if (s >= 0)
        for (const Line &line : FSections[s].Lines)
            if (!line.Key.isEmpty())
                values << line.Text;
    return values;
}

void TkavIniText::EraseSection(const QString &section)
{
    const int s = findSection(section);
    if (s >= 0)
        FSections.removeAt(s);
}

void TkavIniText::DeleteKey(const QString &section, const QString &key)
{
    const int s = findSection(section);
    if (s < 0)
        return;
    const int k = findKey(FSections[s], key);
    if (k >= 0)
        FSections[s].Lines.removeAt(k);
}

// ---------------------------------------------------------------------------------------
// TCustomIniFile

const TkavClassInfo &TCustomIniFile::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TCustomIniFile, TPersistent>(
        u"TCustomIniFile"_s, [](TkavPropBuilder<TCustomIniFile> &) {});
    return info;
}

TCustomIniFile::TCustomIniFile(const QString &fileName)
    : FFileName(fileName)
{
    kavCheckFileAccess(fileName, false);
}

void TCustomIniFile::loadFile() const
{
    kavCheckFileAccess(FFileName, false);
    QFile file(FFileName);
    if (!file.exists()) {
        FData.Clear();
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(u"Cannot open file \"%1\". %2"_s.arg(FFileName, file.errorString()));
    // The string list knows the byte-order marks and the legacy code page.
    TMemoryStream bytes(file.readAll());
    TStringList lines;
    lines.LoadFromStream(bytes);
    FData.SetText(lines.Text());
}

void TCustomIniFile::saveFile() const
{
    kavCheckFileAccess(FFileName, true);
    const QByteArray bytes = FData.Text().toUtf8();
    kavWriteFileAtomically(FFileName, [&bytes](TStream &stream) { stream.WriteBytes(bytes); });
}

QString TCustomIniFile::ReadString(const QString &section,
                                   const QString &ident,
                                   const QString &defaultValue) const
{
    refresh();
    const QString *value = FData.Value(section, ident);
    return value ? *value : defaultValue;
}

void TCustomIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    refresh();
    FData.SetValue(section, ident, value);
    changed();
}

int TCustomIniFile::ReadInteger(const QString &section,
                                const QString &ident,
                                int defaultValue) const
{
    const QString text = ReadString(section, ident, QString()).trimmed();
    bool ok = false;
    if (text.startsWith(u'$') || text.startsWith(u"0x"_s, Qt::CaseInsensitive)) {
        // Hexadecimal covers the 32 bits: "$FFFFFFFF" is -1, as the platform reads it.
        const uint value = text.mid(text.startsWith(u'$') ? 1 : 2).toUInt(&ok, 16);
        return ok ? int(value) : defaultValue;
    }
    const int value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

void TCustomIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString &section, const QString &ident, bool defaultValue) const
{
    const QString text = ReadString(section, ident, QString()).trimmed();
    if (kavSameText(text, u"true"))
        return true;
    if (kavSameText(text, u"false"))
        return false;
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? u"1"_s : u"0"_s);
}

double
TCustomIniFile::ReadFloat(const QString &section, const QString &ident, double defaultValue) const
{
    double value = 0;
    return kavTryFileTextToFloat(ReadString(section, ident, QString()), value) ? value
                                                                               : defaultValue;
}

void TCustomIniFile::WriteFloat(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, kavFloatToFileText(value));
}

namespace {

TDateTime readDateValue(const QString &text, bool wantDate, bool wantTime, TDateTime defaultValue)
{
    TDateTime value = 0;
    if (text.trimmed().isEmpty())
        return defaultValue;
    if (parseIsoDateTime(text, wantDate, wantTime, value)
        || parseLocaleDateTime(text.trimmed(), wantDate, wantTime, value))
        return value;
    return defaultValue;
}

} // namespace

TDateTime
TCustomIniFile::ReadDate(const QString &section, const QString &ident, TDateTime defaultValue) const
{
    return readDateValue(ReadString(section, ident, QString()), true, false, defaultValue);
}

void TCustomIniFile::WriteDate(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, isoDate(value));
}

TDateTime TCustomIniFile::ReadDateTime(const QString &section,
                                       const QString &ident,
                                       TDateTime defaultValue) const
{
    return readDateValue(ReadString(section, ident, QString()), true, true, defaultValue);
}

void TCustomIniFile::WriteDateTime(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, isoDate(value) + u' ' + isoTime(value));
}

TDateTime
TCustomIniFile::ReadTime(const QString &section, const QString &ident, TDateTime defaultValue) const
{
    return readDateValue(ReadString(section, ident, QString()), false, true, defaultValue);
}

void TCustomIniFile::WriteTime(const QString &section, const QString &ident, TDateTime value)
{
    WriteString(section, ident, isoTime(value));
}

int TCustomIniFile::ReadBinaryStream(const QString &section,
                                     const QString &ident,
                                     TStream &value) const
{
    const QByteArray hex = ReadString(section, ident, QString()).trimmed().toLatin1();
    static const QRegularExpression hexText(u"^([0-9A-Fa-f]{2})*$"_s);
    if (hex.isEmpty() || !hexText.match(QString::fromLatin1(hex)).hasMatch())
        return 0;
    const QByteArray bytes = QByteArray::fromHex(hex);
    const qint64 start = value.Position();
    value.WriteBytes(bytes);
    value.SetPosition(start);
    return int(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const QString &section, const QString &ident, TStream &value)
{
    const qint64 count = value.Size() - value.Position();
    QByteArray bytes(qMax<qint64>(count, 0), Qt::Uninitialized);
    if (count > 0)
        value.ReadBuffer(bytes.data(), count);
    WriteString(section, ident, QString::fromLatin1(bytes.toHex().toUpper()));
}

bool TCustomIniFile::SectionExists(const QString &section) const
{
    refresh();
    return FData.SectionExists(section);
}

bool TCustomIniFile::ValueExists(const QString &section, const QString &ident) const
{
    refresh();
    return FData.Value(section, ident) != nullptr;
}

namespace {

void fill(TStrings &strings, const QStringList &lines)
{
    strings.BeginUpdate();
    strings.Clear();
    for (const QString &line : lines)
        strings.Add(line);
    strings.EndUpdate();
}

} // namespace

void TCustomIniFile::ReadSection(const QString &section, TStrings &strings) const
{
    refresh();
    fill(strings, FData.Keys(section));
}

void TCustomIniFile::ReadSections(TStrings &strings) const
{
    refresh();
    fill(strings, FData.Sections());
}

void TCustomIniFile::ReadSectionValues(const QString &section, TStrings &strings) const
{
    refresh();
    fill(strings, FData.Entries(section));
}

void TCustomIniFile::ReadSectionValuesEx(const QString &section, TStrings &strings) const
{
    refresh();
    fill(strings, FData.Values(section));
}

void TCustomIniFile::EraseSection(const QString &section)
{
    refresh();
    FData.EraseSection(section);
    changed();
}

void TCustomIniFile::DeleteKey(const QString &section, const QString &ident)
{
    refresh();
    FData.DeleteKey(section, ident);
    changed();
}

void TCustomIniFile::WriteTStrings(const QString &section, const TStrings &value, bool isClear)
{
    // All keys change in memory first, so a file-backed ini is written once.
    refresh();
    if (isClear)
        FData.EraseSection(section);
    const int count = value.Count();
    for (int i = 0; i < count; ++i)
        FData.SetValue(section, u"Items"_s + QString::number(i), value.Strings(i));
    FData.SetValue(section, u"Count"_s, QString::number(count));
    changed();
}

QString TCustomIniFile::ReadTStrings(const QString &section, TStrings &value, bool isClear) const
{
    // A section cannot hold more lines than keys: a forged huge Count must not make us
    // allocate millions of empty lines (gaps inside the list still read as empty lines).
    const int stated = ReadInteger(section, u"Count"_s, 0); // refreshes the data first
    const int count = qBound(0, stated, int(FData.Keys(section).size()));
    value.BeginUpdate();
    if (isClear)
        value.Clear();
    for (int i = 0; i < count; ++i) {
        const QString *line = FData.Value(section, u"Items"_s + QString::number(i));
        value.Add(line ? *line : QString());
    }
    value.EndUpdate();
    return value.Text();
}

void TCustomIniFile::SaveIniFileToStream(TStream &stream) const
{
    refresh();
    stream.WriteBytes(FData.Text().toUtf8());
}

void TCustomIniFile::LoadIniFileFromStream(TStream &stream)
{
    TStringList lines;
    lines.LoadFromStream(stream);
    FData.SetText(lines.Text());
    changed();
}

// ---------------------------------------------------------------------------------------
// TMemIniFile and TIniFile

const TkavClassInfo &TMemIniFile::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TMemIniFile, TCustomIniFile>(
        u"TMemIniFile"_s, [](TkavPropBuilder<TMemIniFile> &) {});
    return info;
}

TMemIniFile::TMemIniFile(const QString &fileName)
    : TCustomIniFile(fileName)
{
    loadFile();
}

void TMemIniFile::Clear()
{
    Data().Clear();
}

void TMemIniFile::GetStrings(TStrings &list) const
{
    QString text = Data().Text();
    text.chop(1); // no empty line after the last one
    fill(list, text.isEmpty() ? QStringList() : text.split(u'\n'));
}

void TMemIniFile::SetStrings(const TStrings &list)
{
    Data().SetText(list.ToStringList().join(u'\n'));
}

void TMemIniFile::UpdateFile()
{
    saveFile();
}

const TkavClassInfo &TIniFile::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TIniFile, TCustomIniFile>(
        u"TIniFile"_s, [](TkavPropBuilder<TIniFile> &) {});
    return info;
}

TIniFile::TIniFile(const QString &fileName)
    : TCustomIniFile(fileName)
{}
