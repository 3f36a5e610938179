// The tag language of memo texts: <b> <i> <u> <strike> <sub> <sup> <nowrap>,
// <font color="#RRGGBB">, <font color=NAME>, their closing tags, and any other tag of
// three or four characters (removed without effect). Everything else is text.

#include "kavDrawText.h"

#include <rtl/kavMath.h>

namespace {

// s has the literal tag at i, compared without case.
bool tagAt(const QString &s, qsizetype i, QStringView tag)
{
    return QStringView(s).mid(i, tag.size()).compare(tag, Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// <font color="#RRGGBB">: the colour and the tag's length, or 0.
int hexColorTag(const QString &s, qsizetype i, TColor &color)
{
    constexpr QStringView head = u"<font color=\"#";
    constexpr int length = 14 + 6 + 2; // head, six digits, closing quote and '>'
    if (!tagAt(s, i, head) || s.size() - i < length)
        return 0;
    int digits[6];
    for (int k = 0; k < 6; ++k) {
        digits[k] = hexDigit(s[i + 14 + k]);
        if (digits[k] < 0)
            return 0;
    }
    if (s[i + 20] != u'"' || s[i + 21] != u'>')
        return 0;
    color = kavRGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
    return length;
}

// <font color=NAME>: a known colour name ("cl" + NAME) and the tag's length, or 0.
int namedColorTag(const QString &s, qsizetype i, TColor &color)
{
    constexpr QStringView head = u"<font color=";
    if (!tagAt(s, i, head))
        return 0;
    const qsizetype close = s.indexOf(u'>', i + head.size());
    if (close < 0)
        return 0;
    const QStringView name = QStringView(s).mid(i + head.size(), close - i - head.size());
    if (name.isEmpty() || name.contains(u'<'))
        return 0;
    for (QChar c : name)
        if (!c.isLetterOrNumber())
            return 0;
    if (!IdentToColor(QString(QStringLiteral("cl")).append(name), color))
        return 0;
    return int(close - i + 1);
}

} // namespace

bool TkavHTMLTag::SameFormat(const TkavHTMLTag &other) const
{
    return Size == other.Size && AddY == other.AddY && Style == other.Style
           && Color == other.Color && SubType == other.SubType;
}

void TkavHTMLTagsList::Init(TColor defColor, int defSize, TFontStyles defStyle)
{
    FItems.clear();
    FDefColor = FColor = defColor;
    FDefSize = FSize = defSize;
    FDefStyle = FStyle = defStyle;
    FAddY = 0;
    FDontWRAP = false;
    FSubStyle = ssNormal;
    FPosition = 1;
}

TkavHTMLTag TkavHTMLTagsList::currentRecord() const
{
    TkavHTMLTag tag;
    tag.Position = FPosition;
    tag.Size = FSize;
    tag.AddY = FAddY;
    tag.Style = FStyle;
    tag.Color = FColor;
    tag.Small = FSize != FDefSize;
    tag.DontWRAP = FDontWRAP;
    tag.SubType = FSubStyle;
    return tag;
}

int TkavHTMLTagsList::applyTag(const QString &s, qsizetype i)
{
    // Simple switches: tag text, style bit (or -1), on/off.
    struct StyleTag
    {
        QStringView text;
        TFontStyle style;
        bool on;
    };
    static constexpr StyleTag styleTags[] = {
        {u"<b>", fsBold, true}, {u"</b>", fsBold, false},
        {u"<i>", fsItalic, true}, {u"</i>", fsItalic, false},
        {u"<u>", fsUnderline, true}, {u"</u>", fsUnderline, false},
        {u"<strike>", fsStrikeOut, true}, {u"</strike>", fsStrikeOut, false}};
    for (const StyleTag &t : styleTags)
        if (tagAt(s, i, t.text)) {
            FStyle.SetIncluded(t.style, t.on);
            return int(t.text.size());
        }
    const int small = int(kavRound(FDefSize / 1.5));
    if (tagAt(s, i, u"<sub>") || tagAt(s, i, u"<sup>")) {
        const bool sub = s[i + 3].toLower() == u'b';
        FSize = small;
        FAddY = sub ? 1 : 0;
        FSubStyle = sub ? ssSubscript : ssSuperscript;
        return 5;
    }
    if (tagAt(s, i, u"</sub>") || tagAt(s, i, u"</sup>")) {
        FSize = FDefSize;
        FAddY = 0;
        FSubStyle = ssNormal;
        return 6;
    }
    if (tagAt(s, i, u"<nowrap>") || tagAt(s, i, u"</nowrap>")) {
        FDontWRAP = s[i + 1] != u'/';
        return FDontWRAP ? 8 : 9;
    }
    TColor color;
    if (int length = hexColorTag(s, i, color); length || (length = namedColorTag(s, i, color))) {
        FColor = color;
        return length;
    }
    if (tagAt(s, i, u"</font>")) {
        FColor = FDefColor;
        return 7;
    }
    // Any other tag of three or four characters is dropped (data such as "<NA>" too).
    for (int inner : {3, 4}) {
        if (s.size() - i < inner + 2 || s[i + inner + 1] != u'>')
            continue;
        const QStringView body = QStringView(s).mid(i + 1, inner);
        if (!body.contains(u'<') && !body.contains(u'>'))
            return inner + 2;
    }
    return 0;
}

void TkavHTMLTagsList::ExpandHTMLTags(QString &s, TkavHTMLTags &tags)
{
    const size_t first = tags.size();
    QString visible;
    visible.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        if (FAllowTags && s[i] == u'<') {
            if (const int length = applyTag(s, i)) {
                i += length;
                FPosition += length;
                continue;
            }
        }
        TkavHTMLTag tag = FAllowTags ? currentRecord() : TkavHTMLTag{};
        if (!FAllowTags) {
            tag.Position = FPosition;
            tag.Size = FDefSize;
            tag.Style = FDefStyle;
            tag.Color = FDefColor;
        }
        tags.push_back(tag);
        visible.append(s[i]);
        ++i;
        ++FPosition;
    }
    // Default: same look as the previous character, or as the defaults for the first.
    TkavHTMLTag defaults;
    defaults.Size = FDefSize;
    defaults.Style = FDefStyle;
    defaults.Color = FDefColor;
    for (size_t k = first; k < tags.size(); ++k)
        tags[k].Default = tags[k].SameFormat(k == first ? defaults : tags[k - 1]);
    s = visible;
}

QString TkavDrawText::DeleteTags(const QString &txt)
{
    TkavHTMLTagsList parser;
    parser.Init(FFontColor, FFontSize, FFontStyle);
    QString text = txt;
    TkavHTMLTags scratch;
    parser.ExpandHTMLTags(text, scratch);
    return text;
}
