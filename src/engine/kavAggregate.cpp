// Aggregates: finding the calls in footer texts, accumulating the rows of their data bands
// and answering the values the expressions ask for.

#include "kavAggregate.h"

#include "kavAggregate_p.h"
#include "kavBandTree.h"

#include <persist/kavVariables.h>
#include <report/kavBands.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>

#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <unordered_set>

using namespace Qt::StringLiterals;

namespace {

// Nesting deeper than this (parentheses, angle brackets, variables naming variables) is
// not scanned: a hostile text cannot exhaust the stack.
constexpr int maxScanDepth = 64;

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

// The index of the quote closing the text quoted at pos, or the text's size when it is
// never closed. A doubled quote inside is two adjacent quoted texts: same result.
qsizetype skipQuoted(QStringView text, qsizetype pos)
{
    const QChar quote = text[pos];
    qsizetype i = pos + 1;
    while (i < text.size() && text[i] != quote)
        ++i;
    return i;
}

// The index of the close character matching the open character at pos, nesting counted
// and quoted texts skipped; -1 when it is never closed.
qsizetype matchingClose(QStringView text, qsizetype pos, QChar open, QChar close)
{
    int depth = 0;
    for (qsizetype i = pos; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isQuote(c))
            i = skipQuoted(text, i);
        else if (c == open)
            ++depth;
        else if (c == close && --depth == 0)
            return i;
    }
    return -1;
}

// The index of the first ">" after the "<" at pos outside quoted texts, or -1.
qsizetype angleClose(QStringView text, qsizetype pos)
{
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        if (isQuote(text[i]))
            i = skipQuoted(text, i);
        else if (text[i] == u'>')
            return i;
    }
    return -1;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

int flagsOf(const TkavAggregateItem &item)
{
    return (item.CountInvisibleBands() ? 1 : 0) | (item.DontReset() ? 2 : 0);
}

// Expressions are the same when they differ only in the case of letters outside quoted
// texts: IIF(<s>='a',1,0) and IIF(<s>='A',1,0) are different aggregates.
bool sameExpression(QStringView a, QStringView b)
{
    a = a.trimmed();
    b = b.trimmed();
    if (a.size() != b.size())
        return false;
    QChar quote;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (quote.isNull() ? kavUpCaseChar(a[i]) != kavUpCaseChar(b[i]) : a[i] != b[i])
            return false;
        if (quote.isNull() && isQuote(a[i]))
            quote = a[i];
        else if (a[i] == quote)
            quote = QChar();
    }
    return true;
}

// A text that reads as a number: decimal integers stay integers (sums stay exact), other
// numbers with "." or "," as the separator become doubles.
bool numberFromText(const QString &text, Variant &value)
{
    const QString t = text.trimmed();
    bool isInteger = !t.isEmpty() && t.size() <= 18;
    for (qsizetype i = 0; isInteger && i < t.size(); ++i) {
        const QChar c = t[i];
        const bool sign = i == 0 && t.size() > 1 && (c == u'-' || c == u'+');
        isInteger = (c >= u'0' && c <= u'9') || sign;
    }
    bool ok = false;
    const qint64 integer = isInteger ? t.toLongLong(&ok) : 0;
    if (ok) {
        value = VarFromInteger(integer);
        return true;
    }
    double number = 0;
    if (kavTryFileTextToFloat(t, number) && std::isfinite(number)) {
        value = Variant(number);
        return true;
    }
    return false;
}

// The text objects of a band and of its descendants, in order.
template <typename F>
void forEachMemo(const TkavBand &band, F &&f)
{
    for (TkavComponent *c : band.AllObjects()) {
        if (auto *memo = dynamic_cast<TkavCustomMemoView *>(c))
            f(*memo);
    }
}

// An object moved into a vertical band is still shown by the footer or summary it came
// from; any other object by the band holding it.
TkavBand *showingBand(const TkavCustomMemoView &memo, TkavBand &band)
{
    auto *original = dynamic_cast<TkavBand *>(memo.OriginalBand());
    return original && kavIsTotalsBand(*original) ? original : &band;
}

