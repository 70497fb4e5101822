// The system's text for a Win32 error code, for the messages of the framework's exceptions.
#pragma once

#include <string>

// The text FormatMessageA gives for errorCode, without its closing full stop and line break, followed by
// the number: "Access denied (error 5)". Just the number when the system has no text for it.
std::string SysErrorMessage(unsigned long errorCode);
