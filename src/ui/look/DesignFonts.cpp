// Loads the look-alike Tahoma and MS Sans Serif files as application fonts, with the
// variants of Tahoma that bold text and the multi-line boxes take.
#include "ui/look/DesignFonts.h"

#include "ui/look/TrueTypeTables.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>

namespace savrona {

namespace {

// Fields of the "OS/2" and "head" tables.
constexpr int weightClassField = 4;
constexpr int selectionField = 62;
constexpr int windowsAscentField = 74;
constexpr int windowsDescentField = 76;
constexpr int unitsPerEmField = 18;
constexpr int macStyleField = 44;

constexpr quint16 selectionBold = 1 << 5;
constexpr quint16 selectionUseTypoMetrics = 1 << 7;
constexpr quint16 macStyleBold = 1;
// Under bold, so that bold text is drawn emboldened; above regular, so that
// the face still answers a request for bold before the regular one does.
constexpr quint16 semiBoldWeight = 600;

// 8-point Tahoma: an 11-pixel em, 11 pixels above the baseline, 2 below.
constexpr int designedEm = 11;
constexpr int designedAscent = 11;
constexpr int designedDescent = 2;

QByteArray fileContents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool clearBits(TrueTypeTables& font, const QByteArray& tag, int field, quint16 bits) {
    const std::optional<quint16> value = font.field(tag, field);
    return value && font.setField(tag, field, quint16(*value & ~bits));
}

} // namespace

QByteArray boldDrawnFromOutlines(const QByteArray& file) {
    std::optional<TrueTypeTables> font = TrueTypeTables::read(file);
    if (!font || !font->setField("OS/2", weightClassField, semiBoldWeight) ||
        !clearBits(*font, "OS/2", selectionField, selectionBold) ||
        !clearBits(*font, "head", macStyleField, macStyleBold))
        return {};
    return font->file();
}

QByteArray withDesignedLines(const QByteArray& file) {
    std::optional<TrueTypeTables> font = TrueTypeTables::read(file);
    if (!font)
        return {};
    const std::optional<quint16> unitsPerEm = font->field("head", unitsPerEmField);
    // Rounded down, so that the line is never a pixel taller.
    if (!unitsPerEm || !font->has("name") ||
        !font->setField("OS/2", windowsAscentField, *unitsPerEm * designedAscent / designedEm) ||
        !font->setField("OS/2", windowsDescentField, *unitsPerEm * designedDescent / designedEm) ||
        !clearBits(*font, "OS/2", selectionField, selectionUseTypoMetrics))
        return {};
    for (const char* bitmaps : {"EBLC", "EBDT", "EBSC"})
        font->removeTable(bitmaps);
    font->setTable("name", fontNameTable(tahomaLinesFamily, QStringLiteral("Regular")));
    return font->file();
}

QStringList loadDesignFonts(const QString& folder) {
    const QDir fonts(folder);
    const QByteArray tahoma = fileContents(fonts.filePath(QStringLiteral("tahoma.ttf")));
    const QByteArray files[] = {
        tahoma, boldDrawnFromOutlines(fileContents(fonts.filePath(QStringLiteral("tahomabd.ttf")))),
        fileContents(fonts.filePath(QStringLiteral("ms_sans_serif.ttf"))),
        withDesignedLines(tahoma)};
    QStringList families;
    for (const QByteArray& file : files) {
        if (file.isEmpty())
            continue;
        const int id = QFontDatabase::addApplicationFontFromData(file);
        if (id < 0)
            continue;
        for (const QString& family : QFontDatabase::applicationFontFamilies(id))
            if (!families.contains(family))
                families += family;
    }
    return families;
}

} // namespace savrona
