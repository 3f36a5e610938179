// Taking data before output: bracketed expressions, display formats, and the data of
// views, pictures and memos.

#include "kavDataSets.h"
#include "kavReport.h"
#include "kavViews.h"

#include <rtl/kavDateTime.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavFormat.h>
#include <rtl/kavMath.h>
#include <rtl/kavStreams.h>

#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

// ---------------------------------------------------------------------------------------
// Brackets and formats

TkavBracket kavScanBracket(const QString &text, qsizetype pos, QStringView open, QStringView close)
{
    TkavBracket bracket;
    if (open.isEmpty() || close.isEmpty())
        return bracket;
    int depth = 0;
    bool outsideDouble = true, outsideSingle = true;
    qsizetype i = pos;
    // The first character decides before the whole delimiter is compared.
    const QChar openFirst = open.front(), closeFirst = close.front();
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (outsideDouble && outsideSingle && (c == openFirst || c == closeFirst)) {
            const QStringView rest = QStringView(text).mid(i);
            if (c == openFirst && rest.startsWith(open)) {
                if (depth++ == 0)
                    bracket.Start = i;
            } else if (c == closeFirst && rest.startsWith(close)) {
                --depth;
            }
        }
        if (c == u'"' && outsideSingle)
            outsideDouble = !outsideDouble;
        else if (c == u'\'' && outsideDouble)
            outsideSingle = !outsideSingle;
        if (depth <= 0)
            break;
    }
    if (bracket.Start < 0)
        return bracket;
    bracket.ExprStart = bracket.Start + open.size();
    if (i >= text.size()) { // never closed: the rest of the text
        bracket.ExprEnd = text.size();
        bracket.End = text.size() - 1;
    } else {
        bracket.ExprEnd = qMax(bracket.ExprStart, i);
        bracket.End = qMin(text.size() - 1, i + close.size() - 1);
    }
    return bracket;
}

namespace {

// A number as the numeric formats take it: doubles and currencies at four decimals, so
// the noise of binary fractions does not show.
double numericValue(const Variant &value)
{
    if (value.Type() == varDouble || value.Type() == varSingle || value.Type() == varCurrency)
        return double(kavRound(value.AsDouble() * 10000)) / 10000;
    return value.AsDouble();
}

QString formatNumber(const Variant &value, const TkavFormat &format)
{
    const double number = numericValue(value);
    const QString &fmt = format.FormatStr();
    const TFormatSettings &fs = FormatSettings();
    QString text;
    if (fmt.contains(u'#') || fmt.startsWith(u'0'))
        text = FormatFloat(fmt, number, fs);
    else if (fmt.contains(u'd') || fmt.contains(u'u'))
        text = Format(fmt, {Variant(qint64(kavTrunc(number)))}, fs);
    else
        text = Format(fmt, {Variant(number)}, fs);
    // Both separators are swapped in one pass, so a new decimal separator that equals the
    // old thousands separator is not replaced again.
    const bool newDecimal = format.DecimalSeparator().size() == 1
                            && format.DecimalSeparator()[0] != fs.DecimalSeparator;
    const bool newThousand = format.ThousandSeparator().size() == 1
                             && !fs.ThousandSeparator.isNull()
                             && format.ThousandSeparator()[0] != fs.ThousandSeparator;
    const qsizetype decimalAt = newDecimal ? text.lastIndexOf(fs.DecimalSeparator) : -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == decimalAt)
            text[i] = format.DecimalSeparator()[0];
        else if (newThousand && text[i] == fs.ThousandSeparator)
            text[i] = format.ThousandSeparator()[0];
    }
    return text;
}

// True for a value that converts to True; a value that is no truth value at all (a text
// such as 'x') counts as anything else.
bool isTrue(const Variant &value)
{
    try {
        return value.AsBoolean();
    } catch (const EVariantError &) {
        return false;
    }
}

} // namespace

QString kavQuotedForScript(const QString &text, const QString &language)
{
    if (language.compare(u"PascalScript"_s, Qt::CaseInsensitive) == 0 || language.isEmpty())
        return u'\'' + QString(text).replace(u"'"_s, u"''"_s) + u'\'';
    QString escaped = text;
    escaped.replace(u"\\"_s, u"\\\\"_s).replace(u"\""_s, u"\\\""_s);
    return u'"' + escaped + u'"';
}

QString kavFormatData(const Variant &value, const TkavFormat &format)
{
    if (value.IsNull() || value.IsEmpty())
        return QString();
    try {
        switch (format.Kind()) {
        case fkText:
            break;
        case fkNumeric:
            return formatNumber(value, format);
        case fkDateTime:
            return FormatDateTime(format.FormatStr(), value.AsDate());
        case fkBoolean: {
            const qsizetype comma = format.FormatStr().indexOf(u',');
            const QString yes = comma < 0 ? format.FormatStr() : format.FormatStr().left(comma);
            const QString no = comma < 0 ? QString() : format.FormatStr().mid(comma + 1);
            return isTrue(value) ? yes : no;
        }
        }
    } catch (const Exception &) {
        // A value the format cannot take shows as it is.
    }
    return VarToStr(value);
}

