#pragma once

namespace skedra
{

// Root of the package's class hierarchy: anything a handler may be bound to,
// anything a list or a caller may hand around as "an object".
class TObject
{
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

} // namespace skedra
