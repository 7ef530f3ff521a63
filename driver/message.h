#pragma once
// Start-up failures: a message box (when a display can show one) and the same
// text on standard error.
void showErrorMessage(const char* text);
