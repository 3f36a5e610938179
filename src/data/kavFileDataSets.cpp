#include "kavFileDataSets.h"

#include <report/kavReport.h>

#include <rtl/kavCaseFold.h>
#include <rtl/kavCodePage.h>
#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Larger files are refused: they are read whole.
constexpr qint64 maxFileSize = qint64(1) << 30;

// A place in a file, for messages.
class ParseError
{
public:
    ParseError(int line, QString message)
        : Line(line)
        , Message(std::move(message))
    {}
    int Line;
    QString Message;
};

// --- type detection ---------------------------------------------------------------------

enum class Kind {
    Integer,
    Float,
    Boolean,
    Date,
    Text
};

const QRegularExpression &integerPattern()
{
    static const QRegularExpression re(u"^[+-]?(0|[1-9][0-9]{0,17})$"_s);
    return re;
}

const QRegularExpression &floatPattern()
{
    static const QRegularExpression re(u"^[+-]?(0|[1-9][0-9]*)?(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"_s);
    return re;
}

const QRegularExpression &datePattern()
{
    static const QRegularExpression re(
        u"^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?)?$"_s);
    return re;
}

bool isFloat(const QString &text)
{
    // The pattern also accepts "", "+" and "."; a digit must be there.
    return floatPattern().match(text).hasMatch()
           && std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

bool isBoolean(const QString &text)
{
    return kavSameText(text, u"true") || kavSameText(text, u"false");
}

// The narrowest kind every text of the column reads as.
Kind columnKind(const TkavDataTable &table, int col, bool numbers)
{
    bool integer = numbers, real = numbers, boolean = numbers, date = true, any = false;
    for (const auto &row : table.Rows) {
        const Variant &v = row[size_t(col)];
        if (v.IsNull())
            continue;
        if (v.Type() != varString)
            return Kind::Text;
        const QString text = v.AsString();
        any = true;
        integer = integer && integerPattern().match(text).hasMatch();
        real = real && isFloat(text);
        boolean = boolean && isBoolean(text);
        TDateTime unused;
        date = date && kavReadISODate(text, unused);
        if (!integer && !real && !boolean && !date)
            return Kind::Text;
    }
    if (!any)
        return Kind::Text;
    return integer   ? Kind::Integer
           : real    ? Kind::Float
           : boolean ? Kind::Boolean
           : date    ? Kind::Date
                     : Kind::Text;
}

Variant convert(const QString &text, Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return Variant(text.toLongLong());
    case Kind::Float:
        return Variant(text.toDouble());
    case Kind::Boolean:
        return Variant(kavSameText(text, u"true"));
    case Kind::Date: {
        TDateTime value = 0;
        kavReadISODate(text, value);
        return Variant::FromDate(value);
    }
    case Kind::Text:
        break;
    }
    return Variant(text);
}

TkavFieldType fieldTypeOf(const Variant &v)
{
    switch (v.Type()) {
    case varBoolean:
        return fftBoolean;
    case varDate:
        return fftDateTime;
    case varString:
        return fftString;
    default:
        return fftNumeric;
    }
}

// --- CSV -----------------------------------------------------------------------------------

QString decodeText(const QByteArray &bytes, const QString &encoding)
{
    const QString name = encoding.trimmed();
    if (kavSameText(name, u"Latin-1") || kavSameText(name, u"ISO-8859-1"))
        return QString::fromLatin1(bytes);
    if (kavSameText(name, u"Windows-1252") || kavSameText(name, u"CP1252"))
        return kavCodePageToUnicode(bytes, 1252);
    const bool utf16 = kavSameText(name, u"UTF-16");
    if (!utf16 && !kavSameText(name, u"UTF-8") && !name.isEmpty())
        throw ParseError(0, u"unknown encoding \"%1\""_s.arg(name));
    QStringDecoder decoder(utf16 ? QStringConverter::Utf16 : QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw ParseError(
            0, u"the file is not %1 text (set Encoding)"_s.arg(utf16 ? u"UTF-16"_s : u"UTF-8"_s));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// Records of fields; quoted fields may hold delimiters, doubled quotes and line breaks.
// Blank lines are skipped. Lines counts from 1 for messages.
std::vector<std::pair<int, QStringList>> splitCsv(const QString &text, QChar delimiter)
{
    std::vector<std::pair<int, QStringList>> records;
    QStringList record;
    QString field;
    int line = 1, recordLine = 1;
    bool quoted = false, wasQuoted = false, afterQuote = false;
    const auto endField = [&] {
        record << field;
        field.clear();
        wasQuoted = afterQuote = false;
    };
    const auto endRecord = [&] {
        endField();
        if (!(record.size() == 1 && record[0].isEmpty() && !wasQuoted))
            records.emplace_back(recordLine, std::move(record));
        record = QStringList();
        recordLine = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
                afterQuote = true;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
        } else if (c == delimiter) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRecord();
        } else if (afterQuote) {
            throw ParseError(line, u"text after the closing quote of a field"_s);
        } else if (c == u'"' && field.isEmpty()) {
            quoted = wasQuoted = true;
        } else {
            field += c; // a quote inside an unquoted field is kept as it is
        }
    }
    if (quoted)
        throw ParseError(recordLine, u"a quoted field is not closed"_s);
    if (!field.isEmpty() || !record.isEmpty() || wasQuoted)
        endRecord();
    return records;
}

