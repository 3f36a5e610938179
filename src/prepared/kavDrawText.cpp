// Set-up, wrapping with hyphenation, heights, fitting and splitting of the text engine.
// All layout happens in internal units (600 per inch, 6.25 per report pixel).

#include "kavDrawText.h"

#include <rtl/kavMath.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

std::recursive_mutex &engineLock()
{
    static std::recursive_mutex lock;
    return lock;
}

int toUnits(double pixels)
{
    return int(kavRound(pixels * kavTextUnitsPerPixel));
}

// Hyphenation letter classes (Cyrillic capitals; words are upper-cased first).
bool isVowel(char16_t c)
{
    switch (c) {
    case u'\u0410': case u'\u0415': case u'\u0401': case u'\u0418': case u'\u041E':
    case u'\u0423': case u'\u042B': case u'\u042D': case u'\u042E': case u'\u042F':
        return true;
    default:
        return false;
    }
}
bool isSign(char16_t c)
{
    return c == u'\u042C' || c == u'\u042A';
}
bool isShortI(char16_t c)
{
    return c == u'\u0419';
}
bool isConsonant(char16_t c)
{
    return c >= u'\u0410' && c <= u'\u042F' && !isVowel(c) && !isSign(c) && !isShortI(c);
}

// Break after p characters of word (1 <= p < length) is a syllable boundary.
bool candidatePoint(const QString &word, qsizetype p)
{
    const char16_t c = word[p - 1].unicode();
    const char16_t next = word[p].unicode();
    if (isConsonant(c) && !isVowel(next) && !isSign(next))
        return true;
    if (isVowel(c) && !isShortI(next)) {
        const bool doubledBeforeVowel = p + 2 < word.size() && word[p] == word[p + 1]
                                        && isVowel(word[p + 2].unicode());
        return !doubledBeforeVowel;
    }
    return false;
}

bool hasVowel(QStringView part)
{
    return std::any_of(part.begin(), part.end(), [](QChar c) { return isVowel(c.unicode()); });
}

bool wordSeparator(QChar c)
{
    return c == u' ' || c == u'.' || c == u',' || c == u'-' || c == u';';
}

} // namespace

TkavDrawText::TkavDrawText(std::shared_ptr<TkavTextMeasurer> measurer)
    : FMeasurer(measurer ? std::move(measurer) : kavDefaultTextMeasurer())
{
    SetFont(TFont());
}

TkavDrawText::~TkavDrawText() = default;

void TkavDrawText::Lock()
{
    engineLock().lock();
}

void TkavDrawText::Unlock()
{
    engineLock().unlock();
}

void TkavDrawText::SetMeasurer(std::shared_ptr<TkavTextMeasurer> measurer)
{
    FMeasurer = measurer ? std::move(measurer) : kavDefaultTextMeasurer();
}

void TkavDrawText::SetFont(const TFont &font)
{
    FFontName = font.Name();
    FFontSize = font.Size();
    FFontStyle = font.Style();
    FFontCharset = font.Charset();
    FFontColor = ColorToRGB(font.Color()); // black for masks is applied when drawing
    FFontHeight = -kavTextInternalFontHeight(FFontSize);
}

void TkavDrawText::SetOptions(bool wordWrap,
                              bool htmlTags,
                              bool rtlReading,
                              bool wordBreak,
                              bool clipped,
                              bool wysiwyg,
                              int rotation)
{
    FWordWrap = wordWrap;
    FHTMLTags.SetAllowTags(htmlTags);
    FRTLReading = rtlReading;
    FWordBreak = wordBreak;
    FWysiwyg = wysiwyg;
    FRotation = ((rotation % 360) + 360) % 360;
    FOptions = (rtlReading ? 128 : 0) + (clipped ? 4 : 0);
}

void TkavDrawText::SetDimensions(double scaleX,
                                 double scaleY,
                                 double printScale,
                                 const QRectF &originalRect,
                                 const QRectF &scaledRect)
{
    FScaleX = scaleX;
    FScaleY = scaleY;
    FPrintScale = printScale;
    FOriginalRect = originalRect;
    FScaledRect = scaledRect;
}

void TkavDrawText::SetGaps(double paragraphGap, double charSpacing, double lineSpacing)
{
    FParagraphGap = paragraphGap;
    FCharSpacing = charSpacing;
    FLineSpacing = lineSpacing;
}

