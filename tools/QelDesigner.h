// The designer's commands of qel: the palette, inspecting and editing a form description as the
// designer shows it, and the component reference generated from the class records.
#pragma once

#include <string>
#include <vector>

extern const char* const DesignerUsage;

bool IsDesignerCommand(const std::string& command);
// Runs the command args[0] with the rest of args; returns the process's exit code.
int RunDesignerCommand(const std::vector<std::string>& args);
