#include "kavUtils.h"

#include "kavRes.h"

#include <rtl/kavCodePage.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFormat.h>
#include <rtl/kavLimits.h>
#include <rtl/kavStreams.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QRectF>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Keeps a list inside one update bracket for the lifetime of the guard, also on errors.
class TkavUpdateGuard
{
public:
    explicit TkavUpdateGuard(TStrings &list) : FList(list) { FList.BeginUpdate(); }
    ~TkavUpdateGuard() { FList.EndUpdate(); }
    TkavUpdateGuard(const TkavUpdateGuard &) = delete;
    TkavUpdateGuard &operator=(const TkavUpdateGuard &) = delete;

private:
    TStrings &FList;
};

constexpr char16_t lineSeparator = 0x2028;

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar(lineSeparator);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TkavWideStrings

TkavWideStrings::~TkavWideStrings()
{
    // Detach the change handlers first: they must not see a half-destroyed list.
    SetOnChange({});
    SetOnChanging({});
    Clear();
}

int TkavWideStrings::Add(const QString &s)
{
    kavCheckListRoom(FWideStringList.size());
    Changing();
    FWideStringList.append(TkavWideStringItem{s, nullptr});
    Changed();
    return GetCount() - 1;
}

void TkavWideStrings::Insert(int index, const QString &s)
{
    if (index < 0 || index > GetCount())
        outOfBounds();
    kavCheckListRoom(FWideStringList.size());
    Changing();
    FWideStringList.insert(index, TkavWideStringItem{s, nullptr});
    Changed();
}

void TkavWideStrings::Delete(int index)
{
    if (index < 0 || index >= GetCount())
        ListIndexError(index);
    Changing();
    FWideStringList.removeAt(index);
    Changed();
}

void TkavWideStrings::Clear()
{
    if (FWideStringList.isEmpty())
        return;
    Changing();
    FWideStringList.clear();
    Changed();
}

int TkavWideStrings::IndexOf(const QString &s) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (FWideStringList[i].Text == s)
            return i;
    return -1;
}

QString TkavWideStrings::Get(int index) const
{
    if (index < 0 || index >= GetCount())
        return QString();
    return FWideStringList[index].Text;
}

TObject *TkavWideStrings::GetObject(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return FWideStringList[index].Object;
}

void TkavWideStrings::Put(int index, const QString &s)
{
    if (index == GetCount()) {
        Add(s);
        return;
    }
    if (index < 0 || index > GetCount())
        outOfBounds();
    Changing();
    FWideStringList[index].Text = s;
    Changed();
}

void TkavWideStrings::PutObject(int index, TObject *object)
{
    if (index < 0 || index >= GetCount())
        return;
    Changing();
    FWideStringList[index].Object = object;
    Changed();
}

// A line ends at CR, LF, U+2028 or the end; then one CR, one LF and one U+2028 are skipped
// in that order, so CR LF is one break and a break at the very end adds no empty line.
// A NUL ends the text.
void TkavWideStrings::SetTextStr(const QString &text)
{
    TkavUpdateGuard guard(*this);
    Clear();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const qsizetype end = nul < 0 ? text.size() : nul;
    qsizetype pos = 0;
    while (pos < end) {
        const qsizetype start = pos;
        while (pos < end && !isLineBreak(text[pos]))
            ++pos;
        Add(text.mid(start, pos - start));
        if (pos < end && text[pos] == u'\r')
            ++pos;
        if (pos < end && text[pos] == u'\n')
            ++pos;
        if (pos < end && text[pos] == QChar(lineSeparator))
            ++pos;
    }
}

// A stream holding only the byte-order mark is an empty text, not one U+FEFF character.
void TkavWideStrings::LoadFromStream(TStream &stream)
{
    const qint64 remaining = std::max<qint64>(0, stream.Size() - stream.Position());
    QByteArray bytes(remaining, Qt::Uninitialized);
    stream.ReadBuffer(bytes.data(), remaining);
    if (bytes.startsWith("\xFF\xFE"))
        bytes.remove(0, 2);
    setFromUtf16(bytes);
}

void TkavWideStrings::LoadFromWStream(TStream &stream)
{
    const qint64 remaining = std::max<qint64>(0, stream.Size() - stream.Position());
    QByteArray bytes(remaining, Qt::Uninitialized);
    stream.ReadBuffer(bytes.data(), remaining);
    setFromUtf16(bytes);
}

void TkavWideStrings::SaveToStream(TStream &stream) const
{
    stream.WriteBytes(toUtf16());
}