// ---------------------------------------------------------------------------------------
// Views

namespace {

// Every "[...]" in text replaced by the plain text of its value.
QString expandPlain(const QString &text, TkavReport &report)
{
    QString result = text;
    for (qsizetype pos = result.indexOf(u'['); pos >= 0 && pos < result.size();) {
        const TkavBracket b = kavScanBracket(result, pos, u"[", u"]");
        if (b.Start < 0)
            break;
        const QString value
            = VarToStr(report.Calc(result.mid(b.ExprStart, b.ExprEnd - b.ExprStart)));
        result.replace(b.Start, b.End - b.Start + 1, value);
        pos = result.indexOf(u'[', b.Start + value.size());
    }
    return result;
}

} // namespace

void TkavView::GetData()
{
    TkavReport *report = Report();
    if (!report)
        return;
    if (FTagStr.contains(u'['))
        FTagStr = expandPlain(FTagStr, *report);
    if (FHyperlink->Value().contains(u'['))
        FHyperlink->SetValue(expandPlain(FHyperlink->Value(), *report));
    if (!FHyperlink->Expression().isEmpty()) {
        const Variant value = report->Calc(FHyperlink->Expression());
        FHyperlink->SetValue(value.IsString()
                                 ? kavQuotedForScript(value.AsString(), report->ScriptLanguage())
                                 : VarToStr(value));
    }
}

void TkavPictureView::GetData()
{
    TkavView::GetData();
    if (!FFileLink.isEmpty()) {
        TkavReport *report = Report();
        // A relative name belongs beside the report, wherever the program was started.
        const QString file = kavPathBesideReport(
            report, FFileLink.contains(u'[') && report ? expandPlain(FFileLink, *report) : FFileLink);
        // A missing file leaves no picture; one that cannot be read (or that the file
        // policy refuses) does the same and says why in the report's errors.
        FPicture->Clear();
        if (QFileInfo::exists(file)) {
            try {
                kavCheckFileAccess(file, false);
                TFileStream stream(file, fmOpenRead);
                LoadPictureFromStream(stream, true);
            } catch (const Exception &e) {
                if (report)
                    report->Errors().Add(Name() + u": "_s + e.Message());
            }
        }
    } else if (IsDataField() && DataSet()->IsBlobField(DataField())) {
        // An empty field (NULL) clears the picture.
        TMemoryStream stream;
        DataSet()->AssignBlobTo(DataField(), &stream);
        LoadPictureFromStream(stream, true);
    }
    if (TkavReport *report = Report(); report && !FPicture->NotDrawn().isEmpty())
        report->Errors().Add(Name() + u": "_s + FPicture->NotDrawn());
}

// ---------------------------------------------------------------------------------------
// Memos

void TkavCustomMemoView::GetData()
{
    FDataTaken = true;
    TkavStretcheable::GetData();
    DisplayFormat(); // at least one format from here on
    if (IsDataField()) {
        TkavDataSet *dataSet = DataSet();
        if (dataSet->IsBlobField(DataField())) {
            dataSet->AssignBlobTo(DataField(), FMemo.get());
        } else {
            FValue = dataSet->GetValue(DataField());
            const TkavFormat &format = DisplayFormat();
            QString text = format.Kind() != fkText ? kavFormatData(FValue, format)
                                                   : dataSet->GetDisplayText(DataField());
            if (FHideZeros && !FValue.IsString() && FValue.IsNumeric() && FValue.AsDouble() == 0)
                text.clear();
            FMemo->SetText(text);
        }
    } else if (FAllowExpressions) {
        expandExpressions();
    }
    if (TkavReport *report = Report())
        report->SetLocalValue(FValue);
    applyFirstHighlight();
    if (FSuppressRepeated) {
        const QString text = FMemo->Text();
        if (!FLastOutput.IsNull() && FLastOutput.AsString() == text)
            FMemo->SetText(QString());
        else
            FLastOutput = Variant(text);
    }
    // In a FlowTo cycle the text that does not fit stops at a memo that took its data
    // already: it would overwrite what that memo shows. Outside cycles a memo earlier in
    // the band may still receive text.
    TkavCustomMemoView *next = FFlowTo.get();
    if (next && !(next->FDataTaken && flowsBackToSelf())) {
        InitPart();
        DrawPart();
        next->SetText(FPartText);
        next->SetAllowExpressions(false);
    }
}

bool TkavCustomMemoView::flowsBackToSelf() const
{
    QSet<const TkavCustomMemoView *> seen;
    for (const TkavCustomMemoView *m = FFlowTo.get(); m && !seen.contains(m);
         m = m->FFlowTo.get()) {
        if (m == this)
            return true;
        seen.insert(m);
    }
    return false;
}

