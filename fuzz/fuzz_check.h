// The fuzz targets' one way to report a broken property: abort, which
// libFuzzer records as a crash together with the input that caused it.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#define FUZZ_REQUIRE(condition)                                                          \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                     \
        }                                                                                \
    } while (0)
