// Blocks of rows shared between a table and the snapshots its writer holds.
#include "RowBlocks.h"

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
    RowBlocks kept;
    kept.m_blocks.reserve(m_blocks.size());
    const bool sole = sharedBlockCount() == 0;
    for (std::size_t id = 0; id < m_size; ++id) {
        if (!keep[id])
            continue;
        // Rows of blocks held by no snapshot are moved, the others copied.
        if (sole)
            kept.pushBack(std::move(m_blocks[id >> blockShift].ownRows()[id & (blockSize - 1)]));
        else
            kept.pushBack((*this)[id]);
    }
    *this = std::move(kept);
}

std::size_t RowBlocks::sharedBlockCount() const {
    std::size_t shared = 0;
    for (const BlockHandle& block : m_blocks)
        shared += block.isShared() ? 1 : 0;
    return shared;
}

void PacketSnapshot::withView(const std::function<void(const PacketView&)>& write) const {
    std::vector<const Row*> addresses;
    addresses.reserve(rows.size());
    for (std::size_t id = 0; id < rows.size(); ++id) {
        if (live.empty() || live[id])
            addresses.push_back(&rows[id]);
    }
    write(PacketView(fields, RowsView(addresses.data(), addresses.size()), dataPacketXmlLayout));
}

} // namespace savrona