void TkavCustomMemoView::applyFirstHighlight()
{
    TkavReport *report = Report();
    if (!report)
        return;
    for (int i = 0; i < FHighlights->Count(); ++i) {
        const auto &h = static_cast<const TkavHighlight &>(*FHighlights->Items(i));
        if (h.Condition().trimmed().isEmpty())
            continue;
        const Variant yes = report->Calc(h.Condition());
        if (yes.IsNull() || !yes.AsBoolean())
            continue;
        if (!FSavedLook) {
            FSavedLook = std::make_unique<SavedLook>();
            FSavedLook->Font = std::make_unique<TFont>();
            FSavedLook->Font->Assign(Font());
            kavAssignFill(FSavedLook->Fill, Fill());
            FSavedLook->Frame = std::make_unique<TkavFrame>();
            FSavedLook->Frame->Assign(Frame());
            FSavedLook->Visible = Visible();
        }
        ApplyHighlight(h);
        return; // later highlights are not looked at
    }
}

void TkavCustomMemoView::restoreLook()
{
    if (!FSavedLook)
        return;
    SetFont(*FSavedLook->Font);
    SetFill(*FSavedLook->Fill);
    SetFrame(*FSavedLook->Frame);
    SetVisible(FSavedLook->Visible);
    FSavedLook.reset();
}

void TkavCustomMemoView::ApplyHighlight(const TkavHighlight &AHighlight)
{
    if (AHighlight.ApplyFont())
        SetFont(AHighlight.Font());
    if (AHighlight.ApplyFill())
        SetFill(AHighlight.Fill());
    if (AHighlight.ApplyFrame())
        SetFrame(AHighlight.Frame());
    SetVisible(AHighlight.Visible());
}

void TkavCustomMemoView::ApplyPreviewHighlight()
{
    if (FHighlights->Count() > 0) {
        const auto &first = static_cast<const TkavHighlight &>(*FHighlights->Items(0));
        if (first.Active())
            ApplyHighlight(first);
    }
}

void TkavCustomMemoView::expandExpressions()
{
    const qsizetype comma = FExpressionDelimiters.indexOf(u',');
    const QString open
        = FExpressionDelimiters.left(comma < 0 ? FExpressionDelimiters.size() : comma).left(255);
    const QString close = comma < 0 ? QString() : FExpressionDelimiters.mid(comma + 1).left(255);
    QString text = FMemo->Text();
    if (open.isEmpty() || close.isEmpty() || !text.contains(open))
        return;
    int formatIndex = 0;
    for (qsizetype pos = 0; pos < text.size();) {
        while (pos < text.size() - 1 && !QStringView(text).mid(pos).startsWith(open))
            ++pos;
        const TkavBracket b = kavScanBracket(text, pos, open, close);
        if (b.Start < 0)
            break;
        const auto &format = static_cast<const TkavFormat &>(*FFormats->Items(formatIndex));
        const QString value
            = expressionText(text.mid(b.ExprStart, b.ExprEnd - b.ExprStart), format);
        text.replace(b.Start, b.End - b.Start + 1, value);
        pos = b.Start + value.size();
        formatIndex = qMin(formatIndex + 1, FFormats->Count() - 1);
    }
    FMemo->SetText(text);
}

QString TkavCustomMemoView::expressionText(const QString &expr, const TkavFormat &format)
{
    QString e = expr;
    TkavFormat inlineFormat;
    const TkavFormat *f = &format;
    if (const qsizetype at = e.indexOf(u" #"); at >= 0 && !e.mid(at + 2).contains(u')')) {
        QString tag = e.mid(at + 2);
        e.truncate(at);
        const QChar kind = tag.isEmpty() ? QChar() : tag[0];
        if (kind == u'N' || kind == u'n') {
            inlineFormat.SetKind(fkNumeric);
            QChar last;
            for (QChar &c : tag) {
                if (c == u',' || c == u'-' || c == u'.') {
                    last = c;
                    c = u'.';
                }
            }
            if (!last.isNull())
                inlineFormat.SetDecimalSeparator(QString(last));
        } else if (QStringLiteral("DTdt").contains(kind) && !kind.isNull()) {
            inlineFormat.SetKind(fkDateTime);
        } else if (kind == u'B' || kind == u'b') {
            inlineFormat.SetKind(fkBoolean);
        }
        inlineFormat.SetFormatStr(tag.mid(1));
        f = &inlineFormat;
    }
    const QString upper = e.trimmed().toUpper();
    if (upper == u"TOTALPAGES#")
        return u"[TotalPages#]"_s;
    if (upper == u"COPYNAME#")
        return u"[CopyName#]"_s;
    TkavReport *report = Report();
    if (!report)
        return QString();
    FValue = report->Calc(e);
    if (FHideZeros && !FValue.IsString() && FValue.IsNumeric() && FValue.AsDouble() == 0)
        return QString();
    return kavFormatData(FValue, *f);
}
