#pragma once

// Measuring of text for the text engine: per-character advances on the internal 600-dpi
// canvas. TkavTextMeasurer is the seam; TkavQtTextMeasurer measures with the installed
// fonts, TkavFixedTextMeasurer gives fixed advances so that layout results are exact.

#include <rtl/kavFont.h>

#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>
#include <mutex>
#include <span>

// Resolution of the internal canvas, of report pixels, and internal units per pixel.
inline constexpr int kavTextInternalPPI = 600;
inline constexpr int kavTextReportPPI = 96;
inline constexpr double kavTextUnitsPerPixel = 6.25;

// Character height (em) in internal units for a size in points: rnd(Size * 600 / 72).
int kavTextInternalFontHeight(int size);

class TkavTextMeasurer
{
public:
    virtual ~TkavTextMeasurer() = default;

    // Writes the advance of every UTF-16 unit of text into out (out.size() == text.size())
    // in internal units, measured in the font (family name as reports give it, size in
    // points, style; only bold and italic change advances). Advances are rounded on the
    // running sum, so a run's width is the sum of its advances; the second unit of a
    // surrogate pair gets 0. Callers hold the text engine's lock.
    virtual void MeasureRun(const QString &name,
                            int size,
                            TFontStyles style,
                            QStringView text,
                            std::span<int> out)
        = 0;
    // Character height in internal units (the layout's line height before spacing).
    virtual int FontHeight(int size) { return kavTextInternalFontHeight(size); }
    // Forgets cached advances (fonts installed or removed).
    virtual void ClearCache() {}
};

// Measures with Qt's font engine at the 600-dpi resolution, hinting off, and caches the
// advance of each (font, style, size, character).
class TkavQtTextMeasurer : public TkavTextMeasurer
{
public:
    TkavQtTextMeasurer();
    ~TkavQtTextMeasurer() override;

    void MeasureRun(const QString &name,
                    int size,
                    TFontStyles style,
                    QStringView text,
                    std::span<int> out) override;
    void ClearCache() override;
    // Number of characters measured by the font engine since the last ClearCache.
    qint64 CacheMisses() const;

private:
    struct FontCache;
    FontCache &fontCache(const QString &name, int size, TFontStyles style);

    mutable std::mutex FLock;
    QHash<QString, std::shared_ptr<FontCache>> FFonts;
    FontCache *FLast = nullptr; // the font of the previous call
    QString FLastName;
    int FLastSize = 0;
    TFontStyles FLastShape;
    qint64 FMisses = 0;
};

// Fixed advances for tests: every character Advance units, a space SpaceAdvance, bold
// characters BoldExtra more; sizes scale linearly from 12 pt.
class TkavFixedTextMeasurer : public TkavTextMeasurer
{
public:
    explicit TkavFixedTextMeasurer(int advance = 50, int spaceAdvance = 50, int boldExtra = 0)
        : FAdvance(advance)
        , FSpaceAdvance(spaceAdvance)
        , FBoldExtra(boldExtra)
    {}

    void MeasureRun(const QString &name,
                    int size,
                    TFontStyles style,
                    QStringView text,
                    std::span<int> out) override;
    // Number of MeasureRun calls so far.
    qint64 Calls() const { return FCalls; }

private:
    int FAdvance;
    int FSpaceAdvance;
    int FBoldExtra;
    qint64 FCalls = 0;
};

// The process-wide Qt measurer every engine uses unless given another.
std::shared_ptr<TkavTextMeasurer> kavDefaultTextMeasurer();
