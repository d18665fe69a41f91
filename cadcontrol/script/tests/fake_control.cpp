#include "fake_control.h"

#include <algorithm>
#include <cstring>

namespace drafthand::script::testing {

std::string to_utf8(std::wstring_view text) {
    std::string out;
    for (const wchar_t wc : text) {
        const auto c = static_cast<uint32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring from_utf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < bytes.size()) {
        const unsigned char b = byte(i);
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < bytes.size() && (byte(i + 1) & 0xC0) == 0x80) {
            out.push_back(static_cast<wchar_t>(((b & 0x1F) << 6) | (byte(i + 1) & 0x3F)));
            i += 2;
        } else if ((b & 0xF0) == 0xE0 && i + 2 < bytes.size() && (byte(i + 1) & 0xC0) == 0x80 &&
                   (byte(i + 2) & 0xC0) == 0x80) {
            out.push_back(static_cast<wchar_t>(((b & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) |
                                               (byte(i + 2) & 0x3F)));
            i += 3;
        } else {
            out.push_back(L'\xFFFD');
            ++i;
        }
    }
    return out;
}

namespace {

class MemoryFile : public ScriptFile {
public:
    MemoryFile(const std::string& bytes, std::size_t chunk, bool fails)
        : bytes_(bytes), chunk_(chunk), fails_(fails) {}

    bool read(char* buffer, std::size_t capacity, std::size_t& count,
              ErrorRecord& read_error) override {
        if (fails_ && position_ > 0) {
            read_error = ErrorRecord{57, L"Drafthand", L"デバイス I/O エラーです。"};
            return false;
        }
        count = std::min({capacity, chunk_, bytes_.size() - position_});
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return true;
    }

private:
    const std::string& bytes_;
    std::size_t chunk_;
    bool fails_;
    std::size_t position_ = 0;
};

} // namespace

template <typename Body> int32_t FakeControl::operation(const std::wstring& name, Body&& body) {
    error.clear();
    if (!link) {
        error = ErrorRecord{acPrivateError::LinkFailed, L"Drafthand.Control." + name,
                            L"AutoCADが起動していないか、応答がありません。"};
        return error.number;
    }
    if (const auto odd = odd_results.find(name); odd != odd_results.end()) {
        return odd->second;
    }
    if (const auto failure = failures.find(name); failure != failures.end()) {
        error = failure->second;
        return error.number;
    }
    body();
    if (cancelled.count(name) != 0) {
        stop = true;
        return acPrivateError::CancelByUser;
    }
    return -1;
}

int32_t FakeControl::Active() {
    calls.push_back(L"Active()");
    return operation(L"Active", [] {});
}

int32_t FakeControl::PostCommand(const std::wstring& command) {
    calls.push_back(L"PostCommand(" + command + L")");
    return operation(L"PostCommand", [] {});
}

int32_t FakeControl::SendCommand(const std::wstring& command, const std::wstring& expected) {
    calls.push_back(L"SendCommand(" + command + L"|" + expected + L")");
    stop = false;
    return operation(L"SendCommand", [] {});
}

int32_t FakeControl::GetPrompt(std::wstring& target) {
    calls.push_back(L"GetPrompt()");
    return operation(L"GetPrompt", [&] { target = prompt; });
}

int32_t FakeControl::WaitPrompt(const std::wstring& expected) {
    calls.push_back(L"WaitPrompt(" + expected + L")");
    stop = false;
    return operation(L"WaitPrompt", [] {});
}

int32_t FakeControl::GetHistory(std::wstring& target, const std::wstring& match) {
    calls.push_back(L"GetHistory(" + match + L")");
    return operation(L"GetHistory", [&] {
        if (match.empty()) {
            target = history;
            return;
        }
        const auto found = history.rfind(match);
        target = found == std::wstring::npos ? std::wstring() : history.substr(found);
    });
}

int32_t FakeControl::GetVariable(const std::wstring& name, std::wstring& value) {
    calls.push_back(L"GetVariable(" + name + L")");
    stop = false;
    return operation(L"GetVariable", [&] { value = system_variables[name]; });
}

int32_t FakeControl::SetVariable(const std::wstring& name, const std::wstring& value) {
    calls.push_back(L"SetVariable(" + name + L"|" + value + L")");
    stop = false;
    return operation(L"SetVariable", [&] { system_variables[name] = value; });
}

int32_t FakeControl::GetPosition(double& px, double& py, double& pz) {
    calls.push_back(L"GetPosition()");
    stop = false;
    return operation(L"GetPosition", [&] {
        px = x;
        py = y;
        pz = z;
    });
}

int32_t FakeControl::ShowMessage(const std::wstring& message, int32_t style,
                                 const std::wstring& title) {
    boxes.push_back(Box{message, style, title});
    return answer;
}

void FakeControl::pump_pending_messages() {
    ++pumps;
    if (on_pump) {
        on_pump(*this);
    }
}

std::unique_ptr<ScriptFile> FakeControl::open_script(const std::wstring& path,
                                                     ErrorRecord& open_error) {
    const auto file = files.find(path);
    if (file == files.end()) {
        open_error = ErrorRecord{53, L"Drafthand", L"ファイルが見つかりません。"};
        return nullptr;
    }
    return std::make_unique<MemoryFile>(file->second, read_chunk, path == unreadable_path);
}

} // namespace drafthand::script::testing
