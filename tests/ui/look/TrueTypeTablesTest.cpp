// Font files read into their tables and written back, the variants of Tahoma
// derived from them, and files that are no fonts.
#include "ui/look/TrueTypeTables.h"
#include "ui/look/DesignFonts.h"

#include <QFile>
#include <QRawFont>
#include <QtEndian>

#include <gtest/gtest.h>

namespace savrona {
namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray result;
    for (const int value : values)
        result.append(char(value));
    return result;
}

// A directory of one table, "abcd" with the given offset and length.
QByteArray oneTableFile(int offset, int length) {
    QByteArray file = bytes({0, 1, 0, 0, 0, 1, 0, 16, 0, 0, 0, 0});
    file += "abcd" + bytes({0, 0, 0, 0, 0, 0, 0, offset, 0, 0, 0, length});
    return file + QByteArray(8, 'x');
}

struct BadFileCase {
    const char* name;
    QByteArray file;
};

void PrintTo(const BadFileCase& row, std::ostream* out) {
    *out << row.name;
}

class BadFontFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFontFileTest, IsNoFontAndGivesNoVariant) {
    EXPECT_FALSE(TrueTypeTables::read(GetParam().file).has_value());
    EXPECT_TRUE(boldDrawnFromOutlines(GetParam().file).isEmpty());
    EXPECT_TRUE(withDesignedLines(GetParam().file).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFontFileTest,
    ::testing::Values(BadFileCase{"Empty", {}},
                      BadFileCase{"ShorterThanTheHeader", bytes({0, 1, 0, 0, 0})},
                      BadFileCase{"NotTrueType", QByteArray("OTTO") + QByteArray(8, '\0')},
                      BadFileCase{"DirectoryCutShort", oneTableFile(28, 8).left(20)},
                      BadFileCase{"TablePastTheEnd", oneTableFile(28, 9)},
                      BadFileCase{"TableFarPastTheEnd", oneTableFile(255, 255)}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) { return info.param.name; });

TEST(TrueTypeTablesTest, TablesComeBackFromTheFileWritten) {
    TrueTypeTables font;
    font.setTable("head", QByteArray(54, '\x11'));
    font.setTable("OS/2", QByteArray(78, '\0'));
    font.setTable("name", fontNameTable("Some Family", "Regular"));
    font.setTable("glyf", "odd");
    font.removeTable("OS/2");
    ASSERT_TRUE(font.setField("glyf", 1, 0x4142));
    EXPECT_FALSE(font.setField("glyf", 2, 1));
    EXPECT_FALSE(font.setField("OS/2", 0, 1));
    EXPECT_EQ(font.field("glyf", -1), std::nullopt);
    EXPECT_EQ(font.field("glyf", 1), 0x4142);

    const QByteArray file = font.file();
    const std::optional<TrueTypeTables> read = TrueTypeTables::read(file);
    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(read->has("OS/2"));
    EXPECT_EQ(read->table("glyf"), "oAB");
    EXPECT_EQ(read->table("name"), fontNameTable("Some Family", "Regular"));
    // The file's checksum, in "head", makes the sum of its words a constant.
    quint32 sum = 0;
    for (qsizetype at = 0; at + 4 <= file.size(); at += 4)
        sum += qFromBigEndian<quint32>(file.constData() + at);
    EXPECT_EQ(file.size() % 4, 0);
    EXPECT_EQ(sum, 0xB1B0AFBAu);
    EXPECT_EQ(read->table("head").mid(12), QByteArray(42, '\x11'));
}

QByteArray lookAlikeFile(const QString& name) {
    QFile file(designFontFolder + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The variants as the font engine reads them, at 8 point on a 96 dpi screen.
TEST(TrueTypeTablesTest, TahomaVariantsKeepTheGlyphsAndChangeWhatTheyShould) {
    const QByteArray tahoma = lookAlikeFile("tahoma.ttf");
    const QByteArray tahomaBold = lookAlikeFile("tahomabd.ttf");
    if (tahoma.isEmpty() || tahomaBold.isEmpty())
        GTEST_SKIP() << "fonts-wine is not installed";
    const QRawFont original(tahoma, 11);
    const QRawFont lines(withDesignedLines(tahoma), 11);
    ASSERT_TRUE(lines.isValid());
    EXPECT_EQ(lines.familyName(), tahomaLinesFamily);
    EXPECT_EQ(lines.styleName(), "Regular");
    EXPECT_EQ(lines.ascent(), 11.0);
    EXPECT_EQ(std::ceil(lines.ascent() + lines.descent() + lines.leading()), 13.0);
    const QList<quint32> glyphs = original.glyphIndexesForString("Bacon Wrapped Dates");
    EXPECT_EQ(lines.glyphIndexesForString("Bacon Wrapped Dates"), glyphs);
    EXPECT_EQ(lines.advancesForGlyphIndexes(glyphs), original.advancesForGlyphIndexes(glyphs));

    // Bold widths, and a weight under bold with no bold flags, for the font
    // engine to embolden the outlines.
    const QByteArray boldFile = boldDrawnFromOutlines(tahomaBold);
    const QRawFont originalBold(tahomaBold, 11);
    const QRawFont bold(boldFile, 11);
    ASSERT_TRUE(bold.isValid());
    EXPECT_EQ(bold.familyName(), "Tahoma");
    EXPECT_EQ(bold.advancesForGlyphIndexes(glyphs), originalBold.advancesForGlyphIndexes(glyphs));
    const std::optional<TrueTypeTables> boldTables = TrueTypeTables::read(boldFile);
    ASSERT_TRUE(boldTables.has_value());
    EXPECT_EQ(boldTables->field("OS/2", 4), 600);
    EXPECT_EQ(boldTables->field("OS/2", 62).value_or(0xffff) & 0x20, 0);
    EXPECT_EQ(boldTables->field("head", 44).value_or(0xffff) & 1, 0);
}

} // namespace
} // namespace savrona
