// Shared pieces of the fuzz targets: a property check that stops the run
// with a message (libFuzzer then keeps the input as a crash artifact), guard
// units around output buffers, and a small deterministic generator for
// choices derived from the input.
#pragma once

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <memory>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition, ...)                                              \
    do {                                                                        \
        if (!(condition)) {                                                     \
            std::fprintf(stderr, "\nproperty failed: %s (%s:%d)\n", #condition, \
                         __FILE__, __LINE__);                                   \
            std::fprintf(stderr, "  " __VA_ARGS__);                             \
            std::fprintf(stderr, "\n");                                         \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

namespace fuzz {

constexpr char16_t GUARD_UNIT = 0xBEEF;
constexpr size_t GUARD_COUNT = 16;

// A wide buffer of `capacity` units with guard units on both sides; heap
// allocated so AddressSanitizer also sees a write beyond the guards.
struct GuardedText {
    std::unique_ptr<char16_t[]> storage;   // not value-initialised: filled below
    int capacity;

    // The interior is filled bytewise (memset is not instrumented, which
    // keeps large buffers cheap), the guards unit by unit.
    explicit GuardedText(int cap, uint8_t fillByte = 0xAA)
        : storage(new char16_t[static_cast<size_t>(cap) + 2 * GUARD_COUNT]), capacity(cap) {
        std::memset(storage.get(), fillByte, (static_cast<size_t>(cap) + 2 * GUARD_COUNT) * sizeof(char16_t));
        for (size_t i = 0; i < GUARD_COUNT; ++i) {
            storage[i] = GUARD_UNIT;
            storage[GUARD_COUNT + static_cast<size_t>(cap) + i] = GUARD_UNIT;
        }
    }
    char16_t* data() { return storage.get() + GUARD_COUNT; }
    const char16_t* data() const { return storage.get() + GUARD_COUNT; }
    bool guardsIntact() const {
        for (size_t i = 0; i < GUARD_COUNT; ++i) {
            if (storage[i] != GUARD_UNIT) return false;
            if (storage[GUARD_COUNT + static_cast<size_t>(capacity) + i] != GUARD_UNIT) return false;
        }
        return true;
    }
    // Length up to the first terminator inside the capacity, or -1 when the
    // capacity holds none.
    int terminatedLength() const {
        for (int i = 0; i < capacity; ++i) {
            if (data()[i] == 0) return i;
        }
        return -1;
    }
    std::u16string text() const {
        const int n = terminatedLength();
        return n < 0 ? std::u16string() : std::u16string(data(), static_cast<size_t>(n));
    }
};

// splitmix64: choices that depend only on the input, so a crash reproduces.
struct Choices {
    uint64_t state;
    explicit Choices(const uint8_t* data, size_t size) : state(0x9E3779B97F4A7C15ull) {
        for (size_t i = 0; i < size; ++i) state = (state ^ data[i]) * 0x100000001B3ull;
    }
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t below(uint64_t n) { return n == 0 ? 0 : next() % n; }
};

inline locale_t cLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

inline std::u16string widen(const std::string& s) {
    std::u16string out;
    for (unsigned char c : s) out.push_back(static_cast<char16_t>(c));
    return out;
}

inline std::string narrowForMessage(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 32 && c < 127) out.push_back(static_cast<char>(c));
        else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

inline uint64_t bitsOf(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

inline double doubleOf(uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

}  // namespace fuzz
