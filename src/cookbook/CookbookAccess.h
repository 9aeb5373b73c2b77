#pragma once

// Keeps the dialogs and the cookbook commands independent of the main window class.

#include "data/engine/Table.h"
#include "platform/seams/PlatformSeams.h"

#include <QString>

#include <cstdint>

namespace savrona {

// What the dialogs read and write of the main window: its two tables, the
// selection it holds and its message boxes. The main window implements it;
// tests stand in for it.
class CookbookAccess {
public:
    virtual ~CookbookAccess() = default;
    virtual Table& categories() = 0;
    virtual Table& recipes() = 0;
    // The text of SelectedCategoryNode: the selected category's name as stored.
    virtual QString selectedCategoryName() const = 0;
    // The text of the title box Edit1.
    virtual QString recipeTitleBoxText() const = 0;
    virtual std::int32_t nextCategoryId() const = 0;
    virtual MessageBoxes& messages() = 0;
};

} // namespace savrona
