#pragma once

// The exception families. Operations that cannot continue throw one of these; the class
// name is what scripts see as the exception's class, the message is UTF-16 text.

#include <QByteArray>
#include <QString>

#include <exception>

// Root of every error the program throws.
class Exception : public std::exception
{
public:
    explicit Exception(QString message);
    const QString &Message() const { return FMessage; }
    void SetMessage(const QString &message);
    virtual const char *ClassName() const { return "Exception"; }
    const char *what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

#define KAV_DECLARE_EXCEPTION(Name, Base)                                                  \
    class Name : public Base                                                               \
    {                                                                                      \
    public:                                                                                \
        using Base::Base;                                                                  \
        const char *ClassName() const override { return #Name; }                           \
    };

KAV_DECLARE_EXCEPTION(EConvertError, Exception)    // text that is not a number, date ...
KAV_DECLARE_EXCEPTION(EVariantError, Exception)    // invalid variant operation or cast
KAV_DECLARE_EXCEPTION(EMathError, Exception)       // floating-point faults
KAV_DECLARE_EXCEPTION(EZeroDivide, EMathError)     // "Floating point division by zero"
KAV_DECLARE_EXCEPTION(EInvalidOp, EMathError)      // "Invalid floating point operation"
KAV_DECLARE_EXCEPTION(EOverflow, EMathError)       // "Floating point overflow"
KAV_DECLARE_EXCEPTION(EIntError, Exception)        // integer faults
KAV_DECLARE_EXCEPTION(EDivByZero, EIntError)       // "Division by zero"
KAV_DECLARE_EXCEPTION(ERangeError, EIntError)      // "Range check error"
KAV_DECLARE_EXCEPTION(EIntOverflow, EIntError)     // "Integer overflow"
KAV_DECLARE_EXCEPTION(EStackOverflow, Exception)   // "Stack overflow"
KAV_DECLARE_EXCEPTION(EListError, Exception)       // list index out of bounds, duplicates
KAV_DECLARE_EXCEPTION(EStreamError, Exception)     // stream and file faults
KAV_DECLARE_EXCEPTION(EReadError, EStreamError)    // "Stream read error"
KAV_DECLARE_EXCEPTION(EWriteError, EStreamError)   // "Stream write error"
KAV_DECLARE_EXCEPTION(EFOpenError, EStreamError)   // a file that cannot be opened
KAV_DECLARE_EXCEPTION(EFCreateError, EStreamError) // a file that cannot be created
KAV_DECLARE_EXCEPTION(EComponentError, Exception) // a name that is no identifier or already owned
KAV_DECLARE_EXCEPTION(EkavError, Exception)        // report side: messages from resources
KAV_DECLARE_EXCEPTION(EkyError, Exception)         // script side: fixed English messages

// Throws E with the message; for call sites that want a one-liner that never returns.
template <typename E>
[[noreturn]] void kavRaise(const QString &message)
{
    throw E(message);
}
