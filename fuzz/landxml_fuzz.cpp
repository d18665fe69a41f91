// The LandXML reader on hostile files: it must answer with an alignment or
// errors, never crash or hang, and an alignment it accepts must survive being
// written and read again.
#include "tarn/alignment/landxml.h"

#include "fuzz_input.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace tarn::alignment;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const LandXmlReadResult r = read_landxml(text);
    tarn::fuzz::require(r.ok == r.errors.empty(), "ok exactly when there are no errors");
    if (!r.ok) {
        return 0;
    }
    const Alignment& a = r.document.alignment;
    tarn::fuzz::require(!a.elements.empty(), "an accepted alignment has elements");
    for (const Element& e : a.elements) {
        tarn::fuzz::require(e.length > 0.0 && std::isfinite(e.length), "element lengths");
    }
    LandXmlOptions options;
    options.coordinate_system = r.document.coordinate_system;
    const LandXmlReadResult again = read_landxml(write_landxml(a, options, {}));
    tarn::fuzz::require(again.ok, "what was read is written readably");
    tarn::fuzz::require(again.document.alignment.elements.size() == a.elements.size(),
                        "the same elements after writing");
    return 0;
}
