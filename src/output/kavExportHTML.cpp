#include "kavExportHTML.h"

#include <persist/kavXML.h>
#include <prepared/kavFonts.h>
#include <prepared/kavPaintUtils.h>
#include <prepared/kavPreviewPages.h>
#include <report/kavFrames.h>
#include <report/kavPages.h>
#include <report/kavReport.h>
#include <report/kavReportOptions.h>
#include <report/kavViews.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The largest image one object may become, in bytes (4 per pixel).
constexpr qint64 maxPictureBytes = qint64(64) * 1024 * 1024;

// A CSS length in pixels with at most two decimals ("12", "12.5").
QString px(double value)
{
    QString text = QString::number(std::round(value * 100) / 100, 'f', 2);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text == u"-0")
        text = u"0"_s;
    return text + u"px"_s;
}

// "#rrggbb"; empty for colours that paint nothing.
QString cssColor(TColor color)
{
    if (color == clNone || color == clDefault)
        return {};
    const QColor c = kavColorToQColor(color);
    return u"#%1%2%3"_s.arg(c.red(), 2, 16, QLatin1Char('0')).arg(c.green(), 2, 16, QLatin1Char('0')).arg(c.blue(), 2, 16, QLatin1Char('0'));
}

QString position(double left, double top, double width, double height)
{
    return u"left:%1;top:%2;width:%3;height:%4;"_s.arg(px(left), px(top), px(width), px(height));
}

QString cssLineStyle(TkavFrameStyle style)
{
    switch (style) {
    case fsSolid:
        return u"solid"_s;
    case fsDash:
    case fsDashDot:
    case fsDashDotDot:
        return u"dashed"_s;
    case fsDot:
    case fsAltDot:
    case fsSquare:
        return u"dotted"_s;
    case fsDouble:
        return u"double"_s;
    }
    return u"solid"_s;
}

// The frame's sides as CSS borders, and its drop shadow.
QString frameCss(const TkavFrame &frame)
{
    QString css;
    const struct
    {
        TkavFrameType type;
        const TkavFrameLine &line;
        const char16_t *side;
    } sides[] = {{ftLeft, frame.LeftLine(), u"left"},
                 {ftTop, frame.TopLine(), u"top"},
                 {ftRight, frame.RightLine(), u"right"},
                 {ftBottom, frame.BottomLine(), u"bottom"}};
    for (const auto &s : sides) {
        const QString color = cssColor(s.line.Color());
        if (!frame.Typ().Contains(s.type) || color.isEmpty() || s.line.Width() <= 0)
            continue;
        // A double line needs room for two strokes and the gap between them.
        const double width = s.line.Style() == fsDouble ? std::max(3.0, s.line.Width() * 3)
                                                        : s.line.Width();
        css += u"border-%1:%2 %3 %4;"_s.arg(QString::fromUtf16(s.side), px(width),
                                            cssLineStyle(s.line.Style()), color);
    }
    const QString shadow = cssColor(frame.ShadowColor());
    if (frame.DropShadow() && !shadow.isEmpty())
        css += u"box-shadow:%1 %1 0 %2;"_s.arg(px(frame.ShadowWidth()), shadow);
    return css;
}

// A family name reduced to characters that cannot end the CSS value or the attribute.
QString cssFamily(const QString &name)
{
    QString clean;
    for (const QChar c : name)
        if (c.isLetterOrNumber() || c == u' ' || c == u'-' || c == u'_' || c == u'.')
            clean += c;
    return clean.trimmed();
}

