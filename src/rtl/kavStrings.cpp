#include "kavStrings.h"

#include "kavCaseFold.h"
#include "kavCodePage.h"
#include "kavExceptions.h"
#include "kavRTTI.h"
#include "kavStreams.h"
#include "kavLimits.h"

#include <QStringDecoder>

#include <algorithm>
#include <numeric>

namespace {

// Keeps a list inside one update bracket for the lifetime of the guard, also on errors.
class UpdateGuard
{
public:
    explicit UpdateGuard(TStrings &list) : FList(list) { FList.BeginUpdate(); }
    ~UpdateGuard() { FList.EndUpdate(); }
    UpdateGuard(const UpdateGuard &) = delete;
    UpdateGuard &operator=(const UpdateGuard &) = delete;

private:
    TStrings &FList;
};

const QString &sortedListError()
{
    static const QString text = QStringLiteral("Operation not allowed on sorted list");
    return text;
}

bool isBlank(QChar c)
{
    return c.unicode() <= u' ';
}

struct DelimiterRules
{
    QChar delimiter;
    QChar quote;
    bool strict;
};

QString quoted(const QString &s, QChar quote)
{
    QString result;
    result.reserve(s.size() + 2);
    result += quote;
    for (QChar c : s) {
        result += c;
        if (c == quote)
            result += quote;
    }
    result += quote;
    return result;
}

bool needsQuotes(const QString &s, const DelimiterRules &rules)
{
    return std::any_of(s.begin(), s.end(), [&](QChar c) {
        return c == rules.delimiter || c == rules.quote || (!rules.strict && isBlank(c));
    });
}

QString joinDelimited(const TStrings &list, const DelimiterRules &rules)
{
    const int count = list.Count();
    if (count == 1 && list.Get(0).isEmpty())
        return QString(2, rules.quote);
    // Lines may share one long text: the length is checked before anything is built (quotes
    // only add to it), and again as quoted fields are added.
    qint64 length = count;
    for (int i = 0; i < count; ++i)
        length += list.Get(i).size();
    kavCheckStringLength(length - 1);
    QString result;
    for (int i = 0; i < count; ++i) {
        const QString s = list.Get(i);
        const QString field = needsQuotes(s, rules) ? quoted(s, rules.quote) : s;
        kavCheckStringLength(qint64(result.size()) + field.size() + 1);
        if (i > 0)
            result += rules.delimiter;
        result += field;
    }
    return result;
}

// Splits text into fields; see TStrings::SetDelimitedText for the rules.
QStringList splitDelimited(const QString &text, const DelimiterRules &rules)
{
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        if (!rules.strict)
            while (pos < n && isBlank(text[pos]))
                ++pos;
    };
    skipBlanks();
    while (pos < n) {
        QString field;
        if (text[pos] == rules.quote) {
            ++pos;
            while (pos < n) {
                if (text[pos] == rules.quote) {
                    if (pos + 1 < n && text[pos + 1] == rules.quote) {
                        field += rules.quote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                field += text[pos++];
            }
        } else {
            const qsizetype start = pos;
            while (pos < n && text[pos] != rules.delimiter && (rules.strict || !isBlank(text[pos])))
                ++pos;
            field = text.mid(start, pos - start);
        }
        fields.append(field);
        skipBlanks();
        if (pos < n && text[pos] == rules.delimiter) {
            ++pos;
            skipBlanks();
            if (pos == n)
                fields.append(QString());
        }
    }
    return fields;
}

// Decodes file bytes: a UTF-8, UTF-16LE or UTF-16BE byte-order mark decides; without one
// the bytes are UTF-8, or the legacy code page when they are not valid UTF-8.
QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto encoding = bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                           : QStringConverter::Utf16BE;
        QStringDecoder decoder(encoding, QStringConverter::Flag::Default);
        return decoder(QByteArrayView(bytes).sliced(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return kavCodePageToUnicode(bytes);
    return text;
}

} // namespace


// ---------------------------------------------------------------------------------------
// TStrings

// String lists publish no properties of their own: owners publish them as string-list
// properties, written as their Text.
const TkavClassInfo &TStrings::StaticClassInfo()
{
    static const TkavClassInfo info =
        kavMakeClassInfo<TStrings, TPersistent>(QStringLiteral("TStrings"), [](TkavPropBuilder<TStrings> &) {});
    return info;
}

int TStrings::Add(const QString &s)
{
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const QString &s, TObject *object)
{
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings &strings)
{
    UpdateGuard guard(*this);
    // Read the source up front: it may be this very list.
    const int count = strings.Count();
    QList<std::pair<QString, TObject *>> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append({strings.Get(i), strings.GetObject(i)});
    for (const auto &[text, object] : entries)
        AddObject(text, object);
}

void TStrings::InsertObject(int index, const QString &s, TObject *object)
{
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2)
{
    const int count = GetCount();
    if (index1 < 0 || index1 >= count)
        ListIndexError(index1);
    if (index2 < 0 || index2 >= count)
        ListIndexError(index2);
    if (index1 == index2)
        return;
    UpdateGuard guard(*this);
    const QString text1 = Get(index1);
    TObject *object1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, text1);
    PutObject(index2, object1);
}

void TStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    const int count = GetCount();
    if (curIndex < 0 || curIndex >= count)
        ListIndexError(curIndex);
    if (newIndex < 0 || newIndex >= count)
        ListIndexError(newIndex);
    UpdateGuard guard(*this);
    const QString text = Get(curIndex);
    TObject *object = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, text, object);
}

