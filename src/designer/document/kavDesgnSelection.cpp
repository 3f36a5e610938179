#include "kavDesgnSelection.h"

#include <rtl/kavCaseFold.h>

void TkavSelection::SetPage(TkavComponent *page)
{
    FPage = page;
    FItems.clear();
}

QList<TkavComponent *> TkavSelection::live() const
{
    QList<TkavComponent *> items;
    for (const auto &ref : FItems)
        if (TkavComponent *c = ref.get())
            items.append(c);
    return items;
}

QList<TkavComponent *> TkavSelection::Items() const
{
    QList<TkavComponent *> items = live();
    if (items.isEmpty() && FPage.get())
        items.append(FPage.get());
    return items;
}

TkavComponent *TkavSelection::First() const
{
    const QList<TkavComponent *> items = Items();
    return items.isEmpty() ? nullptr : items.first();
}

bool TkavSelection::Contains(const TkavComponent *c) const
{
    return c && Items().contains(const_cast<TkavComponent *>(c));
}

bool TkavSelection::IsPageSelected() const
{
    const TkavComponent *first = First();
    return first && first == FPage.get();
}

void TkavSelection::Clear()
{
    FItems.clear();
}

void TkavSelection::Select(TkavComponent *c)
{
    FItems.clear();
    Add(c);
}

void TkavSelection::Add(TkavComponent *c)
{
    if (!c || live().contains(c))
        return;
    if (c == FPage.get()) {
        FItems.clear(); // the page is selected only alone
        return;
    }
    FItems.append(c);
}

void TkavSelection::Remove(TkavComponent *c)
{
    FItems.removeIf([c](const TkavComponentRef<TkavComponent> &ref) { return ref.get() == c; });
}

QStringList TkavSelection::Names() const
{
    QStringList names;
    for (TkavComponent *c : live())
        names.append(c->Name());
    return names;
}

void TkavSelection::Restore(TkavComponent *page, const QStringList &names)
{
    SetPage(page);
    if (!page)
        return;
    for (const QString &name : names)
        if (TkavComponent *c = name.isEmpty() ? nullptr : page->FindObject(name))
            Add(c);
}
