#pragma once

// The tables' last close at exit, which never drops unsaved records without the user's
// word.

#include "data/engine/Table.h"
#include "platform/seams/EndRequests.h"
#include "platform/seams/PlatformSeams.h"

#include <vector>

namespace savrona {

// Closes each table a last time, writing it when it holds changes. A write
// that fails is not forgotten: the user is told which file could not be
// written and why (once for a data folder that is gone, whichever files it
// failed), and chooses to try again (after freeing the disk, or making the
// folder again, say) or to quit knowingly, losing those changes. Given a
// folder dialog, the question offers a third way: save the whole cookbook
// into another folder the user chooses (saveCookbookCopy), then quit; a
// folder that cannot take it is told, and the question comes back. A file
// that another program changed is left as it is and the table's data saved
// beside it, as at any close; the user is told so. Returns when every table
// is written, the cookbook is saved elsewhere, or the user chose to quit.
//
// A request to end the program (endRequests, when given) that comes while the
// question is shown answers it: the writes are tried once more, and what still
// fails is dropped, since nobody is there to choose.
void closeTablesForExit(const std::vector<Table*>& tables, MessageBoxes& messages,
                        FileDialogs* folders = nullptr, const EndRequests* endRequests = nullptr);

} // namespace savrona
