#pragma once

// What the fuzz targets share: the input as bytes, and a check that stops
// the run (and so shows the input) when a parser broke a promise.

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline QByteArrayView fuzzInput(const uint8_t* data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition);   \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
