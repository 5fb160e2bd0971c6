// The window's message pump (built with the window procedure).
#pragma once

// Drains the window's pending messages, calling hook (when not null) before
// each one; 0 when the program must end, else 1.
int PumpMessages(void (*hook)());
