# Writes the bytes of IN as a C++ array named SYM into OUT (run at build time).
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" body "${body}")
file(WRITE ${OUT} "extern const unsigned char ${SYM}[] = {\n${body}0};\nextern const unsigned long ${SYM}_size = ${size};\n")
