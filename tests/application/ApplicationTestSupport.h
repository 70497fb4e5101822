// Shared by the application tests: forms read from descriptions with every event they name written to a
// log, and the icons of the notification area.
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"
#include "framework/Win32Handles.h"
#include "tests/support/Processes.h"

#include <memory>
#include <string>
#include <vector>

// Every event handler a description names, bound to a log that keeps one line per call, as the host
// program prints it: "Component.Event Param=value ...". The log must outlive what it read.
class TEventLog {
public:
    TEventLog();
    ~TEventLog();
    TEventLog(const TEventLog&) = delete;
    TEventLog& operator=(const TEventLog&) = delete;

    // Reads description into a new root owned by the application object.
    std::unique_ptr<TComponent> Read(const std::string& description);

    std::vector<std::string> Lines;

private:
    class TPrinter;
    std::vector<std::unique_ptr<TPrinter>> FPrinters;
};

// The description the writer makes of root, with plain line feeds.
std::string StoredText(const TComponent& root);

// The icons in the notification area (under Wine's X11 driver, child windows of the tray window).
std::vector<HWND> TrayIconWindows();