void TkavWideStrings::SaveToFile(const QString &fileName) const
{
    const QByteArray bytes = toUtf16();
    kavWriteFileAtomically(fileName, [&bytes](TStream &stream) { stream.WriteBytes(bytes); });
}

void TkavWideStrings::outOfBounds()
{
    throw EListError(u"Wide String Out of Bounds"_s);
}

void TkavWideStrings::setFromUtf16(const QByteArray &bytes)
{
    const qsizetype count = bytes.size() / 2;
    QString text(count, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.constData(), count, text.data());
    SetTextStr(text);
}

QByteArray TkavWideStrings::toUtf16() const
{
    const QString text = GetTextStr();
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Character sets

namespace {

struct TkavCharsetInfo
{
    int charset;
    int codePage;
    TkavLCID locale; // 0: the set has no locale of its own
};

// Font character sets with their Windows code pages and locales.
constexpr std::array<TkavCharsetInfo, 17> charsetTable = {{
    {0, 1252, 0},        // ANSI
    {2, 28591, 0},       // symbol: bytes pass through unchanged
    {128, 932, 0x0411},  // Shift-JIS: Japanese
    {129, 949, 0x0412},  // Hangeul: Korean
    {130, 1361, 0x0812}, // Johab: Korean (Johab)
    {134, 936, 0x0804},  // GB 2312: Chinese (PRC)
    {136, 950, 0x0C04},  // Big5: Chinese (Hong Kong)
    {161, 1253, 0x0408}, // Greek
    {162, 1254, 0x041F}, // Turkish
    {163, 1258, 0x042A}, // Vietnamese
    {177, 1255, 0x040D}, // Hebrew
    {178, 1256, 0x3401}, // Arabic (Kuwait)
    {186, 1257, 0x0425}, // Baltic: Estonian
    {204, 1251, 0x0419}, // Russian
    {222, 874, 0x041E},  // Thai
    {238, 1250, 0x0405}, // East European: Czech
    {255, 0, 0},         // OEM (resolved below)
}};

const TkavCharsetInfo *findCharset(int charset)
{
    const auto it = std::find_if(charsetTable.begin(), charsetTable.end(),
                                 [charset](const TkavCharsetInfo &i) { return i.charset == charset; });
    return it == charsetTable.end() ? nullptr : &*it;
}

struct TkavLocaleInfo
{
    QLocale::Language language;
    QLocale::Territory territory; // AnyTerritory: the language's usual one
    TkavLCID lcid;
};

// Locales the program meets, most common territory of a language first.
const std::array<TkavLocaleInfo, 30> localeTable = {{
    {QLocale::Portuguese, QLocale::Brazil, 0x0416},
    {QLocale::Portuguese, QLocale::Portugal, 0x0816},
    {QLocale::English, QLocale::UnitedStates, 0x0409},
    {QLocale::English, QLocale::UnitedKingdom, 0x0809},
    {QLocale::English, QLocale::Canada, 0x1009},
    {QLocale::English, QLocale::Australia, 0x0C09},
    {QLocale::Spanish, QLocale::Spain, 0x0C0A},
    {QLocale::Spanish, QLocale::Mexico, 0x080A},
    {QLocale::Spanish, QLocale::Argentina, 0x2C0A},
    {QLocale::German, QLocale::Germany, 0x0407},
    {QLocale::German, QLocale::Austria, 0x0C07},
    {QLocale::German, QLocale::Switzerland, 0x0807},
    {QLocale::French, QLocale::France, 0x040C},
    {QLocale::French, QLocale::Canada, 0x0C0C},
    {QLocale::Italian, QLocale::Italy, 0x0410},
    {QLocale::Dutch, QLocale::Netherlands, 0x0413},
    {QLocale::Polish, QLocale::Poland, 0x0415},
    {QLocale::Japanese, QLocale::Japan, 0x0411},
    {QLocale::Korean, QLocale::SouthKorea, 0x0412},
    {QLocale::Chinese, QLocale::China, 0x0804},
    {QLocale::Chinese, QLocale::HongKong, 0x0C04},
    {QLocale::Chinese, QLocale::Taiwan, 0x0404},
    {QLocale::Greek, QLocale::Greece, 0x0408},
    {QLocale::Turkish, QLocale::Turkey, 0x041F},
    {QLocale::Vietnamese, QLocale::Vietnam, 0x042A},
    {QLocale::Hebrew, QLocale::Israel, 0x040D},
    {QLocale::Arabic, QLocale::SaudiArabia, 0x0401},
    {QLocale::Estonian, QLocale::Estonia, 0x0425},
    {QLocale::Russian, QLocale::Russia, 0x0419},
    {QLocale::Thai, QLocale::Thailand, 0x041E},
}};

constexpr TkavLCID userDefaultLCID = 0x0400;

} // namespace

int kavCharsetCodePage(int charset)
{
    switch (charset) {
    case 1:
        return kavSystemAnsiCodePage();
    case 77:
        return kavCP_MACCP;
    case 255:
        return kavCP_OEMCP;
    default:
        break;
    }
    // A set without a code page of its own falls back to the system's instead of making
    // every text of such a font fail.
    const TkavCharsetInfo *info = findCharset(charset);
    return info ? info->codePage : kavSystemAnsiCodePage();
}

QString kavAnsiToWide(const QByteArray &text, int charset, int codePage)
{
    return kavCodePageToUnicode(text, codePage == 0 ? kavCharsetCodePage(charset) : codePage);
}

QByteArray kavWideToAnsi(const QString &text, int charset, int codePage)
{
    return kavUnicodeToCodePage(text, codePage == 0 ? kavCharsetCodePage(charset) : codePage);
}

TkavLCID kavCharsetLocale(int charset)
{
    const TkavCharsetInfo *info = findCharset(charset);
    return info && info->locale ? info->locale : kavThreadLocale();
}

TkavLCID kavThreadLocale()
{
    const QLocale locale;
    const TkavLocaleInfo *sameLanguage = nullptr;
    for (const TkavLocaleInfo &info : localeTable) {
        if (info.language != locale.language())
            continue;
        if (info.territory == locale.territory())
            return info.lcid;
        if (!sameLanguage)
            sameLanguage = &info;
    }
    return sameLanguage ? sameLanguage->lcid : userDefaultLCID;
}

// ---------------------------------------------------------------------------------------
// Message boxes

void kavErrorBox(const QString &text)
{
    kavUIServices().MessageDlg(text, mtError, {mbOK}, kavResourceTable().Get(u"mbError"_s));
}

TModalResult kavConfirmBox(const QString &text, TMsgDlgButtons buttons)
{
    return kavUIServices().MessageDlg(text, mtConfirmation, buttons,
                                      kavResourceTable().Get(u"mbConfirm"_s));
}

void kavInfoBox(const QString &text)
{
    kavUIServices().MessageDlg(text, mtInformation, {mbOK}, kavResourceTable().Get(u"mbInfo"_s));
}

// ---------------------------------------------------------------------------------------
// Files

QString kavTempFileName(const QString &folder)
{
    const QString dir = QDir(folder.isEmpty() ? QDir::tempPath() : folder).absolutePath();
    QByteArray path = QFile::encodeName(QDir(dir).filePath(u"kvXXXXXX"_s));
    const int fd = ::mkostemp(path.data(), O_CLOEXEC); // O_EXCL, mode 0600
    if (fd < 0)
        throw EFCreateError(u"Cannot create a temporary file in \"%1\". %2"_s.arg(dir, qt_error_string(errno)));
    ::close(fd);
    return QFile::decodeName(path);
}

QString kavProgramFileName()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(u"/proc/self/exe"_s).canonicalFilePath();
}

