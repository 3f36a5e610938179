#pragma once

// The object palette (what the designer can insert, by category) and the start-up
// registrations of the designer: palette entries, component editors, property editors
// and the properties the inspector hides.

#include <rtl/kavSet.h>

#include <QImage>
#include <QList>
#include <QString>

// ORDER: the set's bit mask (1 data page, 2 report page, 4 dialog page, 8 dot-matrix).
enum TkavObjectCategory : int {
    ctData,
    ctReport,
    ctDialog,
    ctDMP
};
using TkavObjectCategories = TkavSet<TkavObjectCategory>;

// One palette entry: a class with a variant (Flags), or a category (no class).
struct TkavObjectItem
{
    QString ClassRef; // class name; empty for a category
    QImage ButtonBmp;
    int ButtonImageIndex = -1;
    QString ButtonHint; // resource key
    QString CategoryName;
    quint16 Flags = 0;
    TkavObjectCategories Category;
};

class TkavObjectCollection
{
public:
    // Ignored when the class is there already with the same Flags. An empty category set
    // is derived: data for data sets and databases, dialog for dialog objects, else report.
    void RegisterObject1(const QString &ClassRef, const QImage &ButtonBmp, const QString &ButtonHint,
                         const QString &CategoryName, quint16 Flags, int ImageIndex,
                         TkavObjectCategories Category);
    void RegisterObject(const QString &ClassRef, const QImage &ButtonBmp, const QString &CategoryName);
    void RegisterCategory(const QString &CategoryName, const QImage &ButtonBmp,
                          const QString &ButtonHint, int ImageIndex);
    void Unregister(const QString &ClassRef);
    const TkavObjectItem &GetObjectItem(int Index) const { return FItems.at(Index); }
    int Count() const { return int(FItems.size()); }

private:
    QList<TkavObjectItem> FItems;
};

TkavObjectCollection &kavObjectRegistry();

// Registers the standard editors, then the palette, component editors, designer property
// editors and hidden properties, once; and installs the window that edits a prepared page.
void kavRegisterDesignerEditors();
