// Import table patching for tests.
#include "tests/support/ImportPatch.h"

#include <stdexcept>
#include <string>

namespace {

// The table may sit in read-only memory once the loader has bound it.
bool WriteEntry(ULONG_PTR* entry, ULONG_PTR value)
{
    DWORD protection = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection))
        return false;
    *entry = value;
    (void)VirtualProtect(entry, sizeof *entry, protection, &protection);
    return true;
}

// The import address table entry through which the executable calls moduleName!functionName.
ULONG_PTR* FindImportEntry(const char* moduleName, const char* functionName)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; directory.VirtualAddress && descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), moduleName) != 0)
            continue;
        // The lookup table keeps the names; the address table beside it holds the bound addresses.
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), functionName) == 0)
                return reinterpret_cast<ULONG_PTR*>(&addresses->u1.Function);
        }
    }
    throw std::runtime_error(std::string("The executable does not import ") + moduleName + "!" + functionName);
}

} // namespace

TImportPatch::TImportPatch(const char* moduleName, const char* functionName, ULONG_PTR replacement)
    : FEntry(FindImportEntry(moduleName, functionName)), FOriginal(*FEntry)
{
    if (!WriteEntry(FEntry, replacement))
        throw std::runtime_error("Cannot write the import entry of " + std::string(functionName) + " (error " +
                                 std::to_string(GetLastError()) + ")");
}

TImportPatch::~TImportPatch()
{
    (void)WriteEntry(FEntry, FOriginal); // it was writable a moment ago
}
