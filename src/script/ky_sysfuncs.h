#pragma once

// The system module: the standard types, the constants every script expects (True, False,
// nil, Null, the variant type codes), the exception variables try ... except fills, and
// the system functions (conversion, formatting, dates, strings, mathematics and the rest).

#include <QString>

// Registers the module with the library (once; later calls do nothing). Scripts get it
// with TkyScript::AddRTTI.
void kyRegisterSystemModule();

// Value laid out by an edit mask: "mask[;save[;blank]]". Mask characters L l A a C c 0 9 #
// take the next character of Value (a missing one gives the blank character, "_" by
// default); > and < switch to upper and lower case, <> back to none; \ makes the next
// character literal; : and / are the time and date separators; _ is a literal space;
// everything else is literal. With save "0" Value holds only the entered characters,
// otherwise its literals are skipped where they stand. With ! the characters are laid out
// from the right, so missing ones are leading blanks. Characters are not validated.
QString kyFormatMaskText(const QString &EditMask, const QString &Value);
