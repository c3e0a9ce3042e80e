// The toolkit's own error kinds; each carries the fixed message the error box shows.
#pragma once

#include "common/error.h"

namespace tk {

// A system resource (timers, handles) is exhausted.
class EOutOfResources : public slovo::Error {
public:
    using slovo::Error::Error;
};

} // namespace tk
