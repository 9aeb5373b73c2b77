#pragma once

// A table's rows in blocks shared copy-on-write, so that a writer can hold the rows of
// one moment while the table goes on changing.

#include "data/Value.h"
#include "data/packets/PacketView.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace savrona {

// Rows by row id, in blocks of blockSize rows. Copying the rows copies only
// the blocks' handles; a block that two copies share is copied before either
// changes it, so a copy stays as it was, whatever the other does.
//
// A copy may be handed to another thread and read there while this one
// changes its own rows: the blocks both hold are only read, and the count of
// their holders is atomic.
class RowBlocks {
public:
    static constexpr std::size_t blockShift = 10;
    static constexpr std::size_t blockSize = std::size_t(1) << blockShift;

    RowBlocks() = default;
    explicit RowBlocks(std::vector<Row>&& rows);

    std::size_t size() const { return m_size; }
    const Row& operator[](std::size_t id) const {
        return m_blocks[id >> blockShift].rows()[id & (blockSize - 1)];
    }
    RowsView view() const {
        return RowsView(
            this,
            [](const void* holder, std::size_t id) -> const Row& {
                return (*static_cast<const RowBlocks*>(holder))[id];
            },
            m_size);
    }
    // The row to change in place; its block is copied first when shared.
    Row& mutableRow(std::size_t id);
    void pushBack(Row row);
    // Keeps the rows whose entry in keep is true, in their order.
    void keepOnly(const std::vector<bool>& keep);

    // Whether a block is held by a copy too (for tests and measurements).
    std::size_t sharedBlockCount() const;

private:
    void keepOnlyInPlace(const std::vector<bool>& keep);

    struct Block {
        std::atomic<int> holders{1};
        std::vector<Row> rows;
    };
    // One holder of a block.
    class BlockHandle {
    public:
        BlockHandle() : m_block(new Block) { m_block->rows.reserve(blockSize); }
        BlockHandle(const BlockHandle& other) : m_block(other.m_block) { hold(); }
        BlockHandle(BlockHandle&& other) noexcept
            : m_block(std::exchange(other.m_block, nullptr)) {}
        BlockHandle& operator=(BlockHandle other) noexcept {
            std::swap(m_block, other.m_block);
            return *this;
        }
        ~BlockHandle() { release(); }

        const std::vector<Row>& rows() const { return m_block->rows; }
        // Copies the block first when another handle holds it too.
        std::vector<Row>& ownRows();
        bool isShared() const { return m_block->holders.load(std::memory_order_acquire) != 1; }

    private:
        void hold() {
            if (m_block)
                m_block->holders.fetch_add(1, std::memory_order_relaxed);
        }
        void release() {
            if (m_block && m_block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1)
                delete m_block;
        }

        Block* m_block;
    };

    std::vector<BlockHandle> m_blocks;
    std::size_t m_size = 0;
};

// A table's packet at one moment, for its writer: the fields, the rows
// (shared with the table, RowBlocks) and the layout to write them in.
// Taking one costs a handle per block of rows and a copy of the marks of
// deleted rows, whatever the size of the rows.
struct PacketSnapshot {
    std::vector<FieldDefinition> fields;
    RowBlocks rows;
    std::vector<bool> live; // which rows are not deleted; empty when none is
    std::optional<DataPacketXmlLayout> dataPacketXmlLayout;

    // Calls write with a view of the rows not deleted, in their order.
    void withView(const std::function<void(const PacketView&)>& write) const;
};

} // namespace savrona