template <typename T>
TkavBand *firstBandOf(const TkavReportPage &page)
{
    for (TkavComponent *c : page.Objects()) {
        if (auto *band = dynamic_cast<T *>(c))
            return band;
    }
    return nullptr;
}

} // namespace

bool kavIsTotalsBand(const TkavBand &Band)
{
    switch (Band.BandNumber()) {
    case 1:  // report summary
    case 3:  // page footer
    case 5:  // footer
    case 13: // group footer
    case 16: // column footer
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Parsing a call

TkavAggregateFunction kavAggregateFunctionOf(QStringView Name)
{
    const QString n = kavUpperCase(Name.trimmed());
    if (n == u"SUM")
        return agSum;
    if (n == u"AVG")
        return agAvg;
    if (n == u"MIN")
        return agMin;
    if (n == u"MAX")
        return agMax;
    return agCount;
}

QStringList kavSplitAggregateArgs(QStringView Text)
{
    QStringList args;
    if (Text.trimmed().isEmpty())
        return args;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (isQuote(c)) {
            i = skipQuoted(Text, i);
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth <= 0) {
            args.append(Text.mid(start, i - start).trimmed().toString());
            start = i + 1;
        }
    }
    args.append(Text.mid(start).trimmed().toString());
    return args;
}

TkavAggregateCall kavParseAggregateCall(QStringView Text)
{
    const QStringView t = Text.trimmed();
    const qsizetype open = t.indexOf(u'(');
    TkavAggregateCall call;
    call.Function = kavAggregateFunctionOf(open < 0 ? t : t.left(open));
    QStringView inner;
    if (open >= 0) {
        const qsizetype close = matchingClose(t, open, u'(', u')');
        inner = close < 0 ? t.mid(open + 1) : t.mid(open + 1, close - open - 1);
    }
    const QStringList args = kavSplitAggregateArgs(inner);
    const auto arg = [&args](int i) { return i < args.size() ? args[i] : QString(); };
    const int first = call.Function == agCount ? 0 : 1;
    if (first == 1)
        call.Expression = arg(0);
    call.BandName = arg(first);
    bool ok = false;
    const int flags = arg(first + 1).toInt(&ok);
    call.Flags = ok ? flags : 0;
    return call;
}

// ---------------------------------------------------------------------------------------
// Finding the calls

TkavAggregateScanner::TkavAggregateScanner(TkavAggregateList &List, TkavReport &Report)
    : FList(List)
    , FReport(Report)
{}

void TkavAggregateScanner::ScanBand(TkavBand &Band, TkavDataBand *DefaultBand, bool WithChildren)
{
    FDefaultBand = DefaultBand;
    // A page footer's child bands are output with it: their totals belong to the page too.
    FInPageFooter = dynamic_cast<TkavPageFooter *>(&Band) != nullptr;
    // SetChild refuses cycles; the set keeps a damaged chain from looping anyway.
    std::unordered_set<const TkavBand *> seen;
    for (TkavBand *band = &Band; band && seen.insert(band).second;
         band = WithChildren ? band->Child() : nullptr) {
        FScanned.insert(band);
        forEachMemo(*band, [this, band](const TkavCustomMemoView &memo) { scanMemo(memo, *band); });
    }
}

void TkavAggregateScanner::ScanMovedObjects(TkavBand &Band)
{
    FDefaultBand = nullptr;
    FInPageFooter = false;
    FScanned.insert(&Band);
    forEachMemo(Band, [this, &Band](const TkavCustomMemoView &memo) {
        if (showingBand(memo, Band) != &Band)
            scanMemo(memo, Band);
    });
}

void TkavAggregateScanner::SetOriginDefault(const TkavBand &Original, TkavDataBand *DefaultBand)
{
    FOriginDefaults[&Original] = DefaultBand;
}

void TkavAggregateScanner::scanMemo(const TkavCustomMemoView &Memo, TkavBand &Band)
{
    if (!Memo.AllowExpressions())
        return;
    const QString &delimiters = Memo.ExpressionDelimiters();
    const qsizetype comma = delimiters.indexOf(u',');
    if (comma < 0)
        return;
    const QString open = delimiters.left(comma).left(255);
    const QString close = delimiters.mid(comma + 1).left(255);
    if (open.isEmpty() || close.isEmpty())
        return;
    FMemoName = Memo.Name();
    FParentBand = showingBand(Memo, Band);
    // An object moved from a footer or summary binds as it would have there.
    TkavDataBand *const bandDefault = FDefaultBand;
    const auto restoreDefault = qScopeGuard([&] { FDefaultBand = bandDefault; });
    if (const auto origin = FOriginDefaults.find(FParentBand);
        FParentBand != &Band && origin != FOriginDefaults.end())
        FDefaultBand = origin->second;
    const QString text = Memo.Text();
    for (qsizetype pos = text.indexOf(open); pos >= 0 && pos < text.size();
         pos = text.indexOf(open, pos)) {
        const TkavBracket b = kavScanBracket(text, pos, open, close);
        if (b.Start < 0)
            break;
        scanExpression(QStringView(text).mid(b.ExprStart, b.ExprEnd - b.ExprStart), 0);
        pos = b.End + 1;
    }
}

bool TkavAggregateScanner::isVariable(const QString &Name) const
{
    return !Name.isEmpty() && FReport.Variables().IndexOf(Name) >= 0;
}

bool TkavAggregateScanner::isFieldReference(const QString &Expr) const
{
    // DataSet."Field" and nothing more: DS."A" + SUM(x) goes on to be scanned.
    TkavDataSet *dataSet = nullptr;
    QString field;
    FReport.GetDatasetAndField(Expr, dataSet, field);
    return dataSet && Expr.endsWith(u'"') && !field.contains(u'"');
}

void TkavAggregateScanner::scanExpression(QStringView Expr, int Depth)
{
    if (Depth > maxScanDepth)
        return;
    const QStringView e = Expr.trimmed();
    const QString whole = e.toString();
    if (isVariable(whole)) {
        scanVariable(whole, Depth);
        return;
    }
    if (isFieldReference(whole))
        return;

    bool noAngleClose = false;
    for (qsizetype i = 0; i < e.size();) {
        const QChar c = e[i];
        if (isQuote(c)) {
            i = skipQuoted(e, i) + 1;
        } else if (c == u'(') {
            // A parenthesis never closed holds the rest of the text.
            const qsizetype close = matchingClose(e, i, u'(', u')');
            const qsizetype end = close < 0 ? e.size() : close;
            scanExpression(e.mid(i + 1, end - i - 1), Depth + 1);
            i = end + 1;
        } else if (c == u'<') {
            // <DataSet."Field"> or <Variable>; without a closing ">" it is a comparison, and
            // so is every later "<" (which keeps a text full of them linear).
            const qsizetype close = noAngleClose ? -1 : angleClose(e, i);
            noAngleClose = close < 0;
            if (close >= 0)
                scanExpression(e.mid(i + 1, close - i - 1), Depth + 1);
            i = close < 0 ? i + 1 : close + 1;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < e.size() && isWordChar(e[i]))
                ++i;
            const QString word = e.mid(start, i - start).toString();
            qsizetype next = i;
            while (next < e.size() && e[next].isSpace())
                ++next;
            const QString upper = kavUpperCase(word);
            const bool aggregateName = upper == u"SUM" || upper == u"MIN" || upper == u"MAX"
                                       || upper == u"AVG" || upper == u"COUNT";
            if (aggregateName && next < e.size() && e[next] == u'(') {
                const qsizetype close = matchingClose(e, next, u'(', u')');
                const qsizetype end = close < 0 ? e.size() : close + 1;
                addItem(e.mid(start, end - start).toString());
                i = end;
            } else if (isVariable(word)) {
                scanVariable(word, Depth + 1);
            }
        } else {
            ++i; // spaces and operators
        }
    }
}

