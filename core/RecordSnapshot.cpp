#include "RecordSnapshot.h"

#include <algorithm>

void RecordSnapshot::touch(std::size_t index)
{
    const std::size_t chunk = index / ChunkSize;
    if (chunk < m_touched.size())
        m_touched[chunk] = 1;
}

void RecordSnapshot::touchFrom(std::size_t index)
{
    const std::size_t chunk = index / ChunkSize;
    if (chunk < m_touched.size())
        std::fill(m_touched.begin() + std::ptrdiff_t(chunk), m_touched.end(), 1);
}

void RecordSnapshot::touchAll()
{
    m_chunks.clear();
    m_touched.clear();
}

std::vector<std::shared_ptr<const RecordSnapshot::Chunk>>
RecordSnapshot::take(const std::vector<TimeRecordPtr> &records)
{
    const std::size_t chunks = (records.size() + ChunkSize - 1) / ChunkSize;
    m_chunks.resize(chunks);
    m_touched.resize(chunks, 1);
    for (std::size_t c = 0; c < chunks; ++c) {
        if (!m_touched[c] && m_chunks[c])
            continue;
        auto chunk = std::make_shared<Chunk>();
        const std::size_t from = c * ChunkSize, to = std::min(records.size(), from + ChunkSize);
        chunk->reserve(to - from);
        for (std::size_t i = from; i < to; ++i)
            chunk->push_back(*records[i]);
        m_chunks[c] = std::move(chunk);
        m_touched[c] = 0;
    }
    return m_chunks;
}
