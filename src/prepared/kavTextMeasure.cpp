#include "kavTextMeasure.h"

#include "kavFonts.h"

#include <rtl/kavMath.h>

#include <QFontMetricsF>

#include <array>
#include <cmath>

int kavTextInternalFontHeight(int size)
{
    return int(kavRound(size * double(kavTextInternalPPI) / 72.0));
}

namespace {

// Font engines take whole pixel sizes, while the internal em is Size * 600 / 72 pixels
// (8.33 per point). Fonts are measured at nine times that, a whole 75 pixels per point,
// and advances divided by nine.
constexpr int referencePixelsPerPoint = 75;
constexpr double referenceScale = 600.0 / 72.0 / referencePixelsPerPoint;

// Running sum rounded: advance i = rnd(sum to i) - rnd(sum before i).
class RoundedRun
{
public:
    int next(double advance)
    {
        FSum += advance;
        const int end = int(kavRound(FSum));
        const int result = end - FEnd;
        FEnd = end;
        return result;
    }

private:
    double FSum = 0;
    int FEnd = 0;
};

} // namespace

struct TkavQtTextMeasurer::FontCache
{
    explicit FontCache(const QFont &font)
        : metrics(font)
    {}
    // Advance of a character, measured on first use.
    double advance(QStringView text, qsizetype i, bool pair, qint64 &misses)
    {
        const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode());
        if (code < latin.size() && latin[code] >= 0)
            return latin[code];
        if (code >= latin.size()) {
            const auto it = advances.constFind(code);
            if (it != advances.constEnd())
                return *it;
        }
        ++misses;
        const double value = metrics.horizontalAdvance(text.mid(i, pair ? 2 : 1).toString()) * referenceScale;
        if (code < latin.size())
            latin[code] = value;
        else
            advances.insert(code, value);
        return value;
    }

    QFontMetricsF metrics;
    std::array<double, 0x250> latin = filledLatin(); // Latin scripts without hashing
    QHash<char32_t, double> advances;

private:
    static std::array<double, 0x250> filledLatin()
    {
        std::array<double, 0x250> table;
        table.fill(-1);
        return table;
    }
};

TkavQtTextMeasurer::TkavQtTextMeasurer() = default;
TkavQtTextMeasurer::~TkavQtTextMeasurer() = default;

TkavQtTextMeasurer::FontCache &TkavQtTextMeasurer::fontCache(const QString &name,
                                                             int size,
                                                             TFontStyles style)
{
    const TFontStyles shape = style * TFontStyles{fsBold, fsItalic};
    // Runs of one memo come in the same font: skip building the key.
    if (FLast && FLastSize == size && FLastShape == shape && FLastName == name)
        return *FLast;
    const QString key = name + QChar(u'\x1f') + QString::number(size) + QChar(u'\x1f')
                        + QString::number(shape.Mask());
    auto it = FFonts.constFind(key);
    if (it == FFonts.constEnd()) {
        const QFont font = kavToQFont(name, shape, std::max(1, size) * referencePixelsPerPoint);
        it = FFonts.insert(key, std::make_shared<FontCache>(font));
    }
    FLast = it->get();
    FLastName = name;
    FLastSize = size;
    FLastShape = shape;
    return **it;
}

void TkavQtTextMeasurer::MeasureRun(const QString &name,
                                    int size,
                                    TFontStyles style,
                                    QStringView text,
                                    std::span<int> out)
{
    std::lock_guard guard(FLock);
    FontCache &cache = fontCache(name, size, style);
    RoundedRun run;
    const qsizetype n = std::min<qsizetype>(text.size(), qsizetype(out.size()));
    for (qsizetype i = 0; i < n; ++i) {
        const bool pair = i + 1 < n && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
        out[size_t(i)] = run.next(cache.advance(text, i, pair, FMisses));
        if (pair)
            out[size_t(++i)] = 0;
    }
}

void TkavQtTextMeasurer::ClearCache()
{
    std::lock_guard guard(FLock);
    FFonts.clear();
    FLast = nullptr;
    FMisses = 0;
}

qint64 TkavQtTextMeasurer::CacheMisses() const
{
    std::lock_guard guard(FLock);
    return FMisses;
}

void TkavFixedTextMeasurer::MeasureRun(const QString &,
                                       int size,
                                       TFontStyles style,
                                       QStringView text,
                                       std::span<int> out)
{
    ++FCalls;
    const double scale = size / 12.0;
    const int extra = style.Contains(fsBold) ? FBoldExtra : 0;
    RoundedRun run;
    for (qsizetype i = 0; i < text.size() && size_t(i) < out.size(); ++i) {
        if (text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()) {
            out[size_t(i)] = 0;
            continue;
        }
        const int base = text[i] == u' ' ? FSpaceAdvance : FAdvance;
        out[size_t(i)] = run.next((base + extra) * scale);
    }
}

std::shared_ptr<TkavTextMeasurer> kavDefaultTextMeasurer()
{
    static const std::shared_ptr<TkavTextMeasurer> measurer
        = std::make_shared<TkavQtTextMeasurer>();
    return measurer;
}