void TkavAggregateScanner::scanVariable(const QString &Name, int Depth)
{
    if (Depth > maxScanDepth || FExpanding.contains(Name, Qt::CaseInsensitive))
        return;
    const Variant value = FReport.Variables().GetVariable(Name);
    if (!value.IsString()) // numbers and other plain values hold no calls
        return;
    FExpanding.append(Name);
    scanExpression(value.AsString(), Depth + 1);
    FExpanding.removeLast();
}

void TkavAggregateScanner::addItem(const QString &CallText)
{
    const TkavAggregateCall call = kavParseAggregateCall(CallText);
    auto item = std::make_unique<TkavAggregateItem>();
    item->FAggregateFunction = call.Function;
    item->FBand = FDefaultBand;
    if (!call.BandName.isEmpty()) {
        // A name that is no data band leaves the default: the expression evaluator reports
        // the unknown name when the value is asked for.
        if (auto *named = dynamic_cast<TkavDataBand *>(FReport.FindObject(call.BandName)))
            item->FBand = named;
    }
    item->FParentBand = FParentBand;
    item->FExpression = call.Expression;
    item->FOriginalName = CallText.trimmed();
    item->FMemoName = FMemoName;
    item->FReport = &FReport;
    item->FCountInvisibleBands = (call.Flags & 1) != 0;
    item->FDontReset = (call.Flags & 2) != 0;
    item->FIsPageFooter = FInPageFooter || dynamic_cast<TkavPageFooter *>(FParentBand) != nullptr;
    item->Reset(true);
    FList.FItems.push_back(std::move(item));
}

