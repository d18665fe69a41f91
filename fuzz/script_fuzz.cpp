// A script run: five setting bytes for the fake Control, then the script
// file's bytes. RunScript reads the whole script; then every line procedure
// gets each of the script's first lines. Every result keeps the result
// convention, the caller's array keeps its size and no value outgrows the
// text limit. The fake's sleep only records, so SLEEP costs nothing, and a
// jump only skips forward, so a run is linear in the length of the script.
#include "fake_control.h"
#include "fuzz_input.h"

#include <algorithm>

namespace {

using namespace drafthand;
using namespace drafthand::script;
using drafthand::script::testing::FakeControl;
using tarn::fuzz::require;

constexpr std::size_t kTextLimit = 4096;
constexpr std::size_t kLinesPerProcedure = 4;
const std::wstring kPath = L"script.txt";

const wchar_t* const kOperations[] = {L"Active",      L"PostCommand", L"SendCommand",
                                      L"GetPrompt",   L"WaitPrompt",  L"GetHistory",
                                      L"GetVariable", L"SetVariable", L"GetPosition"};
const double kCoordinates[] = {0.0, -0.0, 12.5, -1e-5, 1.5e20, 123456789012345678.0, 1e300, 2.5};
const int32_t kAnswers[] = {1, 2, 6, 7};

struct Settings {
    std::size_t variables = 0;
    bool no_array = false;
    bool unreadable = false;
};

// flags: bit 0 link down, bit 1 pattern matching off, bit 2 read failure,
// bits 3-7 the array (0-11 elements, else none). Three bytes: two bits per
// operation (normal, failure, cancelled, odd result). misc: read chunk and
// answer of the message box.
Settings configure(FakeControl& control, tarn::fuzz::FuzzInput& input) {
    const uint8_t flags = input.byte();
    const uint32_t behaviour = input.byte() | (input.byte() << 8) | (input.byte() << 16);
    const uint8_t misc = input.byte();
    control.link = (flags & 1) == 0;
    control.pattern_match = (flags & 2) == 0;
    for (std::size_t i = 0; i < std::size(kOperations); ++i) {
        switch ((behaviour >> (2 * i)) & 3) {
        case 1:
            control.failures[kOperations[i]] =
                ErrorRecord{acPrivateError::CommandFailed,
                            std::wstring(L"Drafthand.Control.") + kOperations[i], L"failed"};
            break;
        case 2:
            control.cancelled.insert(kOperations[i]);
            break;
        case 3:
            // Result 0 or 1 with a clear record: a misbehaving operation.
            control.odd_results[kOperations[i]] = static_cast<int32_t>((behaviour >> 18) & 1);
            break;
        default:
            break;
        }
    }
    control.x = kCoordinates[(behaviour >> 19) & 7];
    control.y = kCoordinates[misc & 7];
    control.read_chunk = 1 + (misc & 0x3F) * 17;
    control.answer = kAnswers[misc >> 6];
    control.history = L"点を指定: X = 1  Y = 2  Z = 3";

    Settings settings;
    const std::size_t array = flags >> 3;
    settings.no_array = array > 11;
    settings.variables = settings.no_array ? 0 : array;
    settings.unreadable = (flags & 4) != 0;
    return settings;
}

void check_result(int32_t result, const FakeControl& control, bool may_end) {
    if (result == kLineDone) {
        return;
    }
    if (result == kLineExit || result == acPrivateError::CancelByUser) {
        require(may_end, "only a statement or command ends a run");
        return;
    }
    require(control.error.number == result, "a failure is the number in the record");
    require(!control.error.source.empty(), "a failure has a source");
    require(!control.error.description.empty(), "a failure has a description");
}

void check_array(const UserVariables& vars, std::size_t size) {
    require(vars.size() == size, "the array keeps its size");
    for (const auto& value : vars) {
        require(value.size() <= kTextLimit, "a value stays within the text limit");
    }
}

// The script's first lines (split as the line reader does, which the text
// target checks) through every line procedure.
void run_line_procedures(ScriptInterpreter& interpreter, FakeControl& control,
                         std::string_view bytes, std::size_t variables) {
    const wchar_t* const keys[] = {L"COMMAND_TIMEOUT", L"PATTERN_MATCH", L"OTHER"};
    for (std::size_t n = 0; n < kLinesPerProcedure && !bytes.empty(); ++n) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const std::wstring line = control.decode_ansi(bytes.substr(0, std::min(end, kTextLimit)));
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        UserVariables vars(variables, L"%USER0%");
        PendingLabel pending;
        control.stop = false;
        check_result(interpreter.lExecuteCondition(line, vars, pending), control, true);
        check_result(interpreter.lExecuteStatement(line, vars, pending), control, true);
        check_result(interpreter.lExecuteCommand(line, vars), control, true);
        check_result(interpreter.lSetUserVariable(line, vars), control, false);
        check_result(interpreter.lSetProperty(line, vars, keys[n % 3]), control, false);
        check_result(interpreter.lGotoLabel(line, vars, pending), control, false);
        check_array(vars, variables);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tarn::fuzz::FuzzInput input(data, size);
    FakeControl control;
    const Settings settings = configure(control, input);
    control.files[kPath] = std::string(input.rest_bytes());
    if (settings.unreadable) {
        control.unreadable_path = kPath;
    }
    ScriptInterpreter interpreter(control, kTextLimit);

    UserVariables vars(settings.variables);
    const int32_t result = interpreter.RunScript(kPath, settings.no_array ? nullptr : &vars);
    require(result != kLineExit, "EXIT ends a run as a success");
    if (result == acPrivateError::CancelByUser) {
        require(control.stop, "a cancelled run had a stop request");
    } else {
        check_result(result, control, false);
    }
    check_array(vars, settings.variables);

    run_line_procedures(interpreter, control, input.rest_bytes(), settings.variables);
    return 0;
}
