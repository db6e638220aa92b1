// Registers a command to run at every user's logon, under the machine-wide Run key.
#pragma once

#include <stddef.h>

// "\"<program>\" <timeout>" into command; false when it would not fit.
bool ComposeAutorunCommand(const wchar_t* program, const wchar_t* timeout, wchar_t* command,
                           size_t capacity);

// The whole tool; returns its exit status.
int RegisterAutorun(int argc, wchar_t** argv);
