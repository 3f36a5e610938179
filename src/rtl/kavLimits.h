#pragma once

// The caps on what scripts may grow: every text, list and allocation a script makes stays
// within them, so a script fails with an error of its own instead of taking the program
// down. Arrays keep their caps beside the variant (kavMaxVarArrayElements).

#include "kavExceptions.h"
#include "kavVariant.h"

// A failed allocation, turned into an error of the script that caused it: raised with this
// message wherever a std::bad_alloc leaves script code.
KAV_DECLARE_EXCEPTION(EOutOfMemory, Exception)
inline constexpr char16_t kavOutOfMemoryMessage[] = u"Out of memory";

// The string cap in force: kavMaxStringLength unless the host lowers it before any script
// runs (the fuzz targets do, so a doubling loop fails in a millisecond, not in seconds).
inline qsizetype kavStringLengthLimit = kavMaxStringLength;

// Raises EVariantError "String is too long" when a text of length characters would pass
// kavStringLengthLimit: joins, formats and library results are capped like concatenation.
[[noreturn]] void kavRaiseStringTooLong();
inline void kavCheckStringLength(qint64 length)
{
    if (length > kavStringLengthLimit)
        kavRaiseStringTooLong();
}

// The most entries a list built from script input may hold (string lists, object lists).
inline constexpr qsizetype kavMaxListCount = qsizetype(1) << 24;
// Raises EListError "List is too large" when a list holding count entries is full.
void kavCheckListRoom(qsizetype count);
