#pragma once

// TkavDictionary: the aliases of a prepared report. Every object on a prepared page is
// stored under a short alias ("m3", "b12") that names its source object (a copy of the
// template object, "Page0.Memo1"). Aliases compare ignoring case.

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class TkavComponent;

class TkavDictionary
{
public:
    // Registers Name for the source object Obj known as SourceName (an existing Name is
    // pointed at the new entry).
    void Add(const QString &Name, const QString &SourceName, TkavComponent *Obj);
    // Add under CreateUniqueName(Base); returns the name used.
    QString AddUnique(const QString &Base, const QString &SourceName, TkavComponent *Obj);
    // Base followed by a number no name has yet: probes 10000, 5000, 2500 ... 2 for the
    // first number in use, then counts up from it (from 1 when none is). After the first
    // name of a base the count goes on from the last one given, so allocating n aliases
    // costs O(n log n), also beyond 10000.
    QString CreateUniqueName(const QString &Base) const;
    // The source object / source name of an alias; null / empty when it is unknown.
    TkavComponent *GetObject(const QString &Name) const;
    QString GetSourceName(const QString &Name) const;
    bool Contains(const QString &Name) const;
    void Clear();

    int Count() const { return int(FEntries.size()); }
    // The aliases in sorted order (ignoring case), as files store them.
    QStringList Names() const;
    // The source names in the order they were added.
    QStringList SourceNames() const;

private:
    struct Entry
    {
        QString Name;
        QString SourceName;
        TkavComponent *Object = nullptr;
    };
    const Entry *find(const QString &Name) const;

    // The number to try first for a base: after CreateUniqueName's probe, one past the
    // last name handed out.
    int firstCandidate(const QString &upperBase) const;

    std::vector<Entry> FEntries;       // in insertion order
    std::map<QString, size_t> FByName; // upper-cased alias -> entry
    std::map<QString, int> FNext;      // upper-cased base -> next number to try
};
