#include "kavDictionary.h"

#include <rtl/kavCaseFold.h>

void TkavDictionary::Add(const QString &Name, const QString &SourceName, TkavComponent *Obj)
{
    FByName[kavUpperCase(Name)] = FEntries.size();
    FEntries.push_back({Name, SourceName, Obj});
}

QString
TkavDictionary::AddUnique(const QString &Base, const QString &SourceName, TkavComponent *Obj)
{
    const QString name = CreateUniqueName(Base);
    Add(name, SourceName, Obj);
    FNext[kavUpperCase(Base)] = name.mid(Base.size()).toInt() + 1;
    return name;
}

int TkavDictionary::firstCandidate(const QString &upperBase) const
{
    if (const auto it = FNext.find(upperBase); it != FNext.end())
        return it->second;
    for (int probe = 10000; probe > 1; probe /= 2) {
        if (Contains(upperBase + QString::number(probe)))
            return probe;
    }
    return 1;
}

QString TkavDictionary::CreateUniqueName(const QString &Base) const
{
    int number = firstCandidate(kavUpperCase(Base));
    while (Contains(Base + QString::number(number)))
        ++number;
    return Base + QString::number(number);
}

const TkavDictionary::Entry *TkavDictionary::find(const QString &Name) const
{
    const auto it = FByName.find(kavUpperCase(Name));
    return it == FByName.end() ? nullptr : &FEntries[it->second];
}

TkavComponent *TkavDictionary::GetObject(const QString &Name) const
{
    const Entry *entry = find(Name);
    return entry ? entry->Object : nullptr;
}

QString TkavDictionary::GetSourceName(const QString &Name) const
{
    const Entry *entry = find(Name);
    return entry ? entry->SourceName : QString();
}

bool TkavDictionary::Contains(const QString &Name) const
{
    return FByName.count(kavUpperCase(Name)) != 0;
}

void TkavDictionary::Clear()
{
    FEntries.clear();
    FByName.clear();
    FNext.clear();
}

QStringList TkavDictionary::Names() const
{
    QStringList names;
    names.reserve(int(FByName.size()));
    for (const auto &[upper, index] : FByName)
        names << FEntries[index].Name;
    return names;
}

QStringList TkavDictionary::SourceNames() const
{
    QStringList names;
    names.reserve(int(FEntries.size()));
    for (const Entry &entry : FEntries)
        names << entry.SourceName;
    return names;
}