// --- JSON ----------------------------------------------------------------------------------

void lineAndColumn(const QByteArray &bytes, int offset, int &line, int &column)
{
    line = 1;
    column = 1;
    for (int i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else if ((uchar(bytes[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
}

Variant jsonValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return Variant(value.toBool());
    case QJsonValue::Double: {
        const double d = value.toDouble();
        if (std::trunc(d) == d && std::fabs(d) < 9007199254740992.0)
            return Variant(qint64(d));
        return Variant(d);
    }
    case QJsonValue::String:
        return Variant(value.toString());
    case QJsonValue::Array:
        return Variant(
            QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)));
    default:
        return Variant::Null();
    }
}

// Adds the object's values to row under their dotted paths, creating fields as met.
void addObject(const QJsonObject &object,
               const QString &prefix,
               TkavDataTable &table,
               QHash<QString, int> &fields,
               std::vector<Variant> &row)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString name = prefix + it.key();
        if (it->isObject()) {
            addObject(it->toObject(), name + u'.', table, fields, row);
            continue;
        }
        auto found = fields.constFind(name);
        if (found == fields.constEnd()) {
            found = fields.insert(name, table.AddField(name));
            for (auto &earlier : table.Rows)
                earlier.push_back(Variant::Null());
            row.push_back(Variant::Null());
        }
        row[size_t(*found)] = jsonValue(*it);
    }
}

QJsonValue followPath(const QJsonDocument &doc, const QString &path)
{
    QJsonValue value = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    if (path.trimmed().isEmpty())
        return value;
    for (const QString &step : path.split(u'.')) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        if (value.isObject() && value.toObject().contains(step))
            value = value.toObject().value(step);
        else if (value.isArray() && isIndex && index >= 0 && index < value.toArray().size())
            value = value.toArray().at(index);
        else
            throw ParseError(0, u"RecordsPath \"%1\": \"%2\" is not in the file"_s.arg(path, step));
    }
    return value;
}

} // namespace

bool kavReadISODate(const QString &text, TDateTime &value)
{
    const QRegularExpressionMatch m = datePattern().match(text);
    if (!m.hasMatch())
        return false;
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), date))
        return false;
    if (m.capturedLength(4) > 0) {
        const int msec = m.capturedLength(7) > 0 ? m.captured(7).leftJustified(3, u'0').toInt() : 0;
        if (!TryEncodeTime(
                m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), msec, time))
            return false;
    }
    value = date + time;
    return true;
}

// --- TkavDataTable ---------------------------------------------------------------------------

int TkavDataTable::AddField(const QString &name)
{
    QString unique = name.trimmed().isEmpty() ? u"Field%1"_s.arg(Fields.size() + 1) : name;
    for (int n = 2; Fields.contains(unique, Qt::CaseInsensitive); ++n)
        unique = u"%1_%2"_s.arg(name.trimmed().isEmpty() ? u"Field"_s : name).arg(n);
    Fields << unique;
    Types.push_back(fftString);
    return int(Fields.size()) - 1;
}

void TkavDataTable::DetectTypes(bool numbers)
{
    for (int col = 0; col < Fields.size(); ++col) {
        const Kind kind = columnKind(*this, col, numbers);
        if (kind == Kind::Text)
            continue;
        for (auto &row : Rows)
            if (!row[size_t(col)].IsNull())
                row[size_t(col)] = convert(row[size_t(col)].AsString(), kind);
    }
}

void TkavDataTable::SetTypes()
{
    for (int col = 0; col < Fields.size(); ++col) {
        Types[size_t(col)] = fftString;
        for (const auto &row : Rows)
            if (!row[size_t(col)].IsNull()) {
                Types[size_t(col)] = fieldTypeOf(row[size_t(col)]);
                break;
            }
    }
}

// --- TkavTableDataSet ------------------------------------------------------------------------

