# Writes INPUT's bytes as the module resource data symbols into OUTPUT.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.
#include <stddef.h>
extern \"C\" {
alignas(16) extern const unsigned char win32_module_resources[] = {
${bytes}
};
extern const size_t win32_module_resources_size = ${size};
}
")