// ---------------------------------------------------------------------------------------
// One item

void TkavAggregateItem::addError(const QString &Message) const
{
    if (FReport)
        FReport->Errors().Add(FMemoName + u": "_s + Message);
}

bool TkavAggregateItem::rowValue(Variant &Value)
{
    if (!FReport)
        return false;
    const QString savedObject = FReport->CurObject();
    FReport->SetCurObject(FMemoName);
    bool ok = true;
    try {
        Value = FReport->Calc(FExpression);
    } catch (const EkavError &) {
        ok = false; // the evaluator has written its error line
    } catch (const Exception &e) {
        addError(e.Message());
        ok = false;
    }
    FReport->SetCurObject(savedObject);
    if (!ok)
        return false;

    if (Value.IsEmpty()) {
        Value = Variant::Null();
    } else if (Value.IsBoolean()) {
        Value = Variant(Value.AsBoolean() ? 1 : 0);
    } else if (Value.IsString()) {
        // Text is never concatenated: it is a number or the row is not counted.
        const QString text = Value.AsString();
        if (text.trimmed().isEmpty()) {
            Value = Variant::Null();
        } else if (!numberFromText(text, Value)) {
            addError(u"%1: '%2' is not a number"_s.arg(FOriginalName, text));
            return false;
        }
    } else if (!Value.IsNull() && !Value.IsNumeric()) {
        addError(u"%1: a value of type %2 is not a number"_s.arg(FOriginalName,
                                                                 VarTypeAsText(Value.Type())));
        return false;
    }
    return true;
}

Variant TkavAggregateItem::combine(const Variant &Acc, const Variant &Value) const
{
    if (Value.IsNull())
        return Acc;
    if (Acc.IsNull())
        return Value;
    switch (FAggregateFunction) {
    case agSum:
    case agAvg:
        return VarBinaryOp(Acc, Value, voAdd);
    case agMin:
        return VarCompare(Value, Acc, vcLess) ? Value : Acc;
    case agMax:
        return VarCompare(Value, Acc, vcGreater) ? Value : Acc;
    case agCount:
        break;
    }
    return Acc;
}

