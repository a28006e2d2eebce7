#pragma once

// Mail goes to the desktop's mail program through xdg-email.
// True when xdg-email can be found on the search path.
bool IsMailAvailable();
