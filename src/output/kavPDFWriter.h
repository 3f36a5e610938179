#pragma once

// Completes a PDF document that Qt's PDF writer produced with what that writer cannot
// write: bookmarks, link annotations, a fixed information dictionary, subset-tagged font
// names and a document identifier derived from the content.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <map>
#include <vector>

class TStream;

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

// Reads the objects of Qt's output through its cross-reference table and writes a new,
// complete file with the same objects plus the added ones. Only the forms Qt writes are
// understood; anything else raises EkavError, never a crash.
class TkavPDFRewriter
{
public:
    // Source must stay alive while the rewriter is used.
    explicit TkavPDFRewriter(QByteArrayView Source);

    int PageCount() const { return int(FPages.size()); }
    // The page's media box size in points.
    QSizeF PageSize(int Index) const;

    // Writes the completed document to Out.
    void Write(TStream &Out,
               const TkavPDFInfo &Info,
               const std::vector<TkavPDFOutlineItem> &Outline,
               const std::vector<TkavPDFLink> &Links) const;

private:
    struct Object
    {
        qsizetype Offset = 0;
        qsizetype End = 0; // one past "endobj" and its line end
    };
    struct Page
    {
        int Number = 0;
        int Annots = 0; // the page's indirect /Annots array, 0 when it has none
        QRectF MediaBox;
    };

    QByteArrayView objectText(int Number) const;
    // The dictionary part of an object (between "obj" and any stream).
    QByteArrayView objectDict(int Number) const;
    void readXref();
    void readPages();
    // New object numbers in the order a walk from the catalog meets the objects: Qt numbers
    // some objects in an order that varies between runs, the walk does not.
    void renumber();
    // Subset tags derived from the embedded font data instead of object numbers.
    void retagFonts();
    // The tagged name for the base font of a font dictionary, or empty.
    QByteArray taggedBaseFont(const QByteArray &Dict, int Depth) const;
    // Object Number's text under its new number, references renumbered and fonts retagged.
    QByteArray rewritten(int Number) const;

    QByteArrayView FSource;
    std::map<int, Object> FObjects;
    qsizetype FXrefOffset = 0;
    int FRoot = 0;
    int FInfo = 0;
    std::vector<Page> FPages;
    std::map<int, int> FNewNumber;              // old object number -> new
    std::map<QByteArray, QByteArray> FFontNames; // "QRAAAA+Name" -> "ABCDEF+Name"
};
