# Writes the city table bytes as a C++ array: cmake -DINPUT=... -DOUTPUT=... -P EmbedBytes.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${hex}")
file(WRITE "${OUTPUT}" "// Generated from resources/CityCode.txt; do not edit.\n#include \"weather/CityTable.h\"\nnamespace weather {\nstatic const char kCityTable[${byte_count}] = {${body}};\nstd::string_view EmbeddedCityTable() { return {kCityTable, ${byte_count}}; }\n}  // namespace weather\n")
