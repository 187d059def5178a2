#pragma once

// What every run of the program wires up once, right after the QApplication exists: numbers in
// the C locale for printf-style value texts, the message sink (message boxes, on the window's
// thread only), the table dialogs behind the parameter sets' group action. main() and the GUI
// tests both go through here, so nothing can be wired in the tests and missing in the program.
void AssembleProgram();
