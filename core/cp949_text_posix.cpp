#include <iconv.h>

#include <cerrno>

#include "cp949_text.h"

std::string Cp949ToUtf8(std::string_view text) {
    const iconv_t converter = iconv_open("UTF-8", "CP949");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::string(text);  // no converter on this system: show the bytes as they are
    }
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &to, &toLeft);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ, or EINVAL for a lead byte cut off at the end: one replacement character
            // for the offending byte, then go on after it.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    return out;
}
