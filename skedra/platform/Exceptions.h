#pragma once
// Failures raise exceptions derived from Exception, which carries a message text.

#include <QString>
#include <exception>
#include <string>

namespace skedra
{

class Exception : public std::exception
{
public:
    explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// An index outside a list: "List index out of bounds (5)".
class EListError : public Exception
{
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(int index);
};

// A cast of an object to a class it is not: "Invalid class typecast".
class EInvalidCast : public Exception
{
public:
    EInvalidCast() : Exception(QStringLiteral("Invalid class typecast")) {}
    using Exception::Exception;
};

// A text or number that cannot be converted (dates, times, integers).
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// Casts an object to T, or raises EInvalidCast when it is not a T.
template <class T, class U> T* CheckedCast(U* object)
{
    if (object == nullptr) return nullptr;
    T* result = dynamic_cast<T*>(object);
    if (result == nullptr) throw EInvalidCast();
    return result;
}

} // namespace skedra
