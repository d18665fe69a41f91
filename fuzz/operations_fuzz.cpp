// The operations that take AutoCAD's answers apart. One flag byte, then three
// texts split at U+001F: the prompt AutoCAD shows, its history, and the name
// or expected prompt the caller passes. GetVariable reads the value from the
// prompt, GetPosition the coordinates from the history, WaitPrompt compares
// the prompt. The fake clock makes every wait a few polls.
#include "drafthand/errors.h"
#include "drafthand/operations.h"
#include "drafthand/text.h"
#include "fake_cad.h"
#include "fuzz_input.h"

#include <cmath>

namespace {

using namespace drafthand;
using drafthand::testing::Rig;
using tarn::fuzz::require;

constexpr double kUntouched = -7.25;

void check_failure(int32_t result, const Rig& rig) {
    require(result != kSuccess, "checked only for failures");
    require(result != acPrivateError::CancelByUser, "nothing asked to stop");
    require(rig.error().number == result, "a failure is the number in the record");
    require(!rig.error().source.empty() && !rig.error().description.empty(),
            "a failure is described");
}

bool is_blank(wchar_t c) {
    return c == L' ';
}

void get_variable(const std::wstring& prompt, const std::wstring& name, bool pattern_match) {
    Rig rig;
    rig.channel.set_command_timeout(300);
    rig.channel.set_pattern_match(pattern_match);
    rig.cad.prompt = prompt;
    std::wstring value = L"untouched";
    const int32_t result = GetVariable(rig.channel, name, value);
    if (result != kSuccess) {
        check_failure(result, rig);
        require(value == L"untouched", "a failed GetVariable writes no value");
        return;
    }
    const std::wstring seen = prompt.substr(0, prompt.find(L'\0'));
    require(matches_pattern(seen, kValuePromptPattern), "the value came from a value prompt");
    require(seen.find(value) != std::wstring::npos, "the value is part of the prompt");
    require(value.find(L'>') == std::wstring::npos, "the value ends at the first \">\"");
    require(value.empty() || (!is_blank(value.front()) && !is_blank(value.back())),
            "the value is trimmed");
}

void get_position(const std::wstring& prompt, const std::wstring& history, bool idle) {
    Rig rig;
    rig.channel.set_command_timeout(300);
    rig.cad.prompt = idle ? std::wstring(kCommandPrompt) : prompt;
    rig.cad.history = history;
    PlainNumberReader reader;
    double x = kUntouched, y = kUntouched, z = kUntouched;
    const int32_t result = GetPosition(rig.channel, reader, x, y, z);
    if (result != kSuccess) {
        check_failure(result, rig);
        if (rig.error().description == kMessageLabelOrder) {
            require(x == kUntouched && y == kUntouched && z == kUntouched,
                    "labels out of order store nothing");
        }
        return;
    }
    require(std::isfinite(x) && std::isfinite(y) && std::isfinite(z), "coordinates are finite");
    const std::wstring seen = history.substr(0, history.find(L'\0'));
    const std::size_t from = seen.rfind(kPointPrompt);
    require(from != std::wstring::npos, "coordinates follow a point prompt");
    const std::size_t px = seen.find(L"X =", from);
    const std::size_t py = seen.find(L"Y =", from);
    const std::size_t pz = seen.find(L"Z =", from);
    require(px < py && py < pz && pz != std::wstring::npos, "labels stand in order");
}

void wait_prompt(const std::wstring& prompt, const std::wstring& expected, bool pattern_match) {
    Rig rig;
    rig.channel.set_command_timeout(300);
    rig.channel.set_pattern_match(pattern_match);
    rig.cad.prompt = prompt;
    const int32_t result = WaitPrompt(rig.channel, expected);
    const std::wstring seen = prompt.substr(0, prompt.find(L'\0'));
    const bool match = pattern_match ? matches_pattern(seen, expected) : seen == expected;
    if (result == kSuccess) {
        require(match, "a wait ends on a matching prompt only");
    } else {
        check_failure(result, rig);
        require(!match, "a matching prompt ends the wait");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tarn::fuzz::FuzzInput input(data, size);
    const uint8_t flags = input.byte();
    const std::vector<std::wstring> texts = tarn::fuzz::split(input.rest_wide(), 3);
    const bool pattern_match = (flags & 1) == 0;
    get_variable(texts[0], texts[2], pattern_match);
    get_position(texts[0], texts[1], (flags & 2) == 0);
    wait_prompt(texts[0], texts[2], pattern_match);
    return 0;
}
