#pragma once

// A generated cookbook written to data files in a scratch folder, made once per size for
// the benchmarks that open a real main window on it.

#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <memory>

namespace savrona {

class CookbookFiles {
public:
    explicit CookbookFiles(int recipeCount) {
        const GeneratedCookbook cookbook =
            generateCookbook(recipeCount, std::max(1, recipeCount / 100));
        const QDir folder(m_folder.path());
        writeDataFileAtomically(folder.filePath(categoriesFileName),
                                writeXmlPacket(cookbook.categories), categoriesFileName);
        writeDataFileAtomically(folder.filePath(recipesFileName), writeXmlPacket(cookbook.recipes),
                                recipesFileName);
        recipesFileBytes = QFileInfo(folder.filePath(recipesFileName)).size();
    }

    QString folder() const { return m_folder.path(); }
    qint64 recipesFileBytes = 0;

private:
    QTemporaryDir m_folder;
};

inline CookbookFiles& cookbookOf(int recipeCount) {
    static std::map<int, std::unique_ptr<CookbookFiles>> made;
    auto& cookbook = made[recipeCount];
    if (!cookbook)
        cookbook = std::make_unique<CookbookFiles>(recipeCount);
    return *cookbook;
}

} // namespace savrona
