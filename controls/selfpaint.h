// Repaints that bypass the toolkit's queue. A control that puts its own pixels on the
// screen marks itself here instead of asking the toolkit for an update, and the program's
// loop delivers the mark: right after the idle pass whose frame made it, or else once
// nothing else is queued, as a window system takes a pending repaint. That spares every
// frame the toolkit's posted update request, its self-wake through the dispatcher, its
// repaint bookkeeping and a second look at the queue.
#pragma once

class QWidget;

namespace SelfPaint {

// One control at a time can be pending (the field view); a later mark replaces an earlier one.
void mark(QWidget *control);
// Forgets the mark of this control (it painted through the toolkit, or it is going away).
void clear(QWidget *control);
// Sends the pending control its paint event; false if none was pending.
bool deliver();

} // namespace SelfPaint
