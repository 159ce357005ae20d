#ifndef BUSYINPUT_H
#define BUSYINPUT_H

// While the bench waits on a driver, the window is frozen: the user sees a
// busy cursor, and the clicks and keys that pile up meanwhile are dropped
// when the wait is over instead of being replayed on a window the user did
// not see (a second payment from a double click on "Авторизация").
//
// Installed once; every driver call then reports itself through the driver
// call path.
void installBusyInput();

#endif // BUSYINPUT_H
