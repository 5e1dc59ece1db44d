# Writes the C++ definition of the ContentBlock from the packer's 70 bytes.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" digits)
if(NOT digits EQUAL 140)
    message(FATAL_ERROR "${IN}: a ContentBlock has 70 bytes")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT} "// Generated from ${IN}.
#include \"quiz/content_block.h\"

#if defined(_MSC_VER)
#pragma section(VYRLA_CONTENT_SECTION, read)
__declspec(allocate(VYRLA_CONTENT_SECTION))
#else
__attribute__((section(VYRLA_CONTENT_SECTION), used))
#endif
const unsigned char vyrlaContentBlock[70] = {${bytes}};
")
