#pragma once

// The tests see the same world on every machine: the recovery copies and data folders are the
// build's own (an installed Quorix, its help document, is never found), and the locale, which
// chooses a new deck's character set, is fixed. Called first thing in main.
void useTestEnvironment(const char* program);
