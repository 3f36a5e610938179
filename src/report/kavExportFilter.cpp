#include "kavExportFilter.h"

#include <rtl/kavStreams.h>

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QList<TkavCustomExportFilter *> &filterList()
{
    static QList<TkavCustomExportFilter *> list;
    return list;
}

[[noreturn]] void invalidRange(QStringView piece)
{
    throw EkavError(u"Invalid page range: \"%1\""_s.arg(piece));
}

// number -> digit {digit}; huge values saturate (they are clamped anyway).
qint64 pageNumber(QStringView digits, QStringView piece)
{
    if (digits.isEmpty())
        invalidRange(piece);
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            invalidRange(piece);
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), qint64(1) << 40);
    }
    return value;
}

} // namespace

TkavCustomExportFilter::TkavCustomExportFilter(TkavFilterRegistration Registration)
    : FRegistered(Registration == frRegister)
{
    if (FRegistered)
        filterList().append(this);
}

TkavCustomExportFilter::~TkavCustomExportFilter()
{
    if (FRegistered)
        filterList().removeAll(this);
}

void TkavCustomExportFilter::FinishPage(TkavReportPage *, int) {}

void TkavCustomExportFilter::StartPage(TkavReportPage *, int) {}

const QList<TkavCustomExportFilter *> &kavExportFilters()
{
    return filterList();
}

TkavCustomExportFilter *kavFindExportFilter(QStringView Ext)
{
    const QStringView bare = Ext.startsWith(u'.') ? Ext.mid(1) : Ext;
    if (bare.isEmpty())
        return nullptr;
    for (TkavCustomExportFilter *filter : filterList()) {
        QStringView own = filter->DefaultExt();
        if (own.startsWith(u'.'))
            own = own.mid(1);
        if (own.compare(bare, Qt::CaseInsensitive) == 0)
            return filter;
    }
    return nullptr;
}

// pages -> piece {"," piece}; piece -> number | number "-" [number]
void kavParsePageNumbers(const QString &Text, QList<int> &List, int Count)
{
    List.clear();
    QString text = Text;
    text.remove(u' ');
    if (text.isEmpty())
        return;
    for (const QStringView piece : QStringView(text).split(u',')) {
        const qsizetype dash = piece.indexOf(u'-');
        if (dash < 0) {
            const qint64 n = pageNumber(piece, piece);
            if (n >= 1 && n <= Count)
                List.append(int(n));
            continue;
        }
        const qint64 first = pageNumber(piece.left(dash), piece);
        const QStringView tail = piece.mid(dash + 1);
        const qint64 last
            = tail.isEmpty() ? std::max<qint64>(Count, first) : pageNumber(tail, piece);
        if (last < first)
            invalidRange(piece);
        for (qint64 n = std::max<qint64>(first, 1); n <= std::min<qint64>(last, Count); ++n)
            List.append(int(n));
    }
}

void TkavCustomExportFilter::WriteFile(const QString &File,
                                       const std::function<void(TStream &)> &Write)
{
    try {
        kavWriteFileAtomically(File, Write);
    } catch (const Exception &e) {
        throw EkavError(QStringLiteral("Cannot write file \"%1\": %2").arg(File, e.Message()));
    }
    FFiles.append(File);
}

void TkavCustomExportFilter::WriteOutput(const std::function<void(TStream &)> &Write)
{
    if (FStream)
        Write(*FStream);
    else
        WriteFile(FFileName, Write);
}

QString TkavCustomExportFilter::NumberedFileName(int Index) const
{
    const QFileInfo info(FFileName);
    QString suffix = info.suffix();
    if (suffix.isEmpty())
        suffix = FDefaultExt.mid(1);
    const QString name
        = QStringLiteral("%1_%2.%3").arg(info.completeBaseName()).arg(Index + 1).arg(suffix);
    return info.path() == u"." && !FFileName.startsWith(u"./") ? name : info.path() + u'/' + name;
}