int TStrings::IndexOf(const QString &s) const
{
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (CompareStrings(Get(i), s) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfName(const QString &name) const
{
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const QString s = Get(i);
        const qsizetype p = s.indexOf(FNameValueSeparator);
        if (p >= 0 && CompareStrings(s.left(p), name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject *object) const
{
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

QString TStrings::CommaText() const
{
    return joinDelimited(*this, {u',', u'"', false});
}

void TStrings::SetCommaText(const QString &text)
{
    const QStringList fields = splitDelimited(text, {u',', u'"', false});
    UpdateGuard guard(*this);
    Clear();
    for (const QString &field : fields)
        Add(field);
}

QString TStrings::DelimitedText() const
{
    return joinDelimited(*this, {FDelimiter, FQuoteChar, FStrictDelimiter});
}

void TStrings::SetDelimitedText(const QString &text)
{
    const QStringList fields = splitDelimited(text, {FDelimiter, FQuoteChar, FStrictDelimiter});
    UpdateGuard guard(*this);
    Clear();
    for (const QString &field : fields)
        Add(field);
}

QString TStrings::Names(int index) const
{
    const QString s = Get(index);
    const qsizetype p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.left(p) : QString();
}

QString TStrings::Values(const QString &name) const
{
    const int index = IndexOfName(name);
    return index >= 0 ? ValueFromIndex(index) : QString();
}

void TStrings::SetValues(const QString &name, const QString &value)
{
    const int index = IndexOfName(name);
    if (value.isEmpty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const QString entry = name + FNameValueSeparator + value;
    if (index < 0)
        Add(entry);
    else
        Put(index, entry);
}

QString TStrings::ValueFromIndex(int index) const
{
    const QString s = Get(index);
    const qsizetype p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.mid(p + 1) : QString();
}

void TStrings::SetValueFromIndex(int index, const QString &value)
{
    if (value.isEmpty())
        Delete(index);
    else
        Put(index, Names(index) + FNameValueSeparator + value);
}

void TStrings::Assign(const TPersistent &source)
{
    const auto *strings = dynamic_cast<const TStrings *>(&source);
    if (!strings) {
        TPersistent::Assign(source);
        return;
    }
    if (strings == this)
        return;
    UpdateGuard guard(*this);
    Clear();
    FDelimiter = strings->FDelimiter;
    FQuoteChar = strings->FQuoteChar;
    FNameValueSeparator = strings->FNameValueSeparator;
    FStrictDelimiter = strings->FStrictDelimiter;
    AddStrings(*strings);
}

bool TStrings::AssignTo(TPersistent &dest) const
{
    auto *strings = dynamic_cast<TStrings *>(&dest);
    if (!strings)
        return false;
    strings->Assign(*this);
    return true;
}

bool TStrings::Equals(const TStrings &other) const
{
    const int count = GetCount();
    if (count != other.GetCount())
        return false;
    for (int i = 0; i < count; ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

QStringList TStrings::ToStringList() const
{
    QStringList result;
    const int count = GetCount();
    result.reserve(count);
    for (int i = 0; i < count; ++i)
        result.append(Get(i));
    return result;
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream &stream)
{
    const qint64 remaining = stream.Size() - stream.Position();
    QByteArray bytes;
    if (remaining > 0) {
        bytes.resize(remaining);
        stream.ReadBuffer(bytes.data(), remaining);
    }
    SetTextStr(decodeText(bytes));
}

void TStrings::SaveToStream(TStream &stream) const
{
    stream.WriteBytes(GetTextStr().toUtf8());
}

void TStrings::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TStrings::SaveToFile(const QString &fileName) const
{
    const QByteArray bytes = GetTextStr().toUtf8();
    kavWriteFileAtomically(fileName, [&bytes](TStream &stream) { stream.WriteBytes(bytes); });
}

TObject *TStrings::GetObject(int /*index*/) const
{
    return nullptr;
}

void TStrings::Put(int index, const QString &s)
{
    UpdateGuard guard(*this);
    TObject *object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TStrings::PutObject(int /*index*/, TObject * /*object*/)
{
}

QString TStrings::GetTextStr() const
{
    // Lines may share one long text: the length is checked before anything is built.
    const int count = GetCount();
    qint64 length = 0;
    for (int i = 0; i < count; ++i)
        length += Get(i).size() + 2;
    kavCheckStringLength(length);
    QString result;
    result.reserve(qsizetype(length));
    for (int i = 0; i < count; ++i) {
        result += Get(i);
        result += u"\r\n";
    }
    return result;
}

void TStrings::SetTextStr(const QString &text)
{
    UpdateGuard guard(*this);
    Clear();
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype start = pos;
        while (pos < n && text[pos] != u'\r' && text[pos] != u'\n')
            ++pos;
        Add(text.mid(start, pos - start));
        if (pos < n && text[pos] == u'\r')
            ++pos;
        if (pos < n && text[pos] == u'\n')
            ++pos;
    }
}

int TStrings::CompareStrings(const QString &a, const QString &b) const
{
    return kavCompareText(a, b);
}

void TStrings::Changing()
{
    if (FUpdateCount == 0 && FOnChanging)
        FOnChanging(*this);
}

void TStrings::Changed()
{
    if (FUpdateCount == 0 && FOnChange)
        FOnChange(*this);
}

void TStrings::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

void TStrings::ListIndexError(int index)
{
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

// ---------------------------------------------------------------------------------------
// TStringList

const TkavClassInfo &TStringList::StaticClassInfo()
{
    static const TkavClassInfo info =
        kavMakeClassInfo<TStringList, TStrings>(QStringLiteral("TStringList"), [](TkavPropBuilder<TStringList> &) {});
    return info;
}

int TStringList::Add(const QString &s)
{
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const QString &s, TObject *object)
{
    int index = GetCount();
    if (FSorted && Find(s, index)) {
        if (FDuplicates == dupIgnore)
            return index;
        if (FDuplicates == dupError)
            throw EListError(QStringLiteral("String list does not allow duplicates"));
    }
    insertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, const QString &s)
{
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const QString &s, TObject *object)
{
    checkNotSorted();
    if (index < 0 || index > GetCount())
        ListIndexError(index);
    insertItem(index, s, object);
}

void TStringList::Delete(int index)
{
    checkIndex(index);
    Changing();
    FList.removeAt(index);
    Changed();
}

void TStringList::Clear()
{
    if (FList.isEmpty())
        return;
    Changing();
    FList.clear();
    Changed();
}

void TStringList::Exchange(int index1, int index2)
{
    checkNotSorted();
    checkIndex(index1);
    checkIndex(index2);
    Changing();
    FList.swapItemsAt(index1, index2);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex)
{
    checkNotSorted();
    checkIndex(curIndex);
    checkIndex(newIndex);
    if (curIndex == newIndex)
        return;
    Changing();
    FList.move(curIndex, newIndex);
    Changed();
}

int TStringList::IndexOf(const QString &s) const
{
    if (!FSorted)
        return TStrings::IndexOf(s);
    int index = -1;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const QString &s, int &index) const
{
    // Lower bound: the first entry not less than s.
    int low = 0;
    int high = GetCount();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (CompareStrings(FList[mid].text, s) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    index = low;
    return low < GetCount() && CompareStrings(FList[low].text, s) == 0;
}

void TStringList::Sort()
{
    if (FSorted || FList.size() < 2)
        return;
    sortWith([this](const Item &a, const Item &b) { return CompareStrings(a.text, b.text) < 0; });
}

void TStringList::CustomSort(const TStringListSortCompare &compare)
{
    if (FSorted || FList.size() < 2 || !compare)
        return;
    // Sort a permutation so that compare always sees the list as it was.
    QList<int> order(FList.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(*this, a, b) < 0; });
    QList<Item> sorted;
    sorted.reserve(FList.size());
    for (int i : order)
        sorted.append(FList[i]);
    Changing();
    FList = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool value)
{
    if (value == FSorted)
        return;
    if (value)
        Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value)
{
    if (value == FCaseSensitive)
        return;
    FCaseSensitive = value;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

void TStringList::Assign(const TPersistent &source)
{
    const auto *list = dynamic_cast<const TStringList *>(&source);
    if (!list || list == this) {
        TStrings::Assign(source);
        return;
    }
    UpdateGuard guard(*this);
    Clear();
    // Copy unsorted: the source's order already follows its own rule, which we adopt.
    FSorted = false;
    FCaseSensitive = list->FCaseSensitive;
    FDuplicates = list->FDuplicates;
    TStrings::Assign(source);
    FSorted = list->FSorted;
}

QString TStringList::Get(int index) const
{
    checkIndex(index);
    return FList[index].text;
}

TObject *TStringList::GetObject(int index) const
{
    checkIndex(index);
    return FList[index].object;
}

void TStringList::Put(int index, const QString &s)
{
    checkNotSorted();
    checkIndex(index);
    Changing();
    FList[index].text = s;
    Changed();
}

void TStringList::PutObject(int index, TObject *object)
{
    checkIndex(index);
    Changing();
    FList[index].object = object;
    Changed();
}

int TStringList::CompareStrings(const QString &a, const QString &b) const
{
    return FCaseSensitive ? QString::compare(a, b, Qt::CaseSensitive) : kavCompareText(a, b);
}

void TStringList::checkIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        ListIndexError(index);
}

void TStringList::insertItem(int index, const QString &s, TObject *object)
{
    kavCheckListRoom(FList.size());
    Changing();
    FList.insert(index, Item{s, object});
    Changed();
}

void TStringList::checkNotSorted() const
{
    if (FSorted)
        throw EListError(sortedListError());
}

void TStringList::sortWith(const std::function<bool(const Item &, const Item &)> &less)
{
    Changing();
    std::stable_sort(FList.begin(), FList.end(), less);
    Changed();
}
