#pragma once
// Setting up a store's records for a test, as an opened file would leave
// them: no journal, no save, no signal.  A test that means a record change
// goes through RecordStore::apply instead.
#include "RecordStore.h"

inline void AppendRecord(RecordStore &data, TimeRecordPtr record)
{
    std::vector<TimeRecordPtr> records = data.records();
    records.push_back(std::move(record));
    data.ReplaceRecords(std::move(records));
}

inline void ClearRecords(RecordStore &data)
{
    data.ReplaceRecords({});
}

inline void PopRecord(RecordStore &data)
{
    std::vector<TimeRecordPtr> records = data.records();
    records.pop_back();
    data.ReplaceRecords(std::move(records));
}
