#pragma once

// The program ends when its last window closes, whichever that is: closing
// the main window while the About window is open leaves the program running.
namespace quarlo::ui::win32 {

void windowOpened();
// Posts the quit message when no window remains.
void windowClosed();
int openWindowCount();

}  // namespace quarlo::ui::win32
