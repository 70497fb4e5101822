// The one place the library includes <windows.h>.
//
// The framework publishes names such as RegisterClass, MessageBox and GetClassName that the Win32
// headers define as macros for their A/W variants. The library always calls the ANSI entry points by
// their explicit names (RegisterClassA, MessageBoxA, ...), so those macros are removed here.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The shell's file operations, notification icons, dropped files and launching, which the lean set of
// headers leaves out.
#include <shellapi.h>

#undef RegisterClass
#undef MessageBox
#undef GetClassName
#undef FindWindow
#undef CreateWindow
#undef CopyFile
#undef MoveFile
#undef DeleteFile
#undef GetUserName
#undef GetComputerName
#undef LoadIcon
#undef GetObject
#undef DrawText
#undef FindText
#undef GetMessage
#undef PostMessage
#undef SendMessage
#undef ExitWindows
