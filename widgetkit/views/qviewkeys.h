#pragma once
// Keys that the table and the list view answer themselves.

#include <functional>

class QAbstractItemView;
class QKeyEvent;

namespace QViewKeys {
// Return with a selection calls onEnter and is not passed on; Tab is passed
// up as a plain widget would; Backspace calls onBackspace when one is given.
// True when the key was handled here.
bool handle(QAbstractItemView *view, QKeyEvent *event, const std::function<void()> &onEnter,
            const std::function<void()> &onBackspace);
}
