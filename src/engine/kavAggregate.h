#pragma once

// Aggregates of a report run: every SUM, AVG, MIN, MAX and COUNT call written in a text
// object of a footer becomes an item bound to the data band whose rows it accumulates;
// each output row feeds the items bound to its band, and showing the footer resets them.

#include <rtl/kavVariant.h>

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

class TkavBand;
class TkavBandTree;
class TkavComponent;
class TkavDataBand;
class TkavReport;
class TkavReportPage;

// ORDER persisted: the function's ordinal is part of the item.
enum TkavAggregateFunction : int { agSum, agAvg, agMin, agMax, agCount };

// Bands whose objects keep showing their own totals when they are moved into vertical
// bands: footers, group footers, page and column footers, the report summary.
bool kavIsTotalsBand(const TkavBand &Band);
// The function a name stands for: SUM, AVG, MIN or MAX in any case; any other name COUNT.
TkavAggregateFunction kavAggregateFunctionOf(QStringView Name);
// The parts of an argument list, split at commas outside quotes and parentheses, each
// trimmed. An empty or blank text has no arguments.
QStringList kavSplitAggregateArgs(QStringView Text);
// One call site.
class TkavAggregateItem
{
public:
    TkavAggregateFunction AggregateFunction() const { return FAggregateFunction; }
    TkavDataBand *Band() const { return FBand; }
    TkavBand *ParentBand() const { return FParentBand; }
    const QString &Expression() const { return FExpression; }
    const QString &OriginalName() const { return FOriginalName; }
    const QString &MemoName() const { return FMemoName; }
    bool CountInvisibleBands() const { return FCountInvisibleBands; }
    bool DontReset() const { return FDontReset; }
    bool IsPageFooter() const { return FIsPageFooter; }
    int ItemsCount() const { return FItemsCount; }

private:
    friend class TkavAggregateList;
    friend class TkavAggregateScanner; // creates the items it finds

    // Accumulates the bound band's current row (into column FVColumn when it is 1 or more).
    void Calc();
    // The row's value as a number, or Null; false when the row cannot be counted (the
    // reason is in the report's errors).
    bool rowValue(Variant &Value);
    // Acc combined with Value by the function; Null on either side gives the other side.
    Variant combine(const Variant &Acc, const Variant &Value) const;
    // The value over vertical columns FromVColumn to ToVColumn (0: over the horizontal
    // rows, also for an item without vertical rows); Null as 0.
    Variant Value(int FromVColumn, int ToVColumn) const;
    // Force also restarts running totals and drops an open keep block.
    void Reset(bool Force);
    void StartKeep();
    void EndKeep();
    void DeleteValue();
    void addError(const QString &Message) const;

    TkavAggregateFunction FAggregateFunction = agSum;
    TkavDataBand *FBand = nullptr;
    TkavBand *FParentBand = nullptr;
    QString FExpression;
    QString FOriginalName;
    QString FMemoName;
    TkavReport *FReport = nullptr;
    bool FCountInvisibleBands = false;
    bool FDontReset = false;
    bool FIsPageFooter = false;
    int FItemsCount = 0;
    Variant FItemsValue;
    int FLastCount = 0;
    Variant FLastValue;
    bool FKeeping = false;
    int FTempItemsCount = 0;
    Variant FTempItemsValue;
    // Per vertical column (index = column); grown on demand, empty until the first vertical row.
    std::vector<Variant> FItemsArray;
    std::vector<int> FItemsCountArray;
    int FVColumn = 0;
    // An undo state (FLastCount, FLastValue) exists, and whether it belongs to the keep
    // block's accumulation instead of the item's own.
    bool FHasLast = false;
    bool FLastInTemp = false;
};

// The items of a run, owned by the engine.
class TkavAggregateList
{
public:
    explicit TkavAggregateList(TkavReport *AReport) : FReport(AReport) {}
    ~TkavAggregateList();
    TkavAggregateList(const TkavAggregateList &) = delete;
    TkavAggregateList &operator=(const TkavAggregateList &) = delete;

    // Finds the calls of one report page through its band trees (horizontal, vertical).
    void AddItems(TkavReportPage &Page, const TkavBandTree &Tree, const TkavBandTree &VTree);
    // Every item bound to Band accumulates the current row (for vertical column VColumn).
    void AddValue(TkavBand *Band, int VColumn = 0);
    // Every item bound to Band forgets the latest row.
    void DeleteValue(TkavBand *Band);
    // Every item shown by ParentBand restarts (running totals keep their value).
    void Reset(TkavBand *ParentBand);
    void StartKeep();
    void EndKeep();
    // Every item restarts, running totals included.
    void ClearValues();
    void Clear();
    // The value of the item shown by ParentBand with that function, expression (ignoring
    // outer spaces and the case of letters outside quoted texts), flags and, when Band is
    // given, bound band, over vertical columns FromVColumn to ToVColumn (0: horizontal);
    // Null when none. A value without rows is 0.
    Variant GetValue(TkavBand *ParentBand,
                     int FromVColumn,
                     int ToVColumn,
                     const QString &FunctionName,
                     const QString &Expression,
                     TkavBand *Band,
                     int Flags) const;

    int Count() const { return int(FItems.size()); }
    const TkavAggregateItem &Items(int Index) const { return *FItems.at(size_t(Index)); }

private:
    friend class TkavAggregateScanner; // appends the items it finds

    TkavReport *FReport; // not owned
    std::vector<std::unique_ptr<TkavAggregateItem>> FItems;
};
