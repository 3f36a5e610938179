#pragma once

// TkavOutlineModel: the outline of a prepared report for a tree view, read on demand from
// the store's outline elements (a report with a bookmark per row has very many).

#include <QAbstractItemModel>

class TkavXMLItem;

class TkavOutlineModel : public QAbstractItemModel
{
public:
    // Roles of an entry besides its text: its 1-based page and its top in report pixels.
    static constexpr int PageRole = Qt::UserRole + 1;
    static constexpr int TopRole = Qt::UserRole + 2;

    using QAbstractItemModel::QAbstractItemModel;

    // The "outline" element to show (null: nothing); the model is reset.
    void SetRoot(TkavXMLItem *Root);
    // Entries below the root, counted down to Limit.
    int CountEntries(int Limit) const;

    QModelIndex index(int Row, int Column, const QModelIndex &Parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &Child) const override;
    int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;

private:
    TkavXMLItem *itemOf(const QModelIndex &Index) const;

    TkavXMLItem *FRoot = nullptr; // in the store's document
};
