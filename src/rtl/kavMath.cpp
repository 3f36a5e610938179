#include "kavMath.h"

#include "kavExceptions.h"
#include "kavFormat.h"

#include <cmath>

double kavRoundFloat(double x, TkavRoundMode mode)
{
    switch (mode) {
    case rmTruncate:
        return std::trunc(x);
    case rmHalfAway:
        return std::round(x); // C round: halves away from zero, whatever the FPU mode
    case rmNearestEven:
        break;
    }
    // By hand rather than nearbyint: independent of the floating-point environment.
    // x - floor(x) is exact for every double.
    const double low = std::floor(x);
    const double diff = x - low;
    if (diff > 0.5)
        return low + 1;
    if (diff < 0.5)
        return low;
    return std::fmod(low, 2.0) == 0 ? low : low + 1;
}

qint64 kavRound(double x, TkavRoundMode mode)
{
    const double r = kavRoundFloat(x, mode);
    // [-2^63, 2^63): both bounds are exact doubles; NaN fails the test.
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        kavRaise<EInvalidOp>(QStringLiteral("Invalid floating point operation"));
    return qint64(r);
}

bool kavTryDoubleToCurrency(double value, TkavCurrency &result)
{
    const double units = kavRoundFloat(value * 10000.0, rmNearestEven);
    if (!(units >= -9223372036854775808.0 && units < 9223372036854775808.0))
        return false;
    result.Units = qint64(units);
    return true;
}

TkavCurrency kavDoubleToCurrency(double value)
{
    TkavCurrency result;
    if (!kavTryDoubleToCurrency(value, result))
        kavRaise<EConvertError>(QStringLiteral("'%1' is not a valid currency value")
                                    .arg(kavFloatToFileText(value)));
    return result;
}

double kavAtCurrencyPrecision(double value)
{
    return kavDoubleToCurrency(value).ToDouble();
}
