// The per-thread records of the component, owned by the module: a TLS slot
// holds each thread's records, and a list of all of them lets the module free
// every thread's records when it unloads. DllMain frees a thread's records in
// DLL_THREAD_DETACH; nothing here ever loads or frees a library.
#pragma once

#include "drafthand/records.h"

#include <windows.h>

#include <cstddef>

namespace drafthand::win {

class Win32ThreadRecordStore final : public ThreadRecordStore {
public:
    Win32ThreadRecordStore();
    Win32ThreadRecordStore(const Win32ThreadRecordStore&) = delete;
    Win32ThreadRecordStore& operator=(const Win32ThreadRecordStore&) = delete;
    // Frees every thread's records.
    ~Win32ThreadRecordStore();

    // Throws std::bad_alloc when no record can be had.
    ThreadRecords& current() override;
    // Frees the calling thread's records, if it has any.
    void thread_ended() noexcept;
    // Threads whose records are alive.
    size_t size() const noexcept;

private:
    struct Node {
        ThreadRecords records;
        Node* previous = nullptr;
        Node* next = nullptr;
    };

    void unlink(Node* node) noexcept;

    DWORD slot_;
    mutable CRITICAL_SECTION lock_;
    Node* first_ = nullptr;
    size_t size_ = 0;
};

} // namespace drafthand::win
