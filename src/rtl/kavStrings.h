#pragma once

// String lists: the abstract TStrings (indexed texts with attached object references,
// joined text forms, name=value access, streaming) and TStringList, its concrete kind
// with sorting and duplicate control. All text is UTF-16, so the Unicode list is the same type.

#include "kavObject.h"

#include <QChar>
#include <QList>
#include <QString>

#include <functional>

class TStream;
class TStrings;

// Called after (OnChange) or before (OnChanging) the contents of a list change.
using TkavStringsEvent = std::function<void(TStrings &sender)>;

// The abstract string list. A descendant supplies the storage through the protected
// primitives (Get, GetCount, Insert, Delete, Clear, and optionally GetObject, PutObject,
// Put); everything else is built on them and may be overridden where storage knows better.
// Objects are references the list never owns.
class TStrings : public TPersistent
{
public:
    KAV_CLASSINFO

    TStrings() = default;
    ~TStrings() override = default;

    // --- element access ---------------------------------------------------------------
    int Count() const { return GetCount(); }
    QString Strings(int index) const { return Get(index); }
    void SetStrings(int index, const QString &s) { Put(index, s); }
    TObject *Objects(int index) const { return GetObject(index); }
    void SetObjects(int index, TObject *object) { PutObject(index, object); }

    // --- editing ----------------------------------------------------------------------
    // Appends (or, in a sorted list, inserts in order); returns the new entry's index.
    virtual int Add(const QString &s);
    virtual int AddObject(const QString &s, TObject *object);
    // Appends every entry of strings with its object, inside one update bracket.
    virtual void AddStrings(const TStrings &strings);
    // 0 <= index <= Count, else EListError "List index out of bounds (%d)".
    virtual void Insert(int index, const QString &s) = 0;
    virtual void InsertObject(int index, const QString &s, TObject *object);
    // 0 <= index < Count, else EListError.
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // Swaps two entries (texts and objects); both indexes must be valid.
    virtual void Exchange(int index1, int index2);
    // Moves the entry at curIndex so that it ends up at newIndex (object travels along).
    virtual void Move(int curIndex, int newIndex);

    // --- searching (CompareStrings decides equality; the base is case-insensitive) -----
    virtual int IndexOf(const QString &s) const;
    // The first entry whose name (text before NameValueSeparator) equals name; -1 if none.
    virtual int IndexOfName(const QString &name) const;
    virtual int IndexOfObject(const TObject *object) const;

    // --- whole-list forms -------------------------------------------------------------
    // Every entry followed by CR LF (the last one too); empty list: empty text.
    QString Text() const { return GetTextStr(); }
    // Clears, then one entry per line; a line ends at CR, LF or CR LF, and a line break at
    // the very end adds no empty entry.
    void SetText(const QString &text) { SetTextStr(text); }
    // DelimitedText with "," and '"' (a lone empty entry gives "\"\"").
    QString CommaText() const;
    void SetCommaText(const QString &text);
    // Entries joined by Delimiter; an entry holding a character up to a space, the
    // delimiter or the quote character is quoted with QuoteChar (inner quotes doubled).
    QString DelimitedText() const;
    // Clears, then splits: quoted fields may hold anything (a doubled quote is one quote);
    // unquoted fields end at the delimiter and, unless StrictDelimiter, at characters up to
    // a space, which separate too; a delimiter at the very end adds an empty field.
    void SetDelimitedText(const QString &text);
    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar c) { FDelimiter = c; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar c) { FQuoteChar = c; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool value) { FStrictDelimiter = value; }

    // --- name=value entries ------------------------------------------------------------
    QChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(QChar c) { FNameValueSeparator = c; }
    // The text before the separator; empty when the entry has none.
    QString Names(int index) const;
    // The text after the first separator of the entry named name; empty when none.
    QString Values(const QString &name) const;
    // Sets or adds "name=value"; an empty value deletes the entry.
    void SetValues(const QString &name, const QString &value);
    // The text after the first separator of entry index; empty when it has none.
    QString ValueFromIndex(int index) const;
    // Replaces the value of entry index; an empty value deletes the entry.
    void SetValueFromIndex(int index, const QString &value);

    // --- copying and comparing ----------------------------------------------------------
    // From another string list: texts, objects and the delimiter settings; any other source
    // follows the persistent rule (an EConvertError).
    void Assign(const TPersistent &source) override;
    // Copies this list into dest when dest is a string list; returns false otherwise.
    virtual bool AssignTo(TPersistent &dest) const;
    // Same count and the same texts in the same order (exact, ordinal comparison).
    bool Equals(const TStrings &other) const;
    // All texts, in order.
    QStringList ToStringList() const;

    // --- change notification --------------------------------------------------------------
    // Nested brackets; OnChanging/OnChange fire only outside any bracket, and EndUpdate of
    // the outermost bracket reports one change.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    const TkavStringsEvent &OnChange() const { return FOnChange; }
    void SetOnChange(TkavStringsEvent handler) { FOnChange = std::move(handler); }
    const TkavStringsEvent &OnChanging() const { return FOnChanging; }
    void SetOnChanging(TkavStringsEvent handler) { FOnChanging = std::move(handler); }

    // --- files and streams (UTF-8 text; a UTF-8 or UTF-16 byte-order mark is honoured) --
    // Reads from the stream's position to its end and sets Text. Without a byte-order
    // mark the bytes are UTF-8, or the legacy code page when they are not valid UTF-8.
    virtual void LoadFromStream(TStream &stream);
    // Writes Text as UTF-8 without a byte-order mark.
    virtual void SaveToStream(TStream &stream) const;
    // EFOpenError when the file cannot be opened.
    virtual void LoadFromFile(const QString &fileName);
    // Written atomically: a failed save leaves the previous file in place (EFCreateError
    // or EWriteError).
    virtual void SaveToFile(const QString &fileName) const;

    // --- primitives that descendants provide or refine ---------------------------------
    virtual QString Get(int index) const = 0;
    virtual int GetCount() const = 0;
    // The default keeps no objects: null for every index.
    virtual TObject *GetObject(int index) const;
    // Replaces the text at index, keeping its object (default: Delete + InsertObject).
    virtual void Put(int index, const QString &s);
    // The default ignores objects.
    virtual void PutObject(int index, TObject *object);
    virtual QString GetTextStr() const;
    virtual void SetTextStr(const QString &text);
    // Equality of two texts for IndexOf, IndexOfName and Find: 0 when equal, <0 or >0.
    // The base compares case-insensitively (kavCompareText).
    virtual int CompareStrings(const QString &a, const QString &b) const;

