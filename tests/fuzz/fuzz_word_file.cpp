// Fuzzes the word file reader: lines split as stated and the writer's text reads back the same.
#include "game/core/word_file.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const slovo::StringList lines = slovo::parseLines(bytes);
    size_t total = 0;
    for (const auto& line : lines) {
        FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, "a line holds a line end or NUL");
        total += line.size();
    }
    FUZZ_CHECK(total <= size, "lines longer than the input");
    const std::string written = slovo::formatLines(lines);
    FUZZ_CHECK(slovo::parseLines(written) == lines, "written lines read back differently");
    FUZZ_CHECK(slovo::formatLines(slovo::parseLines(written)) == written, "writing is not stable");
    return 0;
}
