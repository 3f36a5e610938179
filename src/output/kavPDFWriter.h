#pragma once

// TkavPDFWriter: writes a PDF document page by page: content streams as pages are drawn,
// then embedded font subsets, bookmarks, link annotations, the information dictionary and
// a document identifier derived from the content.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QRawFont>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QPaintDevice;
class TStream;

// Appends Value in PDF's number form: at most Decimals digits after the point, trailing
// zeros left out, never "-0".
void kavPDFAppendNumber(QByteArray &Out, double Value, int Decimals = 2);

// A place in the output document: an exported page (0-based) and a distance from its top
// edge in points. A negative page means "nowhere".
struct TkavPDFDestination
{
    int Page = -1;
    double Top = 0;
};

struct TkavPDFOutlineItem
{
    QString Title;
    TkavPDFDestination Target; // Page < 0: an item without a destination
    std::vector<TkavPDFOutlineItem> Children;
};

// A link over Rect (points from the page's top left): to URI when it is set, otherwise
// to Target.
struct TkavPDFLink
{
    int Page = 0;
    QRectF Rect;
    QString URI;
    TkavPDFDestination Target;
};

struct TkavPDFInfo
{
    QString Title;
    QString Creator;
    QString Producer;
    QDateTime CreationDate; // invalid: no date is written
};

class TkavPDFCanvas;
class TkavTrueTypeFont;
class QCryptographicHash;
class QImage;

class TkavPDFWriter
{
public:
    // Out must stay alive while the writer is used; objects go out as they are complete.
    explicit TkavPDFWriter(TStream &Out);
    ~TkavPDFWriter();
    TkavPDFWriter(const TkavPDFWriter &) = delete;
    TkavPDFWriter &operator=(const TkavPDFWriter &) = delete;

    // A new page of Size points, drawn at Resolution dots per inch on the device returned
    // (valid until EndPage).
    QPaintDevice &BeginPage(QSizeF Size, int Resolution);
    void EndPage();
    int PageCount() const { return int(FPages.size()); }
    // Writes what follows the pages; the writer takes no more pages.
    void Finish(const TkavPDFInfo &Info,
                const std::vector<TkavPDFOutlineItem> &Outline,
                const std::vector<TkavPDFLink> &Links);

    // --- Resources, for the page canvas --------------------------------------------------

    struct Font
    {
        std::unique_ptr<TkavTrueTypeFont> Face; // invalid: glyphs are drawn as outlines
        QByteArray Name;                        // resource name, "F1"
        int Object = 0;
        std::set<quint32> Glyphs;
        std::vector<bool> Seen;          // by glyph: in Glyphs already (a quicker test)
        std::map<quint32, QString> Text; // glyph -> the characters it stands for
    };
    // The font of Raw (one per face, whatever its size).
    Font &FontOf(const QRawFont &Raw);
    // The resource name of Image's part Source as an image object; Key names the picture
    // (drawn again, it is stored once).
    QByteArray ImageName(const QImage &Image, const QRect &Source, qint64 Key);
    // The resource name of a graphics state with these fill and stroke opacities (0..255).
    QByteArray AlphaName(int Fill, int Stroke);

private:
    struct PageEntry
    {
        int Object = 0;
        int Content = 0;
        QSizeF Size;
    };

    int newObject();
    // Writes Body as object Number.
    void writeObject(int Number, QByteArrayView Body);
    // Writes Data as stream object Number (Dict: its entries besides the length), compressed.
    void writeStream(int Number, QByteArrayView Dict, QByteArrayView Data);
    // Writes Data, already in the form Filter decodes, as stream object Number.
    void writePacked(int Number, QByteArrayView Dict, QByteArrayView Data, QByteArrayView Filter);
    // Writes the page content being compressed, once it is.
    void finishPacking();
    void put(QByteArrayView Bytes);
    void flush();
    void writeFonts();
    QByteArray destination(const TkavPDFDestination &Target) const;

    TStream &FOut;
    QByteArray FBuffer;
    qint64 FPosition = 0;
    std::unique_ptr<QCryptographicHash> FHash;
    std::vector<qint64> FOffsets{0}; // by object number
    int FCatalog = 0;
    int FPageTree = 0;
    int FResources = 0;
    std::vector<PageEntry> FPages;
    std::unique_ptr<TkavPDFCanvas> FCanvas;
    // A page's content is compressed on another thread while the next page is drawn.
    std::future<QByteArray> FPacking;
    int FPackingObject = 0;
    std::vector<std::unique_ptr<Font>> FFonts;
    std::vector<std::pair<QRawFont, Font *>> FRawFonts; // sizes of the faces used on this page
    std::map<QString, Font *> FFaceFonts;               // face key -> font
    std::map<std::array<qint64, 5>, QByteArray> FImages; // picture and part -> name
    std::map<QByteArray, QByteArray> FImageContents;     // digest of the pixels -> name
    std::vector<std::pair<QByteArray, int>> FImageObjects;
    std::map<std::pair<int, int>, QByteArray> FAlphas;
    std::vector<std::pair<QByteArray, int>> FAlphaObjects;
    bool FFinished = false;
};