TkavTableDataSet::TkavTableDataSet(TkavComponent *AOwner)
    : TkavCustomDBDataSet(AOwner)
{}

TkavTableDataSet::~TkavTableDataSet() = default;

void TkavTableDataSet::SetFileName(const QString &value)
{
    if (value == FFileName)
        return;
    FFileName = value;
    FLoaded = false;
}

QString TkavTableDataSet::ResolvedFileName() const
{
    return kavPathBesideReport(ReportRef() ? ReportRef() : Report(), FFileName);
}

void TkavTableDataSet::Load()
{
    const QString name = UserName().isEmpty() ? Name() : UserName();
    const QString path = ResolvedFileName();
    const auto fail = [&](const QString &message) {
        throw EkavError(u"Data set \"%1\": %2"_s.arg(name, message));
    };
    if (path.isEmpty())
        fail(u"no file name given"_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"cannot open \"%1\": %2"_s.arg(path, file.errorString()));
    if (file.size() > maxFileSize)
        fail(u"\"%1\" is larger than 1 GB"_s.arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(u"cannot read \"%1\": %2"_s.arg(path, file.errorString()));
    TkavDataTable table;
    try {
        ReadTable(bytes, table);
    } catch (const ParseError &e) {
        fail(e.Line > 0 ? u"\"%1\", line %2: %3"_s.arg(path).arg(e.Line).arg(e.Message)
                        : u"\"%1\": %2"_s.arg(path, e.Message));
    }
    table.SetTypes();
    FTable = std::move(table);
    FColumns.clear();
    for (int i = 0; i < FTable.Fields.size(); ++i)
        FColumns.insert(kavLowerCase(FTable.Fields[i]), i);
    FieldNames().Clear();
    for (const QString &field : std::as_const(FTable.Fields))
        FieldNames().Add(field);
    FLoaded = true;
}

void TkavTableDataSet::Initialize()
{
    TkavCustomDBDataSet::Initialize();
    Load();
}

void TkavTableDataSet::Finalize()
{
    TkavCustomDBDataSet::Finalize();
    FTable = TkavDataTable();
    FColumns.clear();
    FLoaded = false;
}

bool TkavTableDataSet::Eof()
{
    return RecNo() >= int(FTable.Rows.size()) || TkavCustomDBDataSet::Eof();
}

int TkavTableDataSet::RecordCount()
{
    const int count = int(FTable.Rows.size());
    const int ranged = TkavCustomDBDataSet::RecordCount();
    return RangeEnd() == reCount ? std::min(ranged, count) : count;
}

int TkavTableDataSet::column(const QString &name) const
{
    return FColumns.value(kavLowerCase(ConvertAlias(name)), -1);
}

const Variant *TkavTableDataSet::cell(const QString &name) const
{
    const int col = column(name);
    if (col < 0 || RecNo() < 0 || RecNo() >= int(FTable.Rows.size()))
        return nullptr;
    return &FTable.Rows[size_t(RecNo())][size_t(col)];
}

Variant TkavTableDataSet::GetValue(const QString &Index)
{
    const Variant *v = cell(Index);
    return v ? *v : Variant::Null();
}

QString TkavTableDataSet::GetDisplayText(const QString &Index)
{
    const Variant *v = cell(Index);
    return v && !v->IsNull() ? v->AsString() : QString();
}

TkavFieldType TkavTableDataSet::GetFieldType(const QString &Index)
{
    const int col = column(Index);
    return col < 0 ? fftString : FTable.Types[size_t(col)];
}

void TkavTableDataSet::GetFieldList(TStrings &List)
{
    List.Clear();
    if (!FLoaded) {
        try {
            Load();
        } catch (const Exception &) {
            return; // a field list is only offered; the run reports the error
        }
    }
    for (const QString &field : std::as_const(FTable.Fields))
        List.Add(GetAlias(field));
}

const TkavClassInfo &TkavTableDataSet::StaticClassInfo()
{
    using T = TkavTableDataSet;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavCustomDBDataSet>(
        u"TkavTableDataSet"_s,
        [](TkavPropBuilder<T> &p) {
            p.String(u"FileName"_s, &T::FileName, &T::SetFileName);
            p.Bool(u"DetectTypes"_s, &T::DetectTypes, &T::SetDetectTypes).Default(true);
        },
        TkavFactory());
    return info;
}

// --- TkavCSVDataSet --------------------------------------------------------------------------

TkavCSVDataSet::TkavCSVDataSet(TkavComponent *AOwner)
    : TkavTableDataSet(AOwner)
{
    SetImageIndex(kavCSVImage);
}

void TkavCSVDataSet::SetDelimiter(const QString &value)
{
    const bool tab = value == u"\\t" || kavSameText(value, u"tab") || value == u"\t";
    if (!tab && value.size() != 1)
        throw EkavError(u"A CSV delimiter is one character (or \"tab\"): \"%1\""_s.arg(value));
    if (!tab && (value == u"\"" || value == u"\r" || value == u"\n"))
        throw EkavError(u"A quote or a line break cannot separate CSV fields"_s);
    FDelimiter = tab ? u"\t"_s : value;
}

void TkavCSVDataSet::SetEncoding(const QString &value)
{
    FEncoding = value.trimmed().isEmpty() ? u"UTF-8"_s : value.trimmed();
}

void TkavCSVDataSet::ReadTable(const QByteArray &bytes, TkavDataTable &table) const
{
    const auto records = splitCsv(decodeText(bytes, FEncoding), FDelimiter.at(0));
    size_t first = 0;
    if (FHasHeader && !records.empty()) {
        for (const QString &name : records[0].second)
            table.AddField(name.trimmed());
        first = 1;
    }
    table.Rows.reserve(records.size() - first);
    for (size_t r = first; r < records.size(); ++r) {
        const auto &[line, fields] = records[r];
        if (!FHasHeader)
            while (table.Fields.size() < fields.size())
                table.AddField(QString());
        if (fields.size() > table.Fields.size())
            throw ParseError(line,
                             u"%1 fields, but the header names %2"_s.arg(fields.size())
                                 .arg(table.Fields.size()));
        std::vector<Variant> row(size_t(table.Fields.size()), Variant::Null());
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (!fields[i].isEmpty())
                row[size_t(i)] = Variant(fields[i]);
        table.Rows.push_back(std::move(row));
    }
    // Rows read before a later row added fields (no header) get the missing cells.
    for (auto &row : table.Rows)
        row.resize(size_t(table.Fields.size()), Variant::Null());
    if (DetectTypes())
        table.DetectTypes(true);
}

// --- TkavJSONDataSet -------------------------------------------------------------------------

TkavJSONDataSet::TkavJSONDataSet(TkavComponent *AOwner)
    : TkavTableDataSet(AOwner)
{
    SetImageIndex(kavJSONImage);
}

void TkavJSONDataSet::ReadTable(const QByteArray &bytes, TkavDataTable &table) const
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        int line = 0, col = 0;
        lineAndColumn(bytes, error.offset, line, col);
        throw ParseError(line, u"column %1: %2"_s.arg(col).arg(error.errorString()));
    }
    const QJsonValue records = followPath(doc, FRecordsPath);
    if (!records.isArray())
        throw ParseError(0,
                         u"the records are not an array (RecordsPath \"%1\")"_s.arg(FRecordsPath));
    QHash<QString, int> fields;
    const QJsonArray array = records.toArray();
    table.Rows.reserve(size_t(array.size()));
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array[i].isObject())
            throw ParseError(0, u"record %1 of the array is not an object"_s.arg(i + 1));
        std::vector<Variant> row(size_t(table.Fields.size()), Variant::Null());
        addObject(array[i].toObject(), QString(), table, fields, row);
        table.Rows.push_back(std::move(row));
    }
    // JSON keeps its own numbers and Booleans: only dates hide in its texts.
    if (DetectTypes())
        table.DetectTypes(false);
}

