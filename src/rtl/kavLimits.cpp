#include "kavLimits.h"

using namespace Qt::StringLiterals;

void kavRaiseStringTooLong()
{
    kavRaise<EVariantError>(u"String is too long"_s);
}

void kavCheckListRoom(qsizetype count)
{
    if (count >= kavMaxListCount)
        kavRaise<EListError>(u"List is too large"_s);
}
