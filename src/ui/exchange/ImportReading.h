#pragma once

// Reading import files away from the window's thread, with a progress dialog the user
// can cancel when it takes a while.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QStringList>

#include <optional>

class QWidget;

namespace savrona {

// Reads the files on a thread of its own. For the first half second the
// window paints but takes no input; if the reading takes longer, a modal
// progress dialog shows how far it has got, and its Cancel stops it.
// Nothing is returned when the user cancelled; an error of the reading is
// thrown again here. The tables are not touched.
class ImportReading {
public:
    static constexpr int quietMilliseconds = 500;

    static std::optional<RecipeBatch> read(QWidget* parent, const QStringList& files);
};

} // namespace savrona
