#include "kavExceptions.h"

#include <utility>

Exception::Exception(QString message)
    : FMessage(std::move(message))
    , FUtf8(FMessage.toUtf8())
{
}

void Exception::SetMessage(const QString &message)
{
    FMessage = message;
    FUtf8 = message.toUtf8();
}
