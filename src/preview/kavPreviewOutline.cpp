#include "kavPreviewOutline.h"

#include <persist/kavXML.h>

#include <vector>

using namespace Qt::StringLiterals;

void TkavOutlineModel::SetRoot(TkavXMLItem *Root)
{
    beginResetModel();
    FRoot = Root;
    endResetModel();
}

int TkavOutlineModel::CountEntries(int Limit) const
{
    if (!FRoot)
        return 0;
    int count = 0;
    std::vector<const TkavXMLItem *> pending{FRoot};
    while (!pending.empty() && count < Limit) {
        const TkavXMLItem *item = pending.back();
        pending.pop_back();
        count += item->Count();
        for (int i = 0; i < item->Count(); ++i)
            pending.push_back(item->Items(i));
    }
    return count;
}

TkavXMLItem *TkavOutlineModel::itemOf(const QModelIndex &Index) const
{
    return Index.isValid() ? static_cast<TkavXMLItem *>(Index.internalPointer()) : FRoot;
}

QModelIndex TkavOutlineModel::index(int Row, int Column, const QModelIndex &Parent) const
{
    TkavXMLItem *parent = itemOf(Parent);
    if (!parent || Column != 0 || Row < 0 || Row >= parent->Count())
        return {};
    return createIndex(Row, 0, parent->Items(Row));
}

QModelIndex TkavOutlineModel::parent(const QModelIndex &Child) const
{
    TkavXMLItem *item = itemOf(Child);
    if (!Child.isValid() || !item || item->Parent() == FRoot || !item->Parent())
        return {};
    TkavXMLItem *parent = item->Parent();
    TkavXMLItem *grand = parent->Parent();
    return grand ? createIndex(grand->IndexOf(parent), 0, parent) : QModelIndex();
}

int TkavOutlineModel::rowCount(const QModelIndex &Parent) const
{
    TkavXMLItem *item = itemOf(Parent);
    return item ? item->Count() : 0;
}

int TkavOutlineModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TkavOutlineModel::data(const QModelIndex &Index, int Role) const
{
    const TkavXMLItem *item = Index.isValid() ? itemOf(Index) : nullptr;
    if (!item)
        return {};
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return item->GetProp(u"text");
    case PageRole:
        return item->GetProp(u"page").toInt() + 1;
    case TopRole:
        return item->GetProp(u"top").toInt();
    default:
        return {};
    }
}
