// What the qel commands share.
#include "tools/QelHost.h"

#include <fstream>
#include <iterator>

std::string ReadFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw Exception("cannot read '" + fileName + "'");
    // An empty file is read as an empty text, which the reader then refuses with its position.
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        throw Exception("cannot read '" + fileName + "'");
    return text;
}

void PrintLine(std::FILE* stream, const std::string& line)
{
    std::fputs((line + "\n").c_str(), stream);
    std::fflush(stream);
}

void TEventPrinter::EventFired(const std::vector<std::string>& argumentTexts)
{
    std::string line = EventArgText(static_cast<const TObject*>(FComponent)) + "." + FEvent.Name;
    const std::vector<std::string_view>& names = FEvent.Event->ParamNames;
    for (std::size_t i = 0; i < argumentTexts.size() && i < names.size(); ++i)
        line.append(" ").append(names[i]).append("=").append(argumentTexts[i]);
    PrintLine(stdout, line);
}
