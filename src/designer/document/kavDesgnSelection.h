#pragma once

// TkavSelection: the designer's selected objects. While a page is shown the selection is
// never empty: with nothing else selected it holds the page itself. Entries are weak, so an
// object destroyed elsewhere simply drops out.

#include <report/kavComponent.h>

#include <QList>
#include <QStringList>

class TkavSelection
{
public:
    // The page the selection belongs to (null: the script page, nothing selectable);
    // selecting a page starts with the page alone.
    TkavComponent *Page() const { return FPage.get(); }
    void SetPage(TkavComponent *page);

    // The live entries in selection order; [page] when nothing else is selected.
    QList<TkavComponent *> Items() const;
    int Count() const { return int(Items().size()); }
    TkavComponent *First() const;
    bool Contains(const TkavComponent *c) const;
    // True when the page itself is the selection.
    bool IsPageSelected() const;

    // Back to the page alone.
    void Clear();
    // Only c (null: the page).
    void Select(TkavComponent *c);
    // Adds c after the others; the page leaves the selection once something else is in it.
    void Add(TkavComponent *c);
    void Remove(TkavComponent *c);

    // Names of the selected objects, to find them again once the document was rebuilt.
    QStringList Names() const;
    // Selects the objects of page that bear those names (the page when none is found).
    void Restore(TkavComponent *page, const QStringList &names);

private:
    QList<TkavComponent *> live() const;

    TkavComponentRef<TkavComponent> FPage;
    QList<TkavComponentRef<TkavComponent>> FItems;
};