protected:
    // Call around every content change; they fire the events when not inside BeginUpdate.
    void Changing();
    void Changed();
    // Called with true when the first bracket opens and false when the last one closes;
    // the default reports the change (Changed) on closing.
    virtual void SetUpdateState(bool updating);
    // Raises EListError "List index out of bounds (%d)" with index.
    [[noreturn]] static void ListIndexError(int index);

private:
    int FUpdateCount = 0;
    QChar FDelimiter = u',';
    QChar FQuoteChar = u'"';
    QChar FNameValueSeparator = u'=';
    bool FStrictDelimiter = false;
    TkavStringsEvent FOnChange;
    TkavStringsEvent FOnChanging;
};

// Every text here is UTF-16: the Unicode list and the 8-bit list are one type.
using TWideStrings = TStrings;

enum TDuplicates : int {
    dupIgnore, // adding a text already present in a sorted list does nothing
    dupAccept, // duplicates are kept
    dupError   // adding a duplicate raises EListError "String list does not allow duplicates"
};

// Orders two entries of list for CustomSort: <0, 0 or >0.
using TStringListSortCompare = std::function<int(const class TStringList &list, int index1, int index2)>;

// The concrete string list: entries in a vector, optional sorting with binary search.
class TStringList : public TStrings
{
public:
    KAV_CLASSINFO

    TStringList() = default;
    ~TStringList() override = default;

    // Sorted: inserts in order (duplicates handled per Duplicates), else appends.
    int Add(const QString &s) override;
    int AddObject(const QString &s, TObject *object) override;
    // Raises EListError "Operation not allowed on sorted list" when Sorted.
    void Insert(int index, const QString &s) override;
    void InsertObject(int index, const QString &s, TObject *object) override;
    void Delete(int index) override;
    void Clear() override;
    // Raises EListError "Operation not allowed on sorted list" when Sorted (Exchange too).
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    // Sorted lists search with Find; others scan.
    int IndexOf(const QString &s) const override;
    // From another TStringList also Sorted, Duplicates and CaseSensitive are taken.
    void Assign(const TPersistent &source) override;

    // Binary search of a sorted list: true and the index of the first equal entry when
    // found, else false and the index where s would be inserted. The list must be sorted.
    bool Find(const QString &s, int &index) const;
    // Sorts by CompareStrings (stable); no effect when already Sorted.
    virtual void Sort();
    // Sorts with compare (stable); no effect on a Sorted list, whose order is its own.
    virtual void CustomSort(const TStringListSortCompare &compare);

    bool Sorted() const { return FSorted; }
    // Turning sorting on sorts the list now.
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    // Changing the rule re-sorts a sorted list.
    void SetCaseSensitive(bool value);

    QString Get(int index) const override;
    int GetCount() const override { return int(FList.size()); }
    TObject *GetObject(int index) const override;
    // Raises EListError "Operation not allowed on sorted list" when Sorted.
    void Put(int index, const QString &s) override;
    void PutObject(int index, TObject *object) override;
    // Case-sensitive lists compare ordinally, others through kavCompareText.
    int CompareStrings(const QString &a, const QString &b) const override;

private:
    struct Item
    {
        QString text;
        TObject *object = nullptr; // not owned
    };

    void checkIndex(int index) const;
    void insertItem(int index, const QString &s, TObject *object);
    void checkNotSorted() const;
    void sortWith(const std::function<bool(const Item &, const Item &)> &less);

    QList<Item> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
};
