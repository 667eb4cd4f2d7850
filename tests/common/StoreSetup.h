#pragma once
// Setting up a store's records for a test, as an opened file would leave
// them: no journal, no save, no signal.  A test that means a record change
// goes through TData::apply instead.
#include "tfile.h"

inline void AppendRecord(TData &data, TimeRecordPtr record)
{
    std::vector<TimeRecordPtr> records = data.records();
    records.push_back(std::move(record));
    data.ReplaceRecords(std::move(records));
}

inline void ClearRecords(TData &data)
{
    data.ReplaceRecords({});
}

inline void PopRecord(TData &data)
{
    std::vector<TimeRecordPtr> records = data.records();
    records.pop_back();
    data.ReplaceRecords(std::move(records));
}