const TkavClassInfo &TkavCSVDataSet::StaticClassInfo()
{
    using T = TkavCSVDataSet;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavTableDataSet>(
        u"TkavCSVDataSet"_s,
        [](TkavPropBuilder<T> &p) {
            p.String(u"Delimiter"_s, &T::Delimiter, &T::SetDelimiter);
            p.Bool(u"HasHeader"_s, &T::HasHeader, &T::SetHasHeader).Default(true);
            p.String(u"Encoding"_s, &T::Encoding, &T::SetEncoding);
        },
        kavComponentFactory<T>());
    return info;
}

const TkavClassInfo &TkavJSONDataSet::StaticClassInfo()
{
    using T = TkavJSONDataSet;
    static const TkavClassInfo info = kavMakeClassInfo<T, TkavTableDataSet>(
        u"TkavJSONDataSet"_s,
        [](TkavPropBuilder<T> &p) {
            p.String(u"RecordsPath"_s, &T::RecordsPath, &T::SetRecordsPath);
        },
        kavComponentFactory<T>());
    return info;
}

void kavRegisterFileDataSetClasses()
{
    kavRegisterClass(TkavTableDataSet::StaticClassInfo());
    kavRegisterClass(TkavCSVDataSet::StaticClassInfo());
    kavRegisterClass(TkavJSONDataSet::StaticClassInfo());
}
