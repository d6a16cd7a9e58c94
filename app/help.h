// The help text: the keys and the mouse, printed on request.
#pragma once

// Prints the help text to standard output, a line at a time.
void printHelp();
