#include "kavCodePage.h"

#include <QSysInfo>
#include <QtEndian>

#include <algorithm>

#include <array>
#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <iconv.h>

namespace {

// Windows-1252 bytes 0x80..0x9F; every other byte is its own code point. The five bytes
// the code page leaves undefined map to the C1 control of the same number, so any byte
// string survives decode + encode unchanged.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t replacementChar = 0xFFFD;
constexpr char unmappableByte = '?';

// iconv's name for the UTF-16 form QString uses in memory.
const char *utf16Name()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

// An iconv descriptor that closes itself.
class TIconv
{
public:
    TIconv(const char *to, const char *from) : FHandle(iconv_open(to, from)) {}
    ~TIconv()
    {
        if (valid())
            iconv_close(FHandle);
    }
    TIconv(const TIconv &) = delete;
    TIconv &operator=(const TIconv &) = delete;

    bool valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return FHandle; }
    void reset() { iconv(FHandle, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t FHandle;
};

// How one code page is converted: a 256-entry table for single-byte pages, else iconv.
struct TCodePageTable
{
    int codePage = kavCP_Windows1252;
    bool singleByte = true;
    QByteArray iconvName;                // multi-byte pages only
    std::array<char16_t, 256> decode{};  // single-byte pages
    std::vector<qint16> encode;          // 65536 entries: byte or -1 (single-byte pages)

    void buildEncode()
    {
        encode.assign(0x10000, -1);
        // Lower bytes win when two bytes decode to the same character.
        for (int b = 255; b >= 0; --b)
            encode[decode[size_t(b)]] = qint16(b);
    }
};

QByteArray iconvNameFor(int codePage)
{
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 1361:
        return "JOHAB";
    case 51932:
        return "EUC-JP";
    case 54936:
        return "GB18030";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    return "CP" + QByteArray::number(codePage);
}

std::unique_ptr<TCodePageTable> make1252Table()
{
    auto table = std::make_unique<TCodePageTable>();
    for (int b = 0; b < 256; ++b)
        table->decode[size_t(b)] = char16_t(b);
    for (int b = 0x80; b < 0xA0; ++b)
        table->decode[size_t(b)] = cp1252High[size_t(b - 0x80)];
    table->buildEncode();
    return table;
}

// Converts one byte through cd; returns the character, 0xFFFF when the byte is
// undefined, or -1 when it starts a multi-byte sequence.
int decodeSingleByte(TIconv &cd, uchar byte)
{
    cd.reset();
    char in = char(byte);
    char out[16];
    char *inPtr = &in;
    char *outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t rc = iconv(cd.handle(), &inPtr, &inLeft, &outPtr, &outLeft);
    if (rc == size_t(-1) && errno == EINVAL)
        return -1;
    if (rc == size_t(-1))
        return 0xFFFF;
    iconv(cd.handle(), nullptr, nullptr, &outPtr, &outLeft); // pending combining marks
    if (outPtr - out != 2)
        return 0xFFFF;
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? qFromLittleEndian<quint16>(out)
                                                          : qFromBigEndian<quint16>(out);
}

// Builds the table for codePage from iconv; null when iconv does not know the page.
std::unique_ptr<TCodePageTable> makeIconvTable(int codePage)
{
    const QByteArray name = iconvNameFor(codePage);
    TIconv cd(utf16Name(), name.constData());
    if (!cd.valid())
        return nullptr;
    auto table = std::make_unique<TCodePageTable>();
    table->codePage = codePage;
    std::array<bool, 256> undefined{};
    for (int b = 0; b < 256; ++b) {
        const int c = decodeSingleByte(cd, uchar(b));
        if (c < 0) {
            table->singleByte = false;
            table->iconvName = name;
            return table;
        }
        undefined[size_t(b)] = c == 0xFFFF;
        table->decode[size_t(b)] = undefined[size_t(b)] ? replacementChar : char16_t(c);
    }
    // Undefined bytes keep their own number when that character is otherwise unused,
    // so they survive a round trip.
    std::vector<bool> used(0x10000, false);
    for (int b = 0; b < 256; ++b)
        used[table->decode[size_t(b)]] = !undefined[size_t(b)];
    for (int b = 0; b < 256; ++b) {
        if (undefined[size_t(b)] && !used[size_t(b)])
            table->decode[size_t(b)] = char16_t(b);
    }
    table->buildEncode();
    table->encode[replacementChar] = -1;
    return table;
}

std::atomic<int> systemAnsiCodePage{kavCP_Windows1252};

// Tables live until the program ends, so the returned pointers stay valid.
const TCodePageTable *tableFor(int codePage)
{
    static std::mutex lock;
    static std::map<int, std::unique_ptr<TCodePageTable>> tables;
    std::lock_guard guard(lock);
    if (tables.empty())
        tables.emplace(kavCP_Windows1252, make1252Table());
    auto it = tables.find(codePage);
    if (it != tables.end())
        return it->second.get();
    std::unique_ptr<TCodePageTable> table;
    if (codePage > 2 && codePage != kavCP_UTF8 && codePage <= 0xFFFF)
        table = makeIconvTable(codePage);
    if (!table)
        return tables.at(kavCP_Windows1252).get(); // unknown pages read as 1252
    return tables.emplace(codePage, std::move(table)).first->second.get();
}

QString decodeMultiByte(const TCodePageTable &table, QByteArrayView bytes)
{
    TIconv cd(utf16Name(), table.iconvName.constData());
    QString result(bytes.size(), Qt::Uninitialized);
    char *inPtr = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *outPtr = reinterpret_cast<char *>(result.data());
    size_t outLeft = size_t(result.size()) * 2;
    char16_t *outStart = reinterpret_cast<char16_t *>(result.data());
    while (inLeft > 0) {
        if (iconv(cd.handle(), &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            // Never happens for byte -> UTF-16 of CJK pages; kept for safety.
            const qsizetype used = reinterpret_cast<char16_t *>(outPtr) - outStart;
            result.resize(result.size() + qsizetype(inLeft) + 4);
            outStart = reinterpret_cast<char16_t *>(result.data());
            outPtr = reinterpret_cast<char *>(outStart + used);
            outLeft = size_t(result.size() - used) * 2;
            continue;
        }
        // An invalid or truncated sequence: one replacement character per bad byte.
        if (outLeft < 2)
            break;
        *reinterpret_cast<char16_t *>(outPtr) = replacementChar;
        outPtr += 2;
        outLeft -= 2;
        ++inPtr;
        --inLeft;
        cd.reset();
    }
    result.resize(reinterpret_cast<char16_t *>(outPtr) - outStart);
    return result;
}

QByteArray encodeMultiByte(const TCodePageTable &table, QStringView text)
{
    TIconv cd(table.iconvName.constData(), utf16Name());
    QByteArray result(text.size() * 4 + 4, Qt::Uninitialized);
    char *inPtr = reinterpret_cast<char *>(const_cast<QChar *>(text.data()));
    size_t inLeft = size_t(text.size()) * 2;
    char *outPtr = result.data();
    size_t outLeft = size_t(result.size());
    while (inLeft > 0) {
        if (iconv(cd.handle(), &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG || outLeft == 0)
            break; // cannot happen: four bytes per unit is the most any page needs
        // An unmappable character (or a lone surrogate): '?' and skip it.
        *outPtr++ = unmappableByte;
        --outLeft;
        const char16_t unit = *reinterpret_cast<const char16_t *>(inPtr);
        const size_t skip = QChar::isHighSurrogate(unit) && inLeft >= 4 ? 4 : 2;
        inPtr += std::min(skip, inLeft);
        inLeft -= std::min(skip, inLeft);
        cd.reset();
    }
    iconv(cd.handle(), nullptr, nullptr, &outPtr, &outLeft);
    result.resize(outPtr - result.data());
    return result;
}

} // namespace

int kavSystemAnsiCodePage()
{
    return systemAnsiCodePage.load();
}

void kavSetSystemAnsiCodePage(int codePage)
{
    if (codePage == kavCP_ACP || codePage == kavCP_OEMCP || codePage == kavCP_MACCP)
        return;
    systemAnsiCodePage.store(kavIsCodePageKnown(codePage) ? codePage : kavCP_Windows1252);
}

int kavResolveCodePage(int codePage)
{
    switch (codePage) {
    case kavCP_ACP:
        return kavSystemAnsiCodePage();
    case kavCP_OEMCP:
        return 437;
    case kavCP_MACCP:
        return 10000;
    case kavCP_UTF8:
        return kavCP_UTF8;
    default:
        break;
    }
    const TCodePageTable *table = tableFor(codePage);
    return table ? table->codePage : kavCP_Windows1252;
}

bool kavIsCodePageKnown(int codePage)
{
    switch (codePage) {
    case kavCP_ACP:
    case kavCP_OEMCP:
    case kavCP_MACCP:
    case kavCP_UTF8:
    case kavCP_Windows1252:
        return true;
    default:
        return kavResolveCodePage(codePage) == codePage;
    }
}

QString kavCodePageToUnicode(QByteArrayView bytes, int codePage)
{
    const int cp = kavResolveCodePage(codePage);
    if (cp == kavCP_UTF8)
        return QString::fromUtf8(bytes);
    const TCodePageTable *table = tableFor(cp);
    if (!table->singleByte)
        return decodeMultiByte(*table, bytes);
    QString result(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    for (const char b : bytes)
        *out++ = table->decode[uchar(b)];
    return result;
}

QByteArray kavUnicodeToCodePage(QStringView text, int codePage)
{
    const int cp = kavResolveCodePage(codePage);
    if (cp == kavCP_UTF8)
        return text.toUtf8();
    const TCodePageTable *table = tableFor(cp);
    if (!table->singleByte)
        return encodeMultiByte(*table, text);
    QByteArray result(text.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const qint16 b = table->encode[c];
        result[n++] = b < 0 ? unmappableByte : char(b);
        // A surrogate pair is one character: one '?'.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    result.truncate(n);
    return result;
}
