#pragma once

// TkavSet: a set of enumeration values kept as a bit mask with bit (1 << ordinal), the
// form files store. Never QFlags: its bit layout would silently differ from the files'.

#include <QString>
#include <QStringView>

#include <initializer_list>

// The one format rule for set masks in text: unsigned decimal. The reader accepts an
// optional sign so masks written as negative 32-bit numbers still read; anything that is
// not a whole number in 32 bits throws EConvertError.
QString kavSetMaskToText(quint32 mask);
quint32 kavTextToSetMask(QStringView text);

template <typename E>
class TkavSet
{
public:
    using Element = E;

    constexpr TkavSet() = default;
    constexpr TkavSet(std::initializer_list<E> items)
    {
        for (E e : items)
            FMask |= bit(e);
    }
    // The set whose bit mask is mask (bits above the element range are kept as given).
    static constexpr TkavSet FromMask(quint32 mask)
    {
        TkavSet s;
        s.FMask = mask;
        return s;
    }

    constexpr quint32 Mask() const { return FMask; }
    constexpr bool IsEmpty() const { return FMask == 0; }
    constexpr bool Contains(E e) const { return (FMask & bit(e)) != 0; }
    constexpr TkavSet &Include(E e)
    {
        FMask |= bit(e);
        return *this;
    }
    constexpr TkavSet &Exclude(E e)
    {
        FMask &= ~bit(e);
        return *this;
    }
    constexpr TkavSet &SetIncluded(E e, bool on) { return on ? Include(e) : Exclude(e); }

    // Union, difference and intersection, as the platform's + - * on sets.
    friend constexpr TkavSet operator+(TkavSet a, TkavSet b) { return FromMask(a.FMask | b.FMask); }
    friend constexpr TkavSet operator-(TkavSet a, TkavSet b)
    {
        return FromMask(a.FMask & ~b.FMask);
    }
    friend constexpr TkavSet operator*(TkavSet a, TkavSet b) { return FromMask(a.FMask & b.FMask); }
    friend constexpr bool operator==(TkavSet a, TkavSet b) { return a.FMask == b.FMask; }

    // The decimal text of the mask, as files store sets.
    QString ToText() const { return kavSetMaskToText(FMask); }
    // Reads a decimal mask; throws EConvertError for anything else.
    static TkavSet FromText(QStringView text) { return FromMask(kavTextToSetMask(text)); }

private:
    static constexpr quint32 bit(E e) { return quint32(1) << unsigned(int(e)); }

    quint32 FMask = 0;
};