void TkavAggregateItem::Calc()
{
    if (!FBand || (!FBand->Visible() && !FCountInvisibleBands))
        return;
    Variant value = Variant::Null();
    if (FAggregateFunction != agCount && !rowValue(value))
        return;
    // AVG counts only the rows that have a value.
    const int counted = FAggregateFunction == agAvg && value.IsNull() ? 0 : 1;
    try {
        if (FVColumn >= 1) {
            const size_t column = size_t(FVColumn);
            if (FItemsArray.size() <= column) {
                FItemsArray.resize(column + 1, Variant::Null());
                FItemsCountArray.resize(column + 1, 0);
            }
            FItemsArray[column] = combine(FItemsArray[column], value);
            FItemsCountArray[column] += counted;
        } else if (FKeeping) {
            Variant combined = combine(FTempItemsValue, value);
            FLastCount = FTempItemsCount;
            FLastValue = FTempItemsValue;
            FHasLast = true;
            FLastInTemp = true;
            FTempItemsValue = std::move(combined);
            FTempItemsCount += counted;
        } else {
            Variant combined = combine(FItemsValue, value);
            FLastCount = FItemsCount;
            FLastValue = FItemsValue;
            FHasLast = true;
            FLastInTemp = false;
            FItemsValue = std::move(combined);
            FItemsCount += counted;
        }
    } catch (const Exception &e) { // overflow: the row is not counted
        addError(FOriginalName + u": "_s + e.Message());
    }
}

Variant TkavAggregateItem::Value(int FromVColumn, int ToVColumn) const
{
    int count = FItemsCount;
    Variant value = FItemsValue;
    if (FromVColumn >= 1 && !FItemsArray.empty()) {
        count = 0;
        value = Variant::Null();
        const size_t end = std::min(size_t(std::max(ToVColumn, 0)) + 1, FItemsArray.size());
        for (size_t column = size_t(FromVColumn); column < end; ++column) {
            value = combine(value, FItemsArray[column]);
            count += FItemsCountArray[column];
        }
    }
    Variant result;
    switch (FAggregateFunction) {
    case agAvg:
        result = value.IsNull() || count == 0 ? Variant::Null()
                                              : Variant(value.AsDouble() / double(count));
        break;
    case agCount:
        result = Variant(count);
        break;
    default:
        result = value;
        break;
    }
    return result.IsNull() ? Variant(0) : result;
}

void TkavAggregateItem::Reset(bool Force)
{
    if (!Force && FDontReset) {
        bool accumulated = FItemsCount != 0;
        for (int n : FItemsCountArray)
            accumulated = accumulated || n != 0;
        if (accumulated)
            return;
    }
    FItemsCount = 0;
    FItemsValue = Variant::Null();
    FItemsArray.clear();
    FItemsCountArray.clear();
    // An undo of the row before the reset would bring back what the reset cleared.
    if (!FLastInTemp)
        FHasLast = false;
    if (Force) {
        FKeeping = false;
        FTempItemsCount = 0;
        FTempItemsValue = Variant::Null();
        FHasLast = false;
    }
}

void TkavAggregateItem::StartKeep()
{
    if (!FIsPageFooter || FKeeping)
        return;
    FKeeping = true;
    FTempItemsCount = 0;
    FTempItemsValue = Variant::Null();
}

void TkavAggregateItem::EndKeep()
{
    if (!FKeeping)
        return;
    FKeeping = false;
    try {
        Variant merged = combine(FItemsValue, FTempItemsValue);
        // The latest row stays undoable: its undo state becomes the item's own state before
        // that row.
        if (FHasLast && FLastInTemp) {
            FLastValue = combine(FItemsValue, FLastValue);
            FLastCount += FItemsCount;
            FLastInTemp = false;
        }
        FItemsValue = std::move(merged);
        FItemsCount += FTempItemsCount;
    } catch (const Exception &e) {
        addError(FOriginalName + u": "_s + e.Message());
        FHasLast = false;
    }
    FTempItemsCount = 0;
    FTempItemsValue = Variant::Null();
}

void TkavAggregateItem::DeleteValue()
{
    if (!FHasLast)
        return;
    if (FLastInTemp) {
        FTempItemsCount = FLastCount;
        FTempItemsValue = FLastValue;
    } else {
        FItemsCount = FLastCount;
        FItemsValue = FLastValue;
    }
    FHasLast = false;
}

// ---------------------------------------------------------------------------------------
// The list

TkavAggregateList::~TkavAggregateList() = default;

