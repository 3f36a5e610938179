#include "kavExportImage.h"

#include <prepared/kavPreviewPages.h>
#include <rtl/kavStreams.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QSvgGenerator>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QByteArray encodeImage(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        throw EkavError(u"Cannot encode the page as %1"_s.arg(QLatin1String(format)));
    return bytes;
}

} // namespace

// --- TkavCustomImageExport ------------------------------------------------------------------

TkavCustomImageExport::TkavCustomImageExport(TkavFilterRegistration Registration)
    : TkavCustomExportFilter(Registration)
{
    SetShowDialog(false);
    SetShowProgress(false);
}

void TkavCustomImageExport::SetResolution(int Value)
{
    FResolution = std::clamp(Value, MinResolution, MaxResolution);
}

bool TkavCustomImageExport::Start()
{
    if (FileName().isEmpty())
        throw EkavError(u"No file name given for the export"_s);
    if (!PreviewPages())
        return false;
    const int count = PreviewPages()->Count();
    int pages = count;
    if (!PageNumbers().trimmed().isEmpty()) {
        QList<int> list;
        kavParsePageNumbers(PageNumbers(), list, count);
        pages = int(QSet<int>(list.begin(), list.end()).size());
    }
    FSeveralFiles = pages > 1;
    return true;
}

QString TkavCustomImageExport::PageFileName(int Index) const
{
    return FSeveralFiles ? NumberedFileName(Index) : FileName();
}

QImage TkavCustomImageExport::DrawnPage(int Index) const
{
    // White, as the preview shows a page.
    QImage image(PageDeviceSize(Index), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = qRound(FResolution / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    PreviewPages()->DrawPage(Index, &painter, Scale(), Scale(), 0, 0);
    return image;
}

QSize TkavCustomImageExport::PageDeviceSize(int Index) const
{
    const QPoint size = PreviewPages()->GetPageSize(Index);
    return QSize(std::max(1, qRound(size.x() * Scale())), std::max(1, qRound(size.y() * Scale())));
}

void TkavCustomImageExport::StartPage(TkavReportPage *, int Index)
{
    FPageData = RenderPage(Index);
}

void TkavCustomImageExport::FinishPage(TkavReportPage *, int Index)
{
    if (Failed())
        return;
    const QString name = PageFileName(Index);
    // Our atomic writer checks every write: a file cut short (a full disk, a size limit)
    // is an error, never a committed file.
    WriteFile(name, [this](TStream &stream) { stream.WriteBytes(FPageData); });
    FPageData.clear();
}

// --- the three kinds ------------------------------------------------------------------------

TkavPNGExport::TkavPNGExport(TkavFilterRegistration Registration)
    : TkavCustomImageExport(Registration)
{
    SetName(u"PNGExport"_s);
    SetDefaultExt(u".png"_s);
    SetFilterDesc(GetDescription());
}

QString TkavPNGExport::GetDescription() const
{
    return u"PNG image (*.png)"_s;
}

QByteArray TkavPNGExport::RenderPage(int Index)
{
    return encodeImage(DrawnPage(Index), "PNG", -1);
}

TkavJPEGExport::TkavJPEGExport(TkavFilterRegistration Registration)
    : TkavCustomImageExport(Registration)
{
    SetName(u"JPEGExport"_s);
    SetDefaultExt(u".jpg"_s);
    SetFilterDesc(GetDescription());
}

QString TkavJPEGExport::GetDescription() const
{
    return u"JPEG image (*.jpg)"_s;
}

void TkavJPEGExport::SetQuality(int Value)
{
    FQuality = std::clamp(Value, 0, 100);
}

QByteArray TkavJPEGExport::RenderPage(int Index)
{
    return encodeImage(DrawnPage(Index), "JPEG", FQuality);
}

TkavSVGExport::TkavSVGExport(TkavFilterRegistration Registration)
    : TkavCustomImageExport(Registration)
{
    SetName(u"SVGExport"_s);
    SetDefaultExt(u".svg"_s);
    SetFilterDesc(GetDescription());
}

QString TkavSVGExport::GetDescription() const
{
    return u"SVG drawing (*.svg)"_s;
}

QByteArray TkavSVGExport::RenderPage(int Index)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    const QSize size = PageDeviceSize(Index);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(Resolution());
    generator.setTitle(Title());
    QPainter painter;
    if (!painter.begin(&generator))
        throw EkavError(u"Cannot draw the page as SVG"_s);
    PreviewPages()->DrawPage(Index, &painter, Scale(), Scale(), 0, 0);
    painter.end();
    return bytes;
}

void kavRegisterImageExportFilters()
{
    // The list must outlive the filters, which leave it when destroyed at exit.
    kavExportFilters();
    static std::vector<std::unique_ptr<TkavCustomExportFilter>> filters;
    if (!filters.empty())
        return;
    filters.push_back(std::make_unique<TkavPNGExport>());
    filters.push_back(std::make_unique<TkavJPEGExport>());
    filters.push_back(std::make_unique<TkavSVGExport>());
}
