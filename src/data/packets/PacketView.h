#pragma once

// A packet's fields and rows as the writers read them, wherever the rows are held.

#include "data/Value.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <vector>

namespace savrona {

// Rows held one after another in a vector, named one by one through an array
// of addresses, or reached through a function of their holder (a table's
// rows in blocks, RowBlocks.h).
class RowsView {
public:
    using RowAt = const Row& (*)(const void* holder, std::size_t index);

    RowsView(const std::vector<Row>& rows) : m_rows(rows.data()), m_size(rows.size()) {}
    RowsView(const Row* const* rows, std::size_t size) : m_addresses(rows), m_size(size) {}
    RowsView(const void* holder, RowAt rowAt, std::size_t size)
        : m_holder(holder), m_rowAt(rowAt), m_size(size) {}

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Row& operator[](std::size_t index) const {
        if (m_rows)
            return m_rows[index];
        return m_addresses ? *m_addresses[index] : m_rowAt(m_holder, index);
    }

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Row;
        using difference_type = std::ptrdiff_t;
        using pointer = const Row*;
        using reference = const Row&;

        Iterator() = default;
        Iterator(const RowsView* view, std::size_t index) : m_view(view), m_index(index) {}
        reference operator*() const { return (*m_view)[m_index]; }
        pointer operator->() const { return &(*m_view)[m_index]; }
        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++m_index;
            return before;
        }
        bool operator==(const Iterator& other) const { return m_index == other.m_index; }

    private:
        const RowsView* m_view = nullptr;
        std::size_t m_index = 0;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, m_size}; }

private:
    const Row* m_rows = nullptr;
    const Row* const* m_addresses = nullptr;
    const void* m_holder = nullptr;
    RowAt m_rowAt = nullptr;
    std::size_t m_size = 0;
};

// What the writers of both forms read: a Packet, or the parts of one held
// elsewhere. Refers to them; they must outlive the view.
struct PacketView {
    PacketView(const Packet& packet)
        : fields(packet.fields), rows(packet.rows),
          dataPacketXmlLayout(packet.dataPacketXmlLayout) {}
    PacketView(const std::vector<FieldDefinition>& fields, RowsView rows,
               const std::optional<DataPacketXmlLayout>& layout)
        : fields(fields), rows(rows), dataPacketXmlLayout(layout) {}

    const std::vector<FieldDefinition>& fields;
    RowsView rows;
    const std::optional<DataPacketXmlLayout>& dataPacketXmlLayout;
};

} // namespace savrona
