// What the script interpreter needs from its Control object: the operations a
// script line calls, the two settings it reads and writes, the stop request,
// the thread's last-error record, and the platform services of a run (message
// pumping, sleeping, opening the script file and decoding its ANSI text).
//
// The real Control implements this over its command channel and the Windows
// edge; native tests implement it with a fake. Portable: no Windows headers.
#pragma once

#include "drafthand/errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace drafthand::script {

// An open script file, read front to back as raw bytes.
class ScriptFile {
public:
    virtual ~ScriptFile() = default;
    // Reads up to capacity bytes into buffer and sets count; count 0 means the
    // end of the file. False on a read failure, with error filled (number,
    // source and description as the runtime reports them).
    virtual bool read(char* buffer, std::size_t capacity, std::size_t& count,
                      ErrorRecord& error) = 0;
};

class ScriptControl {
public:
    virtual ~ScriptControl() = default;

    // The Control operations, with the result convention of the component:
    // -1 on success, CancelByUser when the stop request ended a wait, else an
    // error number with the last-error record filled. They never throw.
    virtual int32_t Active() = 0;
    virtual int32_t PostCommand(const std::wstring& command) = 0;
    virtual int32_t SendCommand(const std::wstring& command, const std::wstring& prompt) = 0;
    // Writes prompt only on success.
    virtual int32_t GetPrompt(std::wstring& prompt) = 0;
    virtual int32_t WaitPrompt(const std::wstring& prompt) = 0;
    virtual int32_t GetHistory(std::wstring& history, const std::wstring& match) = 0;
    virtual int32_t GetVariable(const std::wstring& name, std::wstring& value) = 0;
    virtual int32_t SetVariable(const std::wstring& name, const std::wstring& value) = 0;
    virtual int32_t GetPosition(double& x, double& y, double& z) = 0;
    // The modal message box over AutoCAD; returns the answer code (1 OK,
    // 2 Cancel, 6 Yes, 7 No). Leaves the last-error record alone.
    virtual int32_t ShowMessage(const std::wstring& message, int32_t style,
                                const std::wstring& title) = 0;

    virtual int32_t CommandTimeOut() const = 0;
    // Stores the value as given: unlike the property setter, a script's
    // negative time-out is kept as written.
    virtual void store_command_timeout(int32_t milliseconds) = 0;
    virtual bool PatternMatch() const = 0;
    virtual void store_pattern_match(bool value) = 0;

    virtual bool stop_requested() const = 0;
    virtual void clear_stop_request() = 0;

    // The calling thread's last-error record, shared with the operations.
    virtual ErrorRecord& last_error() = 0;

    // Lets the client's event handling (and with it Terminate) run.
    virtual void pump_pending_messages() = 0;
    // Blocks without processing messages.
    virtual void sleep(uint32_t milliseconds) = 0;
    // Opens the file for reading; null with error filled (the runtime's file
    // error number and source) when it cannot be opened.
    virtual std::unique_ptr<ScriptFile> open_script(const std::wstring& path,
                                                    ErrorRecord& error) = 0;
    // Text of the system ANSI code page to Unicode; never fails (invalid
    // sequences become a replacement character), keeps NUL characters.
    virtual std::wstring decode_ansi(std::string_view bytes) = 0;
};

} // namespace drafthand::script
