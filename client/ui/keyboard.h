#pragma once

#include <functional>

class QAbstractItemView;

namespace ui {

// Calls `act` when Return or Enter (and Space, withSpace) is pressed on the view while it has a
// current item: the key does what a click on that item does.
void onReturnKey(QAbstractItemView &view, std::function<void()> act, bool withSpace = false);

} // namespace ui
