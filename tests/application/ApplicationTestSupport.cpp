// Helpers of the application tests.
#include "tests/application/ApplicationTestSupport.h"

#include "framework/FormText.h"
#include "framework/Forms.h"

#include <algorithm>
#include <fstream>
#include <sstream>

// ---------------------------------------------------------------------------------------------------
// TEventLog

class TEventLog::TPrinter : public TEventSink {
public:
    TPrinter(TEventLog& log, const TComponent* component, const TPropInfo& event)
        : FLog(log), FComponent(component), FEvent(event)
    {
    }

    void EventFired(const std::vector<std::string>& argumentTexts) override
    {
        std::string line = EventArgText(static_cast<const TObject*>(FComponent)) + "." + FEvent.Name;
        const std::vector<std::string_view>& names = FEvent.Event->ParamNames;
        for (std::size_t i = 0; i < argumentTexts.size() && i < names.size(); ++i)
            line.append(" ").append(names[i]).append("=").append(argumentTexts[i]);
        FLog.Lines.push_back(line);
    }

private:
    TEventLog& FLog;
    const TComponent* FComponent;
    const TPropInfo& FEvent;
};

TEventLog::TEventLog() = default;
TEventLog::~TEventLog() = default;

std::unique_ptr<TComponent> TEventLog::Read(const std::string& description)
{
    TReader reader(description);
    reader.SetOnFindMethod([this](TComponent* component, const TPropInfo& event, const std::string&) {
        FPrinters.push_back(std::make_unique<TPrinter>(*this, component, event));
        return event.Event->MakeGeneric(FPrinters.back().get());
    });
    return std::unique_ptr<TComponent>(reader.ReadComponent(Application));
}

// ---------------------------------------------------------------------------------------------------
// Descriptions, files and command lines

std::string StoredText(const TComponent& root)
{
    std::string text = WriteComponentText(root);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// ---------------------------------------------------------------------------------------------------
// The notification area

std::vector<HWND> TrayIconWindows()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::string(name) == "__winex11_tray_icon")
            icons.push_back(child);
    }
    return icons;
}