void TkavAggregateList::AddItems(TkavReportPage &Page,
                                 const TkavBandTree &Tree,
                                 const TkavBandTree &VTree)
{
    if (!FReport)
        return;
    TkavAggregateScanner scanner(*this, *FReport);
    std::unordered_set<const TkavBand *> visited; // a tree never repeats a band; be sure

    // A data band's footer, its group footers, then its details; a vertical band also
    // holds calls itself.
    const auto scanData
        = [&](const TkavBandTree &tree, bool vertical, auto &self, TkavDataBand *band) -> void {
        if (!band || !visited.insert(band).second)
            return;
        const TkavBandTree::Links &links = tree.LinksOf(band);
        const auto scanFooter = [&](TkavBand &footer) {
            scanner.SetOriginDefault(footer, band);
            scanner.ScanBand(footer, band);
        };
        if (links.Footer)
            scanFooter(*links.Footer);
        if (links.Group) {
            std::vector<TkavBand *> chain = tree.LinksOf(links.Group).SubBands;
            if (chain.empty())
                chain.push_back(links.Group);
            for (TkavBand *header : chain) {
                if (TkavBand *footer = tree.LinksOf(header).Footer)
                    scanFooter(*footer);
            }
        }
        for (TkavBand *detail : links.SubBands)
            self(tree, vertical, self, dynamic_cast<TkavDataBand *>(detail));
        if (vertical)
            scanner.ScanBand(*band, band, false);
    };
    for (TkavDataBand *band : Tree.TopBands())
        scanData(Tree, false, scanData, band);
    TkavDataBand *first = Tree.TopBands().empty() ? nullptr : Tree.TopBands().front();
    TkavBand *const pageBands[] = {firstBandOf<TkavPageFooter>(Page),
                                   firstBandOf<TkavColumnFooter>(Page),
                                   firstBandOf<TkavReportSummary>(Page)};
    for (const TkavBand *band : pageBands) {
        if (band && first)
            scanner.SetOriginDefault(*band, first);
    }
    for (TkavDataBand *band : VTree.TopBands())
        scanData(VTree, true, scanData, band);
    // Vertical headers and the like: the totals of a footer or summary moved into them.
    for (TkavComponent *c : Page.Objects()) {
        auto *band = dynamic_cast<TkavBand *>(c);
        if (band && band->Vertical() && !scanner.Scanned(*band))
            scanner.ScanMovedObjects(*band);
    }

    if (!first)
        return;
    for (TkavBand *band : pageBands) {
        if (band)
            scanner.ScanBand(*band, first);
    }
}

void TkavAggregateList::AddValue(TkavBand *Band, int VColumn)
{
    for (auto &item : FItems) {
        if (item->FBand && item->FBand == Band) {
            item->FVColumn = VColumn;
            item->Calc();
        }
    }
}

void TkavAggregateList::DeleteValue(TkavBand *Band)
{
    for (auto &item : FItems) {
        if (item->FBand && item->FBand == Band)
            item->DeleteValue();
    }
}

void TkavAggregateList::Reset(TkavBand *ParentBand)
{
    for (auto &item : FItems) {
        if (item->FParentBand == ParentBand)
            item->Reset(false);
    }
}

void TkavAggregateList::StartKeep()
{
    for (auto &item : FItems)
        item->StartKeep();
}

void TkavAggregateList::EndKeep()
{
    for (auto &item : FItems)
        item->EndKeep();
}

void TkavAggregateList::ClearValues()
{
    for (auto &item : FItems)
        item->Reset(true);
}

void TkavAggregateList::Clear()
{
    FItems.clear();
}

Variant TkavAggregateList::GetValue(TkavBand *ParentBand,
                                    int FromVColumn,
                                    int ToVColumn,
                                    const QString &FunctionName,
                                    const QString &Expression,
                                    TkavBand *Band,
                                    int Flags) const
{
    const TkavAggregateFunction function = kavAggregateFunctionOf(FunctionName);
    for (const auto &item : FItems) {
        if (item->FParentBand == ParentBand && item->FAggregateFunction == function
            && sameExpression(item->FExpression, Expression) && flagsOf(*item) == (Flags & 3)
            && (!Band || item->FBand == Band))
            return item->Value(FromVColumn, ToVColumn);
    }
    return Variant::Null();
}
