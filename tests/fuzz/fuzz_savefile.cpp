// Any text given as a save either parses, and then writes back to a text that
// parses to the same save, or is refused with a reason; the same text given
// as the read-pages record reads back unchanged once formatted.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "adv/comforts/readpages.h"
#include "adv/comforts/savefile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const adv::SaveParse parsed = adv::parseSave(text);
    if (parsed.save.has_value() == !parsed.problem.empty()) std::abort();
    if (parsed.save) {
        const adv::SaveParse again = adv::parseSave(adv::formatSave(*parsed.save));
        if (!again.save || !(*again.save == *parsed.save)) std::abort();
    }
    const adv::ReadPages pages = adv::ReadPages::parse(text);
    if (adv::ReadPages::parse(pages.format()).format() != pages.format()) std::abort();
    return 0;
}
