#pragma once

// The pictures drawn for Savrona, from the program's resources.

#include <QIcon>

namespace savrona {

// Tree images: 0 an open cardboard box (categories), 1 a closed brown box,
// 2 a taco (the root), 3 a sheet of paper (recipes); 16 x 16, transparent.
QIcon treeImage(int index);
// The taco, at 16 and 32 pixels and scalable.
QIcon applicationIcon();

} // namespace savrona
