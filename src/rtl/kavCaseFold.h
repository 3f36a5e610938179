#pragma once

// The one case-folding rule for names, keys, identifiers and attribute look-ups: simple,
// per UTF-16 unit, locale-independent and length-preserving ("ß" stays "ß"), so a
// position found in a folded copy is the same position in the original.

#include <QString>
#include <QStringView>

QChar kavUpCaseChar(QChar c);
QChar kavLowCaseChar(QChar c);
QString kavUpperCase(QStringView s);
QString kavLowerCase(QStringView s);

// Case-insensitive equality and three-way comparison (by folded UTF-16 units).
bool kavSameText(QStringView a, QStringView b);
int kavCompareText(QStringView a, QStringView b);

// Hash of the folded text, for case-insensitive hash tables.
size_t kavHashText(QStringView s, size_t seed = 0);
