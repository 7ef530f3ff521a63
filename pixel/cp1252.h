#pragma once
// Windows code page 1252, the one-byte character set of every string the
// program draws (face names included).
#include <cstdint>
#include <string>

// The Unicode code point of one code page 1252 byte. 0x00-0x7F and 0xA0-0xFF
// are the same as Latin-1; 0x80-0x9F hold the typographic extras (euro sign,
// quotes, dashes, ...); the five unassigned bytes map to the C1 control of
// the same value, as the platform's own conversion does.
char32_t cp1252ToUnicode(unsigned char byte);

// A NUL-terminated code page 1252 string as UTF-8 (for fontconfig).
std::string cp1252ToUtf8(const char* text);
