#pragma once

class QWidget;

// The size grips of a window, named for screen readers, with a role the platform knows (a grip
// where it has one; on Linux, whose accessibility has none, the space-filling part it is).
void nameSizeGrips(QWidget* window);
