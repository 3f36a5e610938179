#pragma once

// Internals of the aggregates, shared with their tests: reading one call's text, and the
// scanner that finds the calls written in the text objects of a band.

#include "kavAggregate.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <unordered_map>
#include <unordered_set>

class TkavBand;
class TkavCustomMemoView;
class TkavDataBand;
class TkavReport;

// One call as written, e.g. SUM(<Orders."Amount">, MasterData1, 2).
struct TkavAggregateCall
{
    TkavAggregateFunction Function = agCount;
    QString Expression; // empty for COUNT
    QString BandName;   // empty when the call names no band
    int Flags = 0;      // bit 0: count invisible rows; bit 1: running total
};

// NAME(args): COUNT(band, flags) or NAME(expression, band, flags); a missing argument is
// empty (flags 0), flags that are not an integer are 0.
TkavAggregateCall kavParseAggregateCall(QStringView Text);

// Finds the aggregate calls in the text objects of bands and appends an item per call to
// the list. A call binds to the band it names, else to the scan's default band.
class TkavAggregateScanner
{
public:
    TkavAggregateScanner(TkavAggregateList &List, TkavReport &Report);

    // Scans the text objects of Band and, with WithChildren, of its chain of child bands.
    void ScanBand(TkavBand &Band, TkavDataBand *DefaultBand, bool WithChildren = true);
    // Scans only the objects of Band that were moved into it from a footer or summary:
    // those of a vertical band the band trees do not reach (a header, a group header).
    void ScanMovedObjects(TkavBand &Band);
    // Objects moved into vertical bands from Original bind by default to DefaultBand, as
    // they would have in Original itself.
    void SetOriginDefault(const TkavBand &Original, TkavDataBand *DefaultBand);
    bool Scanned(const TkavBand &Band) const { return FScanned.count(&Band) != 0; }

private:
    void scanMemo(const TkavCustomMemoView &Memo, TkavBand &Band);
    // expr := variable | field | { quoted | "(" expr ")" | "<" expr ">" | call | word | other }
    void scanExpression(QStringView Expr, int Depth);
    void scanVariable(const QString &Name, int Depth);
    bool isVariable(const QString &Name) const;
    bool isFieldReference(const QString &Expr) const;
    void addItem(const QString &CallText);

    TkavAggregateList &FList;
    TkavReport &FReport;
    // The object being scanned, the band that shows it and the default data band.
    QString FMemoName;
    TkavBand *FParentBand = nullptr;
    TkavDataBand *FDefaultBand = nullptr;
    bool FInPageFooter = false; // scanning a page footer's chain
    // Variables whose values are being scanned: one that comes back to itself stops there.
    QStringList FExpanding;
    std::unordered_map<const TkavBand *, TkavDataBand *> FOriginDefaults;
    std::unordered_set<const TkavBand *> FScanned;
};
