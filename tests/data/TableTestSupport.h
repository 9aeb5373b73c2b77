#pragma once

#include "data/engine/Table.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace savrona {

inline void PrintTo(const Value& value, std::ostream* out) {
    if (value.isNull())
        *out << "null";
    else if (value.isInteger())
        *out << value.integer();
    else
        *out << '\'' << value.utf8().toStdString() << '\'';
}

} // namespace savrona

// Small builders shared by the table, lookup and filter tests.
namespace savrona::testing {

// Whole-file helpers for the data-file tests.
inline QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeWholeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline std::vector<FieldDefinition> categoryFields() {
    return {{QStringLiteral("ID"), FieldType::Integer, 0},
            {QStringLiteral("SubID"), FieldType::Integer, 0},
            {QStringLiteral("Category"), FieldType::Text, 125}};
}

inline std::vector<FieldDefinition> recipeFields() {
    return {{QStringLiteral("ID"), FieldType::Integer, 0},
            {QStringLiteral("CategoryID"), FieldType::Integer, 0},
            {QStringLiteral("Title"), FieldType::Text, 255},
            {QStringLiteral("Ingredients"), FieldType::Memo, 0},
            {QStringLiteral("Preparation"), FieldType::Memo, 0},
            {QStringLiteral("servings"), FieldType::Text, 255},
            {QStringLiteral("Notes"), FieldType::Text, 255},
            {QStringLiteral("Picture"), FieldType::Text, 255}};
}

inline Row categoryRow(int id, const QString& name) {
    return {Value::integer(id), Value::integer(0), Value::text(name)};
}

inline Row recipeRow(int id, int categoryId, const QString& title) {
    return {Value::integer(id),
            Value::integer(categoryId),
            Value::text(title),
            Value::text(QStringLiteral("1 cup flour\r\n2 eggs")),
            Value::text(QStringLiteral("Mix.\r\nBake at 180°.")),
            Value(),
            Value(),
            Value()};
}

inline TableDefinition categoriesDefinition(std::vector<Row> rows) {
    return {QStringLiteral("dataSetCategories"), categoryFields(), QStringLiteral("Category"),
            Packet{categoryFields(), std::move(rows)}};
}

inline TableDefinition recipesDefinition(std::vector<Row> rows) {
    return {QStringLiteral("dataSetRecipes"), recipeFields(), QStringLiteral("Title"),
            Packet{recipeFields(), std::move(rows)}};
}

inline std::vector<Row> categoryRows(const QStringList& names) {
    std::vector<Row> rows;
    int id = 1;
    for (const QString& name : names)
        rows.push_back(categoryRow(id++, name));
    return rows;
}

// The texts of one field from the current record to the end of the view.
inline QStringList walk(Table& table, const QString& fieldName) {
    QStringList texts;
    while (!table.eof()) {
        texts << table.textByName(fieldName);
        table.next();
    }
    return texts;
}

inline QStringList walkFromFirst(Table& table, const QString& fieldName) {
    table.first();
    return walk(table, fieldName);
}

// The message of the savrona::Error that action throws, or "" when none.
inline QString messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return {};
}

} // namespace savrona::testing
