#pragma once

// Attribute quoting shared by the report's and the script engine's XML readers: both keep
// attribute text raw and find values between double quotes.

#include <QString>

// Rewrites every single-quoted value of an attribute text (Left='0') into the double-quoted
// form the attribute readers expect (Left="0"); a double quote inside such a value becomes
// "&#34;", blanks around its '=' are dropped. Double-quoted pairs and the text between pairs
// stay as they are. False, with text unchanged, when a single-quoted value is not closed.
bool kavDoubleQuoteAttributes(QString &text);