QString fontCss(const TFont &font)
{
    QString css;
    const QString family = cssFamily(font.Name());
    const QString installed = cssFamily(kavSubstituteFontFamily(font.Name()));
    css += u"font-family:"_s;
    if (!family.isEmpty())
        css += u"'%1',"_s.arg(family);
    if (!installed.isEmpty() && installed != family)
        css += u"'%1',"_s.arg(installed);
    css += u"sans-serif;"_s;
    css += u"font-size:%1;"_s.arg(px(std::max(1, std::abs(font.Height()))));
    if (font.Style().Contains(fsBold))
        css += u"font-weight:bold;"_s;
    if (font.Style().Contains(fsItalic))
        css += u"font-style:italic;"_s;
    QStringList decoration;
    if (font.Style().Contains(fsUnderline))
        decoration << u"underline"_s;
    if (font.Style().Contains(fsStrikeOut))
        decoration << u"line-through"_s;
    if (!decoration.isEmpty())
        css += u"text-decoration:%1;"_s.arg(decoration.join(u' '));
    const QString color = cssColor(font.Color());
    if (!color.isEmpty())
        css += u"color:%1;"_s.arg(color);
    return css;
}

QByteArray encodePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw EkavError(u"Cannot encode a picture as PNG"_s);
    return bytes;
}

bool fullyTransparent(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0)
                return false;
    }
    return true;
}

// A transparent image covering area (report pixels) at scale, reduced when it would be
// larger than maxPictureBytes.
QImage blankImage(const QRectF &area, double &scale)
{
    const double pixels = area.width() * area.height() * scale * scale * 4;
    if (pixels > double(maxPictureBytes))
        scale *= std::sqrt(double(maxPictureBytes) / pixels);
    const int w = std::max(1, int(std::ceil(area.width() * scale)));
    const int h = std::max(1, int(std::ceil(area.height() * scale)));
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const int dotsPerMeter = qRound(96 * scale / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// An anchor name as an id: letters, digits and "-" kept, every other UTF-8 byte as "_xx",
// so that different names never share an id and the id needs no escaping in a link.
QString anchorId(const QString &name)
{
    QString id = u"anchor-"_s;
    for (const char byte : kavLowerCase(name).toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')
            id += QLatin1Char(char(c));
        else
            id += u"_%1"_s.arg(uint(c), 2, 16, QLatin1Char('0'));
    }
    return id;
}

// A file name as a relative link.
QString fileLink(const QString &fileName)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(fileName).fileName()));
}

