#pragma once

// The choices of a menu that exclude one another (an exclusive action group) are radio items to
// screen readers, as they are to the eye; Qt reports every checkable menu item as a check item.
// Installed once, before any menu is read.
void installRadioMenuItems();
