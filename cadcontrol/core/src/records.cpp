#include "drafthand/records.h"

namespace drafthand {

ThreadRecords& thread_records() {
    thread_local ThreadRecords records;
    return records;
}

} // namespace drafthand
