// Any settings file either loads, with every getter answering or raising Error,
// or raises Error. What loaded is saved and loaded again unchanged.
#include <cstdint>
#include <cstdlib>

#include "config/configparser.h"
#include "fuzz_input_file.h"

namespace {

void readEveryKey(ConfigParser& parser) {
    for (const std::string& key : parser.keyOrder) {
        try {
            parser.getInt(key);
        } catch (const Error&) {}
        try {
            parser.getFloat(key);
        } catch (const Error&) {}
        try {
            parser.getBool(key);
        } catch (const Error&) {}
    }
    try {
        parser.getString("CAPTION");
    } catch (const Error&) {}
}

void checkRoundTrip(ConfigParser& parser) {
    static const std::string copy = fuzzScratchPath("saved");
    parser.save(copy);
    ConfigParser again;
    again.load(copy);
    if (again.keyOrder != parser.keyOrder || again.table != parser.table) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ConfigParser parser;
    try {
        parser.load(writeFuzzInput(data, size));
    } catch (const Error&) {
        return 0;
    }
    readEveryKey(parser);
    checkRoundTrip(parser);
    return 0;
}
