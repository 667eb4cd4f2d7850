#pragma once
// The records as the data file's writer sees them: their values in store
// order, in chunks that are never changed once made.  A save hands the
// writer the list of chunks; the store goes on changing its records, and a
// chunk whose records changed is made afresh at the next save while the
// writer keeps the old one for as long as it needs it.  So a save copies
// only the chunks touched since the last one, not every record, on the
// main thread.
//
// The store owns it and tells it which records changed; nothing else uses it.
#include "TimeRecord.h"

#include <cstddef>
#include <memory>
#include <vector>

class RecordSnapshot {
public:
    using Chunk = std::vector<TimeRecord>;
    // Records per chunk: a touched record costs a copy of this many values
    // (a few microseconds), an untouched chunk one pointer per save.
    static constexpr std::size_t ChunkSize = 1024;

    // The record at `index` changed or was appended.
    void touch(std::size_t index);
    // Every record from `index` on may have moved.
    void touchFrom(std::size_t index);
    void touchAll();
    // The chunks of `records` (the store's, in its order), made afresh where
    // touched.
    std::vector<std::shared_ptr<const Chunk>> take(const std::vector<TimeRecordPtr> &records);

private:
    std::vector<std::shared_ptr<const Chunk>> m_chunks;
    std::vector<char> m_touched;
};
