#pragma once

// The script engine's fixed messages (compile and run errors), looked up by their key
// ("SIdUndeclared" ...). They are English by default; a host may replace the texts, which
// is how the report side's resource table hands its versions down at start-up.

#include <QString>
#include <QStringList>
#include <QStringView>

// The text of key (case-sensitive); an unknown key yields the key itself.
QString kyMessage(QStringView key);

// Replaces the text of a known key and returns true; unknown keys and empty texts are
// refused (false), so a host cannot blank a message out.
bool kySetMessage(QStringView key, const QString &text);

// The 17 keys in their fixed order.
const QStringList &kyMessageKeys();

// The built-in English text of a key (empty for an unknown key).
QString kyDefaultMessage(QStringView key);

// Restores every built-in English text.
void kyResetMessages();

// Raise EkyError with the text of key: as it is; followed by name in apostrophes
// ("Undeclared identifier: 'Foo'"); or with its "%s" replaced by arg.
[[noreturn]] void kyRaise(QStringView key);
[[noreturn]] void kyRaiseNamed(QStringView key, const QString &name);
[[noreturn]] void kyRaiseWith(QStringView key, const QString &arg);