void TkavDrawText::advances(const QString &text, const TkavHTMLTags &tags, std::vector<int> &out) const
{
    const qsizetype n = text.size();
    out.assign(size_t(n), 0);
    const int spacing = toUnits(FCharSpacing);
    // One measuring call per run of equal style; smaller characters (sub- and superscript)
    // are measured at the default size and take two thirds of it.
    qsizetype start = 0;
    while (start < n) {
        const TkavHTMLTag &tag = tags[size_t(start)];
        qsizetype end = start + 1;
        while (end < n && tags[size_t(end)].Style == tag.Style && tags[size_t(end)].Small == tag.Small)
            ++end;
        FMeasurer->MeasureRun(FFontName, FFontSize, tag.Style, QStringView(text).mid(start, end - start),
                              std::span<int>(out.data() + start, size_t(end - start)));
        for (qsizetype i = start; i < end; ++i) {
            int &a = out[size_t(i)];
            const bool pairTail = i > 0 && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate();
            if (tag.Small)
                a = int(kavRound(a / 1.5));
            if (!pairTail)
                a += spacing;
        }
        start = end;
    }
}

void TkavDrawText::SetText(const QStringList &text, bool firstParaBreak)
{
    FPlainText.clear();
    FText.clear();
    FHTMLTags.Init(FFontColor, FFontSize, FFontStyle);
    const bool sideways = (FRotation >= 90 && FRotation < 180) || FRotation >= 270;
    const double w = sideways ? FOriginalRect.height() : FOriginalRect.width();
    const int width = toUnits(w);
    const int indented = toUnits(w - FParagraphGap);
    for (qsizetype k = 0; k < text.size(); ++k) {
        QString line = text[k].isEmpty() ? QStringLiteral(" ") : text[k];
        FPlainText += line + QStringLiteral("\r\n");
        TkavHTMLTags tags;
        const int lineStart = FHTMLTags.Position();
        FHTMLTags.ExpandHTMLTags(line, tags);
        FHTMLTags.SkipPosition(2);
        if (line.isEmpty()) {
            // A line of tags only still takes one line.
            line = QStringLiteral(" ");
            TkavHTMLTag tag;
            tag.Position = lineStart;
            tag.Size = FFontSize;
            tag.Style = FFontStyle;
            tag.Color = FFontColor;
            tags.push_back(tag);
        }
        const size_t before = FText.size();
        wrapLine(line, tags, k == 0 && firstParaBreak ? width : indented, width);
        FText[before].Flags |= 1;
        FText.back().Flags |= 2;
    }
}

void TkavDrawText::addLine(const QString &visible,
                           const TkavHTMLTags &tags,
                           qsizetype from,
                           qsizetype to,
                           bool hyphen)
{
    TextLine line;
    line.Text = visible.mid(from, to - from);
    TkavHTMLTags lineTags(tags.begin() + from, tags.begin() + to);
    if (hyphen) {
        line.Text += u'-';
        lineTags.push_back(lineTags.back());
        line.Hyphenated = true;
    }
    // A continuation line starts from the defaults when drawn: its first record tells
    // whether it looks like them.
    if (from > 0 && !lineTags.empty()) {
        TkavHTMLTag defaults;
        defaults.Size = FHTMLTags.DefSize();
        defaults.Style = FHTMLTags.DefStyle();
        defaults.Color = FHTMLTags.DefColor();
        lineTags.front().Default = lineTags.front().SameFormat(defaults);
    }
    FText.push_back(std::move(line));
    FHTMLTags.Items().push_back(std::move(lineTags));
}

