# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_file.cmake
# Writes the file's bytes as a C++ array, so a data file needs no raw-string escaping.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
    "// Generated from ${INPUT}; edit that file instead.\n"
    "#include <cstddef>\n"
    "extern const char ${SYMBOL}[] = {\n    ${bytes}'\\0'};\n"
    "extern const size_t ${SYMBOL}Size = ${size};\n")
