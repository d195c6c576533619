// Any settings file either loads, with every getter answering or raising Error, or raises Error.
#include <cstdint>

#include "config/configparser.h"
#include "fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ConfigParser parser;
    try {
        parser.load(writeFuzzInput(data, size));
    } catch (const Error&) {
        return 0;
    }
    for (const std::string& key : parser.keyOrder) {
        try { parser.getInt(key); } catch (const Error&) {}
        try { parser.getFloat(key); } catch (const Error&) {}
        try { parser.getBool(key); } catch (const Error&) {}
    }
    try { parser.getString("CAPTION"); } catch (const Error&) {}
    return 0;
}