qsizetype TkavDrawText::hyphenPoint(const QString &text,
                                    const std::vector<int> &adv,
                                    const TkavHTMLTags &tags,
                                    qsizetype lineStart,
                                    qsizetype wordStart,
                                    qsizetype overflow,
                                    int limit) const
{
    // A word never runs on for ever: a line of one endless "word" would otherwise make
    // every break rescan the rest of the line.
    constexpr qsizetype longestTail = 64;
    qsizetype wordEnd = overflow;
    while (wordEnd < text.size() && wordEnd - overflow < longestTail && !wordSeparator(text[wordEnd]))
        ++wordEnd;
    // Upper-cased unit by unit, so that indices stay those of the line.
    QString word = text.mid(wordStart, wordEnd - wordStart);
    for (QChar &c : word)
        c = c.toUpper();
    if (word.size() <= 3)
        return -1;
    // The hyphen is measured in the style of the character before it.
    int hyphen = 0;
    const int spacing = toUnits(FCharSpacing);
    qsizetype best = -1;
    int width = 0;
    for (qsizetype i = lineStart; i < wordStart; ++i)
        width += adv[size_t(i)];
    for (qsizetype p = 1; p < word.size() && wordStart + p <= overflow; ++p) {
        width += adv[size_t(wordStart + p - 1)];
        if (!candidatePoint(word, p) || p < 2 || word.size() - p < 2)
            continue;
        if (!hasVowel(QStringView(word).left(p)) || !hasVowel(QStringView(word).mid(p)))
            continue;
        int h = 0;
        const TkavHTMLTag &tag = tags[size_t(wordStart + p - 1)];
        FMeasurer->MeasureRun(FFontName, FFontSize, tag.Style, u"-", std::span<int>(&h, 1));
        hyphen = (tag.Small ? int(kavRound(h / 1.5)) : h) + spacing;
        if (width + hyphen <= limit)
            best = wordStart + p;
    }
    return best;
}

void TkavDrawText::wrapLine(const QString &visible, const TkavHTMLTags &tags, int firstWidth, int width)
{
    const qsizetype n = visible.size();
    if (n <= 1 || !FWordWrap) {
        addLine(visible, tags, 0, n, false);
        return;
    }
    std::vector<int> adv;
    advances(visible, tags, adv);
    qint64 total = 0;
    for (int a : adv)
        total += a;
    if (total < firstWidth) {
        addLine(visible, tags, 0, n, false);
        return;
    }
    const size_t linesBefore = FText.size();
    qsizetype lineStart = 0;
    qsizetype breakPoint = -1;
    qint64 acc = 0;
    int limit = firstWidth;
    qsizetype i = 0;
    while (i < n) {
        if (visible[i] == u' ' && !tags[size_t(i)].DontWRAP)
            breakPoint = i;
        acc += adv[size_t(i)];
        // The second half of a surrogate pair never ends a line on its own.
        const bool pairTail = i > lineStart && visible[i].isLowSurrogate()
                              && visible[i - 1].isHighSurrogate();
        if (acc <= limit || pairTail) {
            ++i;
            continue;
        }
        qsizetype end;  // the line is [lineStart, end) (+ hyphen)
        qsizetype next; // first character of the next line
        bool hyphen = false;
        if (breakPoint <= lineStart) {
            // No break point (a space opening the line breaks nothing).
            if (i == lineStart) {
                end = next = i + (i + 1 < n && visible[i].isHighSurrogate()
                                          && visible[i + 1].isLowSurrogate() ? 2 : 1);
            } else {
                const qsizetype wordStart = visible[lineStart] == u' ' ? lineStart + 1 : lineStart;
                const qsizetype p = FWordBreak
                                        ? hyphenPoint(visible, adv, tags, lineStart, wordStart, i, limit)
                                        : -1;
                hyphen = p > lineStart;
                end = next = hyphen ? p : i;
            }
        } else {
            const qsizetype p = FWordBreak
                                    ? hyphenPoint(visible, adv, tags, lineStart, breakPoint + 1, i, limit)
                                    : -1;
            hyphen = p > breakPoint + 1;
            if (hyphen) {
                end = next = p;
            } else {
                end = breakPoint;
                next = breakPoint + 1;
            }
        }
        addLine(visible, tags, lineStart, end, hyphen);
        lineStart = next;
        breakPoint = -1;
        acc = 0;
        limit = width;
        i = next;
    }
    if (lineStart < n || FText.size() == linesBefore)
        addLine(visible, tags, lineStart, n, false);
}

void TkavDrawText::SetParaBreaks(bool firstParaBreak, bool lastParaBreak)
{
    if (FText.empty())
        return;
    if (firstParaBreak)
        FText.front().Flags &= ~1;
    if (lastParaBreak)
        FText.back().Flags &= ~2;
}

double TkavDrawText::TextHeight() const
{
    return -FFontHeight / kavTextUnitsPerPixel;
}

double TkavDrawText::LineHeight() const
{
    // A spacing that eats the whole line would make fitting divide by zero or count
    // backwards: one pixel per line is the least a line takes.
    return std::max(1.0, TextHeight() + FLineSpacing);
}