QString kavProgramFolder()
{
    QString folder = QFileInfo(kavProgramFileName()).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// ---------------------------------------------------------------------------------------
// Text helpers

void kavSplitString(const QString &text, const QString &separator, TStrings &list)
{
    TkavUpdateGuard guard(list);
    list.Clear();
    if (text.isEmpty())
        return;
    if (separator.isEmpty()) {
        list.Add(text);
        return;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype found = text.indexOf(separator, start);
        if (found < 0) {
            list.Add(text.mid(start));
            break;
        }
        list.Add(text.mid(start, found - start));
        start = found + separator.size();
    }
}

QString kavFloatText(double value)
{
    if (!std::isfinite(value) || std::trunc(value) == value)
        return FloatToStr(value);
    // Fixed with two decimals; 18 integer digits before the general form takes over.
    return FloatToStrF(value, ffFixed, 18, 2);
}

// ---------------------------------------------------------------------------------------
// TkavRectArea

bool TkavRectArea::InterceptsX(const TkavRectArea &a) const
{
    return a.FX < FX1 - Tolerance && a.FX1 > FX + Tolerance;
}

bool TkavRectArea::InterceptsY(const TkavRectArea &a) const
{
    return a.FY < FY1 - Tolerance && a.FY1 > FY + Tolerance;
}

std::optional<TkavRectArea> TkavRectArea::InterceptX(const TkavRectArea &a) const
{
    if (!InterceptsX(a))
        return std::nullopt;
    return TkavRectArea(Max(FX, a.FX), 0, Min(FX1, a.FX1), 0);
}

std::optional<TkavRectArea> TkavRectArea::InterceptY(const TkavRectArea &a) const
{
    if (!InterceptsY(a))
        return std::nullopt;
    return TkavRectArea(0, Max(FY, a.FY), 0, Min(FY1, a.FY1));
}

// ---------------------------------------------------------------------------------------
// Picture drawing

namespace {

// The most pixels one resampled copy may have (a poster-sized picture on a 1200 dpi
// printer would otherwise take gigabytes); beyond it the device stretches the rest.
constexpr qint64 maxScaledPixels = qint64(16) * 1024 * 1024;

QRgb toRgb(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return qRgb(kavRValue(rgb), kavGValue(rgb), kavBValue(rgb));
}

// Where a picture stretched into rect lands on the device. Full: the whole stretched
// picture in device pixels (high-density screens counted in their real pixels); Window:
// the part of it that is rendered, in the same pixels from the picture's corner; Target:
// the painter rectangle the window covers. A picture zoomed far beyond the window is
// rendered only where it can show; what is still too large is rendered coarser and
// stretched by the device.
struct TkavPlacement
{
    QSize Full;
    QRect Window;
    QRectF Target;
};

// Scales a size (and the window inside it) down to at most maxScaledPixels pixels.
void shrinkToLimit(double &w, double &h, QRectF &window)
{
    const double area = window.width() * window.height();
    if (area <= double(maxScaledPixels))
        return;
    const double f = std::sqrt(double(maxScaledPixels) / area);
    w = std::max(1.0, std::floor(w * f));
    h = std::max(1.0, std::floor(h * f));
    window = QRectF(window.topLeft() * f, window.size() * f);
}

std::optional<TkavPlacement> placement(const QPainter &canvas, const QRectF &rect)
{
    const QPaintDevice *device = canvas.device();
    const QTransform transform = canvas.combinedTransform();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    const QRectF mapped = transform.mapRect(rect);
    double w = std::max(1.0, std::round(mapped.width() * ratio));
    double h = std::max(1.0, std::round(mapped.height() * ratio));

    // Rotated, sheared or mirrored output, and pictures small enough, are rendered whole.
    const bool plainScale = transform.type() <= QTransform::TxScale && transform.m11() > 0
                            && transform.m22() > 0;
    if (!device || !plainScale || w * h <= double(maxScaledPixels)) {
        QRectF window(0, 0, w, h);
        shrinkToLimit(w, h, window);
        return TkavPlacement{QSize(int(w), int(h)), QRect(0, 0, int(w), int(h)), rect};
    }

    QRectF visible = mapped & QRectF(0, 0, device->width(), device->height());
    if (canvas.hasClipping())
        visible &= transform.mapRect(canvas.clipBoundingRect());
    if (visible.isEmpty())
        return std::nullopt;
    const double kx = w / mapped.width(); // device pixels per mapped unit
    const double ky = h / mapped.height();
    QRectF window(QPointF(std::floor((visible.left() - mapped.left()) * kx),
                          std::floor((visible.top() - mapped.top()) * ky)),
                  QPointF(std::ceil((visible.right() - mapped.left()) * kx),
                          std::ceil((visible.bottom() - mapped.top()) * ky)));
    const double fullW = w;
    const double fullH = h;
    shrinkToLimit(w, h, window);
    const double fx = w / fullW; // below 1 when the visible part alone is still too large
    const double fy = h / fullH;
    const QRect pixels = QRect(int(std::floor(window.left())), int(std::floor(window.top())),
                               int(std::ceil(window.width())), int(std::ceil(window.height())))
                         & QRect(0, 0, int(w), int(h));
    if (pixels.isEmpty())
        return std::nullopt;
    const QRectF covered(mapped.left() + pixels.left() / (kx * fx), mapped.top() + pixels.top() / (ky * fy),
                         pixels.width() / (kx * fx), pixels.height() / (ky * fy));
    return TkavPlacement{QSize(int(w), int(h)), pixels, transform.inverted().mapRect(covered)};
}

// The window of source stretched to the full size: smoothly (averaging areas when
// shrinking, blending neighbours when enlarging) or by repeating pixels.
QImage resample(const QImage &source, const TkavPlacement &place, bool smooth)
{
    if (place.Window == QRect(QPoint(0, 0), place.Full))
        return source.scaled(place.Full, Qt::IgnoreAspectRatio,
                             smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    QImage window(place.Window.size(), source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                : QImage::Format_RGB32);
    window.fill(Qt::transparent);
    QPainter painter(&window);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.translate(-place.Window.x(), -place.Window.y());
    painter.scale(double(place.Full.width()) / source.width(), double(place.Full.height()) / source.height());
    painter.drawImage(0, 0, source);
    return window;
}

// Stretches image into rect: smoothly (resampled to the device's pixels first) or by
// plain pixel repetition.
void drawStretched(QPainter &canvas, const QRectF &rect, const QImage &image, bool smooth)
{
    const bool wasSmooth = canvas.testRenderHint(QPainter::SmoothPixmapTransform);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (!smooth)
        canvas.drawImage(rect, image);
    else if (const std::optional<TkavPlacement> place = placement(canvas, rect))
        canvas.drawImage(place->Target, resample(image, *place, true));
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, wasSmooth);
}

bool paintable(const QPainter &canvas, const QRectF &rect, const QImage &image)
{
    return canvas.isActive() && !image.isNull() && rect.width() > 0 && rect.height() > 0;
}

} // namespace

void kavPaintPicture(QPainter &canvas,
                     const QRectF &rect,
                     const QImage &graphic,
                     TColor transparentColor,
                     bool transparent,
                     bool highQuality,
                     bool printing)
{
    QBrush brush = canvas.brush();
    brush.setColor(Qt::white);
    canvas.setBrush(brush);
    if (!paintable(canvas, rect, graphic))
        return;

    const bool plainBitmap = !graphic.hasAlphaChannel();
    const bool keyed = transparent && transparentColor != clNone;
    if (printing || (transparent && !plainBitmap) || highQuality) {
        // Compose the picture over the transparent colour, so its own transparent parts
        // take that colour and the mask removes them too.
        QImage composed(graphic.size(), QImage::Format_RGB32);
        composed.fill(transparentColor != clNone ? QColor(toRgb(transparentColor)) : QColor(Qt::white));
        {
            QPainter painter(&composed);
            painter.drawImage(0, 0, graphic);
        }
        if (keyed)
            kavPaintMasked(canvas, rect, composed, printing, transparentColor);
        else
            drawStretched(canvas, rect, composed, true);
        return;
    }
    if (keyed)
        kavPaintMasked(canvas, rect, graphic, false, transparentColor);
    else
        drawStretched(canvas, rect, graphic, false);
}

void kavPaintMasked(QPainter &canvas,
                    const QRectF &rect,
                    const QImage &bitmap,
                    bool /*useDIB*/,
                    TColor transparentColor)
{
    if (!paintable(canvas, rect, bitmap))
        return;
    const std::optional<TkavPlacement> place = placement(canvas, rect);
    if (!place)
        return;
    const QRgb key = toRgb(transparentColor) & RGB_MASK;
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const bool ownAlpha = bitmap.hasAlphaChannel();

    // Key pixels become fully transparent before resampling, so in premultiplied form
    // they add no colour: opaque pixels next to them get no fringe of the key colour.
    QImage keyed = source;
    for (int y = 0; y < keyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
    }
    QImage target = resample(keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied), *place,
                             bitmap.depth() != 1)
                        .convertToFormat(QImage::Format_ARGB32);

    // The mask is sampled from the unscaled bitmap at each target pixel's nearest source
    // pixel, so the transparent area keeps hard edges whatever the resampling did.
    const qint64 sw = source.width();
    const qint64 sh = source.height();
    const qint64 fw = place->Full.width();
    const qint64 fh = place->Full.height();
    for (int y = 0; y < target.height(); ++y) {
        const qint64 fy = y + place->Window.y();
        const qint64 sy = std::min(sh - 1, (2 * fy + 1) * sh / (2 * fh));
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(int(sy)));
        auto *out = reinterpret_cast<QRgb *>(target.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            const qint64 fx = x + place->Window.x();
            const qint64 sx = std::min(sw - 1, (2 * fx + 1) * sw / (2 * fw));
            if ((in[sx] & RGB_MASK) == key)
                out[x] = 0;
            else if (qAlpha(out[x]) == 0 && !ownAlpha)
                out[x] = in[sx] | 0xFF000000u; // resampling left nothing: the pixel itself
            else if (!ownAlpha)
                out[x] |= 0xFF000000u;
        }
    }
    canvas.drawImage(place->Target, target);
}