QStringList memoLines(TkavCustomMemoView &memo)
{
    // Tags a memo may interpret are removed, never passed on as markup.
    QString text = memo.AllowHTMLTags() ? memo.WrapText(false) : memo.GetComponentText();
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

// The styles shared by every document.
constexpr char16_t documentStyle[] = uR"(
body{margin:0;padding:8px 0;background:#e0e0e0;}
.page{position:relative;overflow:hidden;margin:0 auto 8px auto;background:#ffffff;box-shadow:0 0 4px #808080;break-after:page;page-break-after:always;}
.page:last-child{break-after:auto;page-break-after:auto;}
.page .t,.page .o,.page .anchor{position:absolute;box-sizing:border-box;margin:0;}
.page .t{overflow:hidden;display:flex;flex-direction:column;}
.page .t>div{overflow-wrap:break-word;}
.nav{text-align:center;font-family:sans-serif;font-size:14px;margin:4px 0 8px 0;}
.nav a,.nav span{margin:0 8px;}
.nav span{color:#808080;}
@media print{body{background:none;padding:0;}.page{margin:0;box-shadow:none;}.nav{display:none;}}
)";

} // namespace

// --- the filter ----------------------------------------------------------------------------

TkavHTMLExport::TkavHTMLExport(TkavFilterRegistration Registration)
    : TkavCustomExportFilter(Registration)
{
    SetName(u"HTMLExport"_s);
    SetDefaultExt(u".html"_s);
    SetFilterDesc(GetDescription());
    SetShowDialog(false);
    SetShowProgress(false);
}

TkavHTMLExport::~TkavHTMLExport() = default;

QString TkavHTMLExport::GetDescription() const
{
    return u"HTML document (*.html)"_s;
}

QString TkavHTMLExport::EscapeText(QStringView Text)
{
    QString out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) {
            out += c;
            out += Text[++i];
            continue;
        }
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF || (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r'))
            continue; // not allowed in XML
        switch (u) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&#39;";
            break;
        case u'\r':
            out += u"&#13;"; // kept through XML's line-end normalisation
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString TkavHTMLExport::SafeURL(const QString &Value)
{
    // Browsers drop tabs and line breaks anywhere in a URL and trim controls and spaces at
    // its ends before reading the scheme: "java\nscript:" is still a script link.
    QString url;
    for (const QChar c : Value)
        if (c != u'\t' && c != u'\n' && c != u'\r')
            url += c;
    qsizetype start = 0;
    qsizetype end = url.size();
    while (start < end && url[start].unicode() <= 0x20)
        ++start;
    while (end > start && url[end - 1].unicode() <= 0x20)
        --end;
    url = url.mid(start, end - start);
    if (url.isEmpty())
        return {};
    // Backslashes count as slashes in browsers: "\\host" would leave the document's site.
    if (url.startsWith(u"//") || url.startsWith(u"\\\\") || url.startsWith(u"/\\")
        || url.startsWith(u"\\/"))
        return {};
    static const QRegularExpression scheme(u"^([A-Za-z][A-Za-z0-9+.\\-]*):"_s);
    const QRegularExpressionMatch match = scheme.match(url);
    if (match.hasMatch()) {
        const QString name = match.captured(1).toLower();
        if (name != u"http" && name != u"https" && name != u"mailto")
            return {};
    } else {
        // Without a scheme, a ":" before the first "/", "?" or "#" would still be read as
        // one by some parsers; refuse it.
        const qsizetype colon = url.indexOf(u':');
        if (colon >= 0) {
            const QStringView head = QStringView(url).left(colon);
            if (!head.contains(u'/') && !head.contains(u'?') && !head.contains(u'#'))
                return {};
        }
    }
    return url;
}

QString TkavHTMLExport::PageFileName(int Index) const
{
    return FSeveralFiles ? NumberedFileName(Index) : FileName();
}

QString TkavHTMLExport::PicturesFolder() const
{
    const QFileInfo info(FileName());
    const QString name = info.completeBaseName() + u"_files"_s;
    return info.path() == u"." && !FileName().startsWith(u"./") ? name : info.path() + u'/' + name;
}

// --- working files -------------------------------------------------------------------------

void TkavHTMLExport::reset()
{
    FDocument.reset();
    FWorkDir.reset(); // removes whatever was not moved into place
    FPending.clear();
    FExportedPages.clear();
    FAnchors.clear();
    FAnchorTargets.clear();
    FPageBody.clear();
    FPageBackground.clear();
    FPictureCount = 0;
    FPendingCount = 0;
}

std::unique_ptr<QFile> TkavHTMLExport::openPending(const QString &Target)
{
    const QString name = u"f%1"_s.arg(++FPendingCount);
    auto file = std::make_unique<QFile>(FWorkDir->filePath(name));
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EkavError(u"Cannot write file \"%1\": %2"_s.arg(Target, file->errorString()));
    FPending.append(PendingFile{name, Target});
    return file;
}

void TkavHTMLExport::writeBytes(QFile &File, const QByteArray &Bytes)
{
    if (File.write(Bytes) != Bytes.size()) {
        const QString target = FPending.isEmpty() ? FileName() : FPending.last().Target;
        throw EkavError(u"Cannot write file \"%1\": %2"_s.arg(target, File.errorString()));
    }
}

void TkavHTMLExport::closePending(std::unique_ptr<QFile> File)
{
    const bool flushed = File->flush();
    File->close();
    if (!flushed || File->error() != QFileDevice::NoError) {
        const QString name = QFileInfo(File->fileName()).fileName();
        QString target = FileName();
        for (const PendingFile &p : std::as_const(FPending))
            if (p.Name == name)
                target = p.Target;
        throw EkavError(u"Cannot write file \"%1\": %2"_s.arg(target, File->errorString()));
    }
}

void TkavHTMLExport::commitPending()
{
    const QString pictures = PicturesFolder();
    const bool anyPicture = std::any_of(FPending.begin(), FPending.end(), [&](const PendingFile &p) {
        return p.Target.startsWith(pictures + u'/');
    });
    if (anyPicture && !QDir().mkpath(pictures))
        throw EkavError(u"Cannot write file \"%1\": the folder cannot be created"_s.arg(pictures));
    // Pictures first: a document never lands before the pictures it shows.
    QStringList documents;
    QStringList pictureFiles;
    for (int pass = 0; pass < 2; ++pass) {
        for (const PendingFile &p : std::as_const(FPending)) {
            const bool picture = p.Target.startsWith(pictures + u'/');
            if (picture != (pass == 0))
                continue;
            const QString source = FWorkDir->filePath(p.Name);
            if (p.Target.isEmpty()) { // the caller's stream
                QFile file(source);
                if (!file.open(QIODevice::ReadOnly))
                    throw EkavError(u"Cannot read the exported document: %1"_s.arg(file.errorString()));
                while (!file.atEnd())
                    Stream()->WriteBytes(file.read(1 << 16));
                continue;
            }
            std::error_code error;
            std::filesystem::rename(QFile::encodeName(source).toStdString(),
                                    QFile::encodeName(p.Target).toStdString(), error);
            if (error)
                throw EkavError(u"Cannot write file \"%1\": %2"_s.arg(
                    p.Target, QString::fromLocal8Bit(error.message())));
            (picture ? pictureFiles : documents).append(p.Target);
        }
    }
    Files().append(documents);
    Files().append(pictureFiles);
}

// --- the export run ------------------------------------------------------------------------

bool TkavHTMLExport::Start()
{
    reset();
    Files().clear();
    if (FileName().isEmpty() && !Stream())
        throw EkavError(u"No file name given for the export"_s);
    if (!PreviewPages())
        return false;
    const int count = PreviewPages()->Count();
    if (PageNumbers().trimmed().isEmpty()) {
        for (int i = 0; i < count; ++i)
            FExportedPages.append(i);
    } else {
        QList<int> list;
        kavParsePageNumbers(PageNumbers(), list, count);
        const QSet<int> unique(list.begin(), list.end());
        for (const int number : unique)
            FExportedPages.append(number - 1);
        std::sort(FExportedPages.begin(), FExportedPages.end());
    }
    // Without a file name there is nowhere to put picture files or further pages.
    FUseMultipage = FMultipage && !FileName().isEmpty();
    FUseEmbed = FEmbedPictures || FileName().isEmpty();
    FSeveralFiles = FUseMultipage && FExportedPages.size() > 1;
    collectAnchors();

    // Everything is written to a private folder beside the target first.
    const QString target = FileName().isEmpty() ? QDir::tempPath() + u"/x"_s : FileName();
    const QFileInfo info(target);
    FWorkDir = std::make_unique<QTemporaryDir>(info.absolutePath() + u"/.kvhtml-XXXXXX"_s);
    if (!FWorkDir->isValid()) {
        const QString error = FWorkDir->errorString();
        FWorkDir.reset();
        throw EkavError(u"Cannot write file \"%1\": %2"_s.arg(FileName(), error));
    }
    if (!FUseMultipage) {
        FDocument = openPending(FileName().isEmpty() ? QString() : FileName());
        writeBytes(*FDocument, documentHead().toUtf8());
    }
    return true;
}

void TkavHTMLExport::collectAnchors()
{
    auto *store = dynamic_cast<TkavPreviewPages *>(PreviewPages());
    if (!store)
        return;
    TkavXMLItem *root = store->XMLDoc().Root();
    const int at = root ? root->Find(u"anchors") : -1;
    if (at < 0)
        return;
    const TkavXMLItem &anchors = *root->Items(at);
    // The last anchor of a name wins, as the preview finds them.
    for (int i = 0; i < anchors.Count(); ++i) {
        const TkavXMLItem &item = *anchors.Items(i);
        const QString name = item.GetProp(u"text");
        FAnchorTargets.insert(kavLowerCase(name),
                              {item.GetProp(u"page").toInt(), anchorId(name)});
    }
    for (auto it = FAnchorTargets.cbegin(); it != FAnchorTargets.cend(); ++it) {
        int top = 0;
        for (int i = anchors.Count() - 1; i >= 0; --i)
            if (kavLowerCase(anchors.Items(i)->GetProp(u"text")) == it.key()) {
                top = anchors.Items(i)->GetProp(u"top").toInt();
                break;
            }
        FAnchors[it->first].append(PageAnchor{it->second, top});
    }
}

void TkavHTMLExport::StartPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::StartPage(Page, Index);
    FPageBody.clear();
    FPageBackground.clear();
}

void TkavHTMLExport::ExportObject(TkavComponent *Obj)
{
    auto *view = dynamic_cast<TkavView *>(Obj);
    if (!view || !view->Visible())
        return;
    if (!view->Parent() && view->Name() == u"_pagebackground") {
        exportBackground(*view);
        return;
    }
    auto *memo = dynamic_cast<TkavCustomMemoView *>(view);
    const QString element = memo && memo->Rotation() == 0 ? memoElement(*memo)
                                                           : drawnElement(*view);
    if (element.isEmpty())
        return;
    const QString href = hyperlinkHref(*view);
    if (href.isEmpty())
        FPageBody += element;
    else
        FPageBody += u"<a href=\"%1\">%2</a>"_s.arg(EscapeText(href), element);
    FPageBody += u'\n';
}

void TkavHTMLExport::exportBackground(TkavView &Background)
{
    const QString color = cssColor(Background.Color());
    if (!color.isEmpty())
        FPageBackground = u"background-color:%1;"_s.arg(color);
    auto *picture = dynamic_cast<TkavPictureView *>(&Background);
    const bool hasPicture = picture && !picture->Picture().IsEmpty();
    if (!hasPicture && Background.Frame().Typ().IsEmpty())
        return;
    // The colour is the block's; the picture and frame are drawn over the printable area.
    const TColor saved = Background.Color();
    Background.SetColor(clNone);
    FPageBody += drawnElement(Background) + u'\n';
    Background.SetColor(saved);
}

QString TkavHTMLExport::memoElement(TkavCustomMemoView &Memo)
{
    QString style = position(Memo.AbsLeft(), Memo.AbsTop(), Memo.Width(), Memo.Height());
    style += frameCss(Memo.Frame());
    const TkavCustomFill &fill = Memo.Fill();
    const auto *brush = dynamic_cast<const TkavBrushFill *>(&fill);
    if (brush && brush->Style() == bsSolid) {
        const QString color = cssColor(brush->BackColor());
        if (!color.isEmpty())
            style += u"background-color:%1;"_s.arg(color);
    } else if (!brush || brush->Style() != bsClear) {
        // Hatches, gradients and glass: the fill drawn as it is in the preview.
        const QRectF area(0, 0, Memo.Width(), Memo.Height());
        double scale = PictureScale;
        QImage image = blankImage(area, scale);
        {
            QPainter painter(&image);
            fill.Draw(painter, 0, 0, image.width(), image.height(), scale, scale);
        }
        style += u"background-image:url(%1);background-size:100% 100%;"_s.arg(pictureSource(image));
    }
    style += u"padding:%1 %2;"_s.arg(px(Memo.GapY()), px(Memo.GapX()));
    switch (Memo.VAlign()) {
    case vaTop:
        style += u"justify-content:flex-start;"_s;
        break;
    case vaCenter:
        style += u"justify-content:center;"_s;
        break;
    case vaBottom:
        style += u"justify-content:flex-end;"_s;
        break;
    }
    style += fontCss(Memo.Font());
    const QFontMetricsF metrics(kavToQFont(Memo.Font()));
    style += u"line-height:%1;"_s.arg(px(metrics.height() + Memo.LineSpacing()));
    static const char16_t *const aligns[] = {u"left", u"right", u"center", u"justify"};
    style += u"text-align:%1;"_s.arg(QString::fromUtf16(aligns[std::clamp(int(Memo.HAlign()), 0, 3)]));
    style += Memo.WordWrap() ? u"white-space:pre-wrap;"_s : u"white-space:pre;"_s;
    if (!Memo.Clipped())
        style += u"overflow:visible;"_s;

    QStringList lines;
    for (const QString &line : memoLines(Memo))
        lines.append(EscapeText(line));
    QString attributes = u" class=\"t\" style=\"%1\""_s.arg(EscapeText(style));
    if (Memo.RTLReading())
        attributes += u" dir=\"rtl\""_s;
    if (Memo.ShowHint() && !Memo.Hint().isEmpty())
        attributes += u" title=\"%1\""_s.arg(EscapeText(Memo.Hint()));
    return u"<div%1><div>%2</div></div>"_s.arg(attributes, lines.join(u"<br/>"_s));
}

QString TkavHTMLExport::drawnElement(TkavView &View)
{
    // Room around the object for frame lines, arrow heads and shadows drawn outside it.
    const TkavFrame &frame = View.Frame();
    double pad = 2 + std::max({frame.Width(), frame.LeftLine().Width(), frame.TopLine().Width(),
                               frame.RightLine().Width(), frame.BottomLine().Width()});
    if (frame.DropShadow())
        pad += frame.ShadowWidth();
    if (const auto *line = dynamic_cast<const TkavCustomLineView *>(&View))
        pad += std::max(line->ArrowWidth(), line->ArrowLength());
    const QRectF bounds = QRectF(View.AbsLeft(), View.AbsTop(), View.Width(), View.Height()).normalized();
    const QRectF area = bounds.adjusted(-pad, -pad, pad, pad);
    double scale = PictureScale;
    QImage image = blankImage(area, scale);
    {
        QPainter painter(&image);
        View.Draw(&painter, scale, scale, -area.left() * scale, -area.top() * scale);
    }
    if (fullyTransparent(image))
        return {};
    QString element = u"<img class=\"o\" alt=\"\" src=\"%1\" style=\"%2\""_s.arg(
        EscapeText(pictureSource(image)),
        EscapeText(position(area.left(), area.top(), image.width() / scale, image.height() / scale)));
    if (View.ShowHint() && !View.Hint().isEmpty())
        element += u" title=\"%1\""_s.arg(EscapeText(View.Hint()));
    return element + u"/>"_s;
}

QString TkavHTMLExport::pictureSource(const QImage &Image)
{
    const QByteArray png = encodePng(Image);
    if (FUseEmbed)
        return u"data:image/png;base64,"_s + QString::fromLatin1(png.toBase64());
    const QString name = u"img%1.png"_s.arg(++FPictureCount);
    std::unique_ptr<QFile> file = openPending(PicturesFolder() + u'/' + name);
    writeBytes(*file, png);
    closePending(std::move(file));
    return fileLink(PicturesFolder()) + u'/' + name;
}

QString TkavHTMLExport::hyperlinkHref(const TkavView &View) const
{
    const TkavHyperlink &link = View.Hyperlink();
    const QString value = link.Value().trimmed();
    if (value.isEmpty())
        return {};
    switch (link.Kind()) {
    case hkURL:
        return SafeURL(value);
    case hkAnchor:
        return anchorLink(value);
    case hkPageNumber: {
        bool ok = false;
        const int number = value.toInt(&ok);
        return ok ? pageLink(number) : QString();
    }
    default:
        return {};
    }
}

QString TkavHTMLExport::pageLink(int PageNumber) const
{
    if (!FExportedPages.contains(PageNumber - 1))
        return {};
    const QString fragment = u"#page%1"_s.arg(PageNumber);
    return FSeveralFiles ? fileLink(PageFileName(PageNumber - 1)) + fragment : fragment;
}

QString TkavHTMLExport::anchorLink(const QString &Name) const
{
    const auto it = FAnchorTargets.constFind(kavLowerCase(Name));
    if (it == FAnchorTargets.cend() || !FExportedPages.contains(it->first))
        return {};
    const QString fragment = u'#' + it->second;
    return FSeveralFiles ? fileLink(PageFileName(it->first)) + fragment : fragment;
}

QString TkavHTMLExport::documentHead() const
{
    QString title = Title();
    if (title.isEmpty() && Report())
        title = Report()->ReportOptions().Name();
    if (title.isEmpty() && !FileName().isEmpty())
        title = QFileInfo(FileName()).completeBaseName();
    QString head = u"<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
                   "<meta charset=\"utf-8\"/>\n"_s;
    head += u"<meta name=\"generator\" content=\"Kavrel\"/>\n"_s;
    head += u"<title>%1</title>\n"_s.arg(EscapeText(title));
    head += u"<style>"_s + QString::fromUtf16(documentStyle) + u"</style>\n</head>\n<body>\n"_s;
    return head;
}

QString TkavHTMLExport::documentTail() const
{
    return u"</body>\n</html>\n"_s;
}

QString TkavHTMLExport::navigation(int Index) const
{
    const qsizetype at = FExportedPages.indexOf(Index);
    const auto item = [this](const char16_t *caption, qsizetype slot, bool enabled) {
        if (!enabled)
            return u"<span>%1</span>"_s.arg(QString::fromUtf16(caption));
        return u"<a href=\"%1\">%2</a>"_s.arg(
            EscapeText(fileLink(PageFileName(FExportedPages[slot]))), QString::fromUtf16(caption));
    };
    const qsizetype last = FExportedPages.size() - 1;
    return u"<div class=\"nav\">"_s + item(u"First", 0, at > 0) + item(u"Previous", at - 1, at > 0)
           + item(u"Next", at + 1, at < last) + item(u"Last", last, at < last) + u"</div>\n"_s;
}

void TkavHTMLExport::FinishPage(TkavReportPage *Page, int Index)
{
    TkavCustomExportFilter::FinishPage(Page, Index);
    if (Failed())
        return;
    const QPoint size = PreviewPages()->GetPageSize(Index);
    QString block = u"<div class=\"page\" id=\"page%1\" style=\"%2\">\n"_s.arg(
        QString::number(Index + 1),
        EscapeText(u"width:%1;height:%2;"_s.arg(px(size.x()), px(size.y())) + FPageBackground));
    const double top = Page ? Page->Top() : 0;
    for (const PageAnchor &anchor : FAnchors.value(Index))
        block += u"<a class=\"anchor\" id=\"%1\" style=\"left:0;top:%2;\"></a>\n"_s.arg(
            anchor.Id, px(top + anchor.Top));
    block += FPageBody + u"</div>\n"_s;
    FPageBody.clear();
    if (!FUseMultipage) {
        writeBytes(*FDocument, block.toUtf8());
        return;
    }
    std::unique_ptr<QFile> file = openPending(PageFileName(Index));
    const QString nav = FSeveralFiles ? navigation(Index) : QString();
    writeBytes(*file, (documentHead() + nav + block + nav + documentTail()).toUtf8());
    closePending(std::move(file));
}

void TkavHTMLExport::Finish()
{
    if (Failed() || !FWorkDir) {
        reset();
        return;
    }
    try {
        if (FDocument) {
            writeBytes(*FDocument, documentTail().toUtf8());
            closePending(std::move(FDocument));
        }
        commitPending();
    } catch (...) {
        reset();
        throw;
    }
    reset();
}

void kavRegisterHTMLExportFilter()
{
    kavExportFilters(); // the list outlives the filter, which leaves it at exit
    static std::unique_ptr<TkavHTMLExport> html;
    if (!html)
        html = std::make_unique<TkavHTMLExport>();
}
