// Shared by the fuzz targets: a failed invariant aborts with what was found.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond, what)                                                                   \
    do {                                                                                         \
        if (!(cond)) {                                                                           \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", std::string(what).c_str(),    \
                         __FILE__, __LINE__);                                                    \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)
