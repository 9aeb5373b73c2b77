#pragma once

// Reading import files away from the window's thread, with a progress dialog the user
// can cancel when it takes a while.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace savrona {

class ImportProgress;

// Reads the files on a thread of its own. For the first half second the
// window paints but takes no input; if the reading takes longer, a modal
// progress dialog shows how far it has got. Its Cancel (or closing it, or
// Esc) stops the reading: the dialog stays, saying so, until the reading
// has stopped and let go of what it read, which the readers do within a
// second. Nothing is returned when the user cancelled; an error of the
// reading is thrown again here. The tables are not touched.
class ImportReading {
public:
    static constexpr int quietMilliseconds = 500;

    // What runs on the thread: it advances the progress and throws
    // ImportCancelled soon after the progress is cancelled.
    using Reading = std::function<RecipeBatch(ImportProgress& progress)>;

    static std::optional<RecipeBatch> read(QWidget* parent, const QStringList& files);
    static std::optional<RecipeBatch> read(QWidget* parent, const Reading& reading);
};

} // namespace savrona
