# Writes OUTPUT, a C++ file defining the bytes of INPUT as
#   extern const unsigned char SYMBOL[]; extern const std::size_t SYMBOLSize;
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the file readable in a diff.
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
     "// Generated from ${name}; do not edit.\n#include <cstddef>\n\n"
     "extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n\n"
     "const unsigned char ${SYMBOL}[] = {\n    ${bytes}\n};\n"
     "const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL});\n")
