#pragma once

// What the user reads before an import writes anything: the question, the counts and the
// details.

#include "cookbook/exchange/ImportPlan.h"

#include <QString>

namespace savrona {

struct ImportSummary {
    // "Import 1,234 recipes into 12 categories (3 new)?", or that there is
    // nothing to import.
    QString question;
    // One sentence each for the duplicates left out, the titles numbered,
    // and what could not be read; empty when there is none.
    QString counts;
    // Each of those with its file and line, a line each.
    QString details;
    bool hasRecipes = false;
};

// Lists at most this many entries of each kind in the details.
inline constexpr qsizetype detailsPerKind = 1000;

ImportSummary summarizeImport(const ImportPlan& plan);

} // namespace savrona
