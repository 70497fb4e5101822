// Texts of Win32 error codes.
#include "framework/SysErrors.h"

#include "framework/Win32.h"

std::string SysErrorMessage(unsigned long errorCode)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, errorCode, 0,
                                  text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.' ||
                          text[length - 1] == ' '))
        --length;
    const std::string number = "error " + std::to_string(errorCode);
    return length == 0 ? number : std::string(text, length) + " (" + number + ")";
}