double TkavDrawText::CalcHeight() const
{
    if (FText.empty())
        return 0;
    const double n = double(FText.size());
    // With a negative spacing the last line keeps its full text height: (n - 1) steps
    // plus one text height (the same as n * LineHeight - LineSpacing while unclamped).
    if (FLineSpacing < 0)
        return (n - 1) * LineHeight() + TextHeight();
    return LineHeight() * n;
}

int TkavDrawText::LineWidth(int i) const
{
    const TextLine &line = FText[size_t(i)];
    std::vector<int> adv;
    advances(line.Text, FHTMLTags.Items()[size_t(i)], adv);
    qint64 width = 0;
    for (int a : adv)
        width += a;
    if (line.Flags & 1)
        width += toUnits(FParagraphGap);
    return int(std::min<qint64>(width, std::numeric_limits<int>::max()));
}

double TkavDrawText::CalcWidth() const
{
    int widest = 0;
    for (int i = 0; i < LineCount(); ++i)
        widest = std::max(widest, LineWidth(i));
    return widest / kavTextUnitsPerPixel;
}

int TkavDrawText::fittingLines() const
{
    const double h = FOriginalRect.height() + 1;
    return h <= 0 ? 0 : int(std::min<qint64>(kavTrunc(h / LineHeight()), std::numeric_limits<int>::max()));
}

double TkavDrawText::UnusedSpace() const
{
    const int n = fittingLines();
    if (n == 0)
        return 0;
    const double rest = FOriginalRect.height() + 1 - LineHeight() * n;
    return std::abs(rest) < 1e-9 ? 0.0001 : rest;
}

QString TkavDrawText::formatPrefix(const TkavHTMLTag &tag) const
{
    const TColor rgb = ColorToRGB(tag.Color);
    const auto hex = [](int v) { return QString::number(v, 16).rightJustified(2, u'0').toUpper(); };
    QString prefix = QStringLiteral("<font color=\"#") + hex(kavRValue(rgb)) + hex(kavGValue(rgb))
                     + hex(kavBValue(rgb)) + QStringLiteral("\">");
    if (tag.Style.Contains(fsUnderline))
        prefix += u"<u>";
    if (tag.Style.Contains(fsItalic))
        prefix += u"<i>";
    if (tag.Style.Contains(fsBold))
        prefix += u"<b>";
    // Strike-out and the sub/superscript state carry over too, or the continuation would
    // lose them.
    if (tag.Style.Contains(fsStrikeOut))
        prefix += u"<strike>";
    if (tag.SubType == ssSubscript)
        prefix += u"<sub>";
    else if (tag.SubType == ssSuperscript)
        prefix += u"<sup>";
    return prefix;
}

QString TkavDrawText::GetOutBoundsText(bool &paraBreak)
{
    paraBreak = false;
    const int n = std::min(fittingLines(), LineCount());
    if (n >= LineCount())
        return QString();
    paraBreak = n > 0 && !(FText[size_t(n - 1)].Flags & 2);
    const TkavHTMLTags &firstTags = FHTMLTags.Items()[size_t(n)];
    const TkavHTMLTag first = firstTags.empty() ? TkavHTMLTag{} : firstTags.front();
    // When nothing fits, tags ahead of the first character go with the rest too: the
    // kept part must not be a line of bare tags.
    const qsizetype cut = n == 0 ? 0 : std::clamp<qsizetype>(first.Position - 1, 0, FPlainText.size());
    QString rest = FPlainText.mid(cut);
    if (paraBreak && rest.startsWith(u' '))
        rest.remove(0, 1);
    const bool hyphenated = n > 0 && FText[size_t(n - 1)].Hyphenated;
    FPlainText.truncate(cut);
    if (FWordBreak && hyphenated)
        FPlainText += u'-';
    FText.resize(size_t(n));
    FHTMLTags.Items().resize(size_t(n));
    if (FHTMLTags.AllowTags())
        rest.prepend(formatPrefix(first));
    return rest;
}

QString TkavDrawText::GetWrappedText() const
{
    QStringList lines;
    for (const TextLine &line : FText)
        lines << line.Text;
    return lines.join(QStringLiteral("\r\n"));
}

TkavDrawText &kavDefaultDrawText()
{
    static TkavDrawText engine;
    return engine;
}
