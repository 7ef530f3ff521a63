#pragma once
// Stores of 16- and 32-bit display values, low byte first whatever the host's
// byte order. On little-endian hosts they are single unaligned stores, which
// lets the compiler keep the plain loops fast.
#include <bit>
#include <cstdint>
#include <cstring>

inline void storeLittle16(uint8_t* dst, uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little) {
        const uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(dst, &v, 2);
    } else {
        dst[0] = static_cast<uint8_t>(value);
        dst[1] = static_cast<uint8_t>(value >> 8);
    }
}

inline void storeLittle32(uint8_t* dst, uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(dst, &value, 4);
    } else {
        dst[0] = static_cast<uint8_t>(value);
        dst[1] = static_cast<uint8_t>(value >> 8);
        dst[2] = static_cast<uint8_t>(value >> 16);
        dst[3] = static_cast<uint8_t>(value >> 24);
    }
}
