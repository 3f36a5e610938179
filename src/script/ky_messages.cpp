#include "ky_messages.h"

#include <rtl/kavExceptions.h>

#include <QHash>

#include <array>

namespace {

struct DefaultMessage
{
    QStringView key;
    QStringView text;
};

// Messages that name an item are completed by the caller: "Undeclared identifier: " is
// followed by the name in apostrophes, "%s" is filled with QString::arg-style code.
constexpr std::array<DefaultMessage, 17> kDefaults{{
    {u"SLangNotFound", u"Language '%s' not found"},
    {u"SInvalidLanguage", u"Invalid language definition"},
    {u"SIdRedeclared", u"Identifier redeclared: "},
    {u"SUnknownType", u"Unknown type: "},
    {u"SIncompatibleTypes", u"Incompatible types"},
    {u"SIdUndeclared", u"Undeclared identifier: "},
    {u"SClassRequired", u"Class type required"},
    {u"SIndexRequired", u"Index required"},
    {u"SStringError", u"Strings doesn't have properties or methods"},
    {u"SClassError", u"Class %s does not have a default property"},
    {u"SArrayRequired", u"Array type required"},
    {u"SVarRequired", u"Variable required"},
    {u"SNotEnoughParams", u"Not enough actual parameters"},
    {u"STooManyParams", u"Too many actual parameters"},
    {u"SLeftCantAssigned", u"Left side cannot be assigned to"},
    {u"SForError", u"For loop variable must be numeric variable"},
    {u"SEventError", u"Event handler must be a procedure"},
}};

// The current texts; written at start-up by the host, read by the compiler afterwards.
QHash<QString, QString> &table()
{
    static QHash<QString, QString> current = [] {
        QHash<QString, QString> t;
        for (const DefaultMessage &m : kDefaults)
            t.insert(m.key.toString(), m.text.toString());
        return t;
    }();
    return current;
}

} // namespace

QString kyMessage(QStringView key)
{
    const auto it = table().constFind(key.toString());
    return it == table().cend() ? key.toString() : *it;
}

bool kySetMessage(QStringView key, const QString &text)
{
    const auto it = table().find(key.toString());
    if (it == table().end() || text.isEmpty())
        return false;
    *it = text;
    return true;
}

const QStringList &kyMessageKeys()
{
    static const QStringList keys = [] {
        QStringList k;
        for (const DefaultMessage &m : kDefaults)
            k.append(m.key.toString());
        return k;
    }();
    return keys;
}

QString kyDefaultMessage(QStringView key)
{
    for (const DefaultMessage &m : kDefaults) {
        if (m.key == key)
            return m.text.toString();
    }
    return QString();
}

void kyResetMessages()
{
    for (const DefaultMessage &m : kDefaults)
        table().insert(m.key.toString(), m.text.toString());
}

void kyRaise(QStringView key)
{
    throw EkyError(kyMessage(key));
}

void kyRaiseNamed(QStringView key, const QString &name)
{
    throw EkyError(kyMessage(key) + u'\'' + name + u'\'');
}

void kyRaiseWith(QStringView key, const QString &arg)
{
    throw EkyError(kyMessage(key).replace(QStringLiteral("%s"), arg));
}
