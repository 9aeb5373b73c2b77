// Blocks of rows shared between a table and the snapshots its writer holds.
#include "data/engine/RowBlocks.h"

namespace savrona {

std::vector<Row>& RowBlocks::BlockHandle::ownRows() {
    if (isShared()) {
        BlockHandle copy;
        copy.m_block->rows = m_block->rows;
        copy.m_block->rows.reserve(blockSize);
        *this = std::move(copy);
    }
    return m_block->rows;
}

RowBlocks::RowBlocks(std::vector<Row>&& rows) {
    m_blocks.reserve((rows.size() + blockSize - 1) / blockSize);
    for (Row& row : rows)
        pushBack(std::move(row));
    rows.clear();
}

Row& RowBlocks::mutableRow(std::size_t id) {
    return m_blocks[id >> blockShift].ownRows()[id & (blockSize - 1)];
}

void RowBlocks::pushBack(Row row) {
    if ((m_size & (blockSize - 1)) == 0)
        m_blocks.emplace_back();
    m_blocks.back().ownRows().push_back(std::move(row));
    ++m_size;
}

void RowBlocks::keepOnly(const std::vector<bool>& keep) {
    if (sharedBlockCount() == 0) {
        keepOnlyInPlace(keep);
        return;
    }
    // The blocks a snapshot holds stay as they are: the kept rows are copied.
    RowBlocks kept;
    kept.m_blocks.reserve(m_blocks.size());
    for (std::size_t id = 0; id < m_size; ++id) {
        if (keep[id])
            kept.pushBack((*this)[id]);
    }
    *this = std::move(kept);
}

// Moves each kept row down to its new place and drops the rest, so that the
// rows are never held twice over, not even their handles.
void RowBlocks::keepOnlyInPlace(const std::vector<bool>& keep) {
    std::size_t kept = 0;
    for (std::size_t id = 0; id < m_size; ++id) {
        if (!keep[id])
            continue;
        if (kept != id)
            mutableRow(kept) = std::move(mutableRow(id));
        ++kept;
    }
    const std::size_t blocks = (kept + blockSize - 1) >> blockShift;
    m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(blocks), m_blocks.end());
    if (!m_blocks.empty())
        m_blocks.back().ownRows().resize(kept - ((blocks - 1) << blockShift));
    m_size = kept;
}

std::size_t RowBlocks::sharedBlockCount() const {
    std::size_t shared = 0;
    for (const BlockHandle& block : m_blocks)
        shared += block.isShared() ? 1 : 0;
    return shared;
}

void PacketSnapshot::withView(const std::function<void(const PacketView&)>& write) const {
    if (live.empty()) {
        // Every row is written: read through the blocks, without an address a row.
        write(PacketView(fields, rows.view(), dataPacketXmlLayout));
        return;
    }
    std::vector<const Row*> addresses;
    addresses.reserve(rows.size());
    for (std::size_t id = 0; id < rows.size(); ++id) {
        if (live.empty() || live[id])
            addresses.push_back(&rows[id]);
    }
    write(PacketView(fields, RowsView(addresses.data(), addresses.size()), dataPacketXmlLayout));
}

} // namespace savrona
