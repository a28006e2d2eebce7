#pragma once

#include "FileChooser.h"
#include "PrinterPort.h"
#include "Questions.h"
#include "WindowStatus.h"

// Everything the core needs from the user, by concern. The window's side (WindowPort)
// implements all of it with real dialogs; tests implement it with a scripted fake. Each part
// of the core is handed only the concerns it uses.
class UserInterface : public Questions,
                      public FileChooser,
                      public PrinterPort,
                      public WindowStatus {};
