#include "kavFonts.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

// Windows families reports name, with the installed twins to try in order.
struct FamilyGroup
{
    const char16_t *const *names;
    const char16_t *const *twins;
};

constexpr const char16_t *sansNames[] = {u"arial", u"helvetica", u"tahoma", u"verdana",
    u"ms sans serif", u"microsoft sans serif", u"segoe ui", u"ms shell dlg", u"ms shell dlg 2",
    u"arial narrow", u"calibri", u"trebuchet ms", nullptr};
constexpr const char16_t *serifNames[] = {u"times new roman", u"times", u"ms serif",
    u"georgia", u"cambria", nullptr};
constexpr const char16_t *monoNames[] = {u"courier new", u"courier", u"lucida console",
    u"consolas", u"fixedsys", nullptr};
constexpr const char16_t *sansTwins[] = {u"Liberation Sans", u"DejaVu Sans", nullptr};
constexpr const char16_t *serifTwins[] = {u"Liberation Serif", u"DejaVu Serif", nullptr};
constexpr const char16_t *monoTwins[] = {u"Liberation Mono", u"DejaVu Sans Mono", nullptr};

constexpr FamilyGroup groups[] = {
    {sansNames, sansTwins}, {serifNames, serifTwins}, {monoNames, monoTwins}};

QString resolveFamily(const QString &name)
{
    const QString key = name.trimmed().toLower();
    const QStringList installed = QFontDatabase::families();
    for (const FamilyGroup &group : groups) {
        bool inGroup = false;
        for (auto n = group.names; *n && !inGroup; ++n)
            inGroup = key == QStringView(*n);
        if (!inGroup)
            continue;
        for (auto t = group.twins; *t; ++t) {
            const QString twin = QString::fromUtf16(*t);
            if (installed.contains(twin, Qt::CaseInsensitive))
                return twin;
        }
    }
    return name;
}

} // namespace

QString kavSubstituteFontFamily(const QString &name)
{
    // The font database is scanned once per name: measuring asks for every run.
    static std::mutex lock;
    static QHash<QString, QString> resolved;
    // Without a GUI application there is no font database yet: answer without caching.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return name;
    std::lock_guard guard(lock);
    auto it = resolved.constFind(name);
    if (it == resolved.constEnd())
        it = resolved.insert(name, resolveFamily(name));
    return *it;
}

QFont kavToQFont(const QString &name, TFontStyles style, int pixelSize)
{
    QFont font(kavSubstituteFontFamily(name));
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(style.Contains(fsBold));
    font.setItalic(style.Contains(fsItalic));
    font.setUnderline(style.Contains(fsUnderline));
    font.setStrikeOut(style.Contains(fsStrikeOut));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

QFont kavToQFont(const TFont &font, int pixelSize)
{
    return kavToQFont(font.Name(), font.Style(), pixelSize);
}

QFont kavToQFont(const TFont &font)
{
    // A negative height is the character height; a positive one includes the internal
    // leading, which we cannot separate without the font, so it is taken as the size.
    return kavToQFont(font, std::abs(font.Height()));
}
