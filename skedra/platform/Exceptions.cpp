#include "skedra/platform/Exceptions.h"

namespace skedra
{

EListError EListError::IndexOutOfBounds(int index)
{
    return EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

} // namespace skedra
