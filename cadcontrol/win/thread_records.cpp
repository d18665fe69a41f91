#include "thread_records.h"

#include <new>

namespace drafthand::win {

Win32ThreadRecordStore::Win32ThreadRecordStore() : slot_(::TlsAlloc()) {
    ::InitializeCriticalSection(&lock_);
}

Win32ThreadRecordStore::~Win32ThreadRecordStore() {
    while (first_ != nullptr) {
        Node* node = first_;
        unlink(node);
        delete node;
    }
    if (slot_ != TLS_OUT_OF_INDEXES) {
        ::TlsFree(slot_);
    }
    ::DeleteCriticalSection(&lock_);
}

ThreadRecords& Win32ThreadRecordStore::current() {
    if (slot_ == TLS_OUT_OF_INDEXES) {
        throw std::bad_alloc();
    }
    if (auto* node = static_cast<Node*>(::TlsGetValue(slot_))) {
        return node->records;
    }
    auto* node = new Node();
    if (!::TlsSetValue(slot_, node)) {
        delete node;
        throw std::bad_alloc();
    }
    ::EnterCriticalSection(&lock_);
    node->next = first_;
    if (first_ != nullptr) {
        first_->previous = node;
    }
    first_ = node;
    ++size_;
    ::LeaveCriticalSection(&lock_);
    return node->records;
}

void Win32ThreadRecordStore::thread_ended() noexcept {
    if (slot_ == TLS_OUT_OF_INDEXES) {
        return;
    }
    auto* node = static_cast<Node*>(::TlsGetValue(slot_));
    if (node == nullptr) {
        return;
    }
    ::TlsSetValue(slot_, nullptr);
    ::EnterCriticalSection(&lock_);
    unlink(node);
    ::LeaveCriticalSection(&lock_);
    delete node;
}

size_t Win32ThreadRecordStore::size() const noexcept {
    ::EnterCriticalSection(&lock_);
    const size_t count = size_;
    ::LeaveCriticalSection(&lock_);
    return count;
}

void Win32ThreadRecordStore::unlink(Node* node) noexcept {
    (node->previous != nullptr ? node->previous->next : first_) = node->next;
    if (node->next != nullptr) {
        node->next->previous = node->previous;
    }
    --size_;
}

} // namespace drafthand::win
