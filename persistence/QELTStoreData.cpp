// The settings store and the store-data component.
#include "persistence/QELTStoreData.h"

#include "framework/IniFiles.h"
#include "framework/Registry.h"
#include "framework/Strings.h"

#include <algorithm>

const std::array<HKEY, 6> QELHKeys{HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE,
                                   HKEY_USERS,        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};

// Path, Section, Filename and ErrorStr start out non-empty, so an empty value is stored too (as '');
// left out, it would read back as the constructor's value and a store the user disabled would come
// back active.
QEL_CLASS_INFO(TQELRegistry, TPersistent)
{
    return {
        Prop("Rootkey", &TQELRegistry::Rootkey, &TQELRegistry::SetRootkey).Default(hkeyCurrentUser),
        Prop("Path", &TQELRegistry::Path, &TQELRegistry::SetPath).Stored(TStored::Always),
        Prop("Section", &TQELRegistry::Section, &TQELRegistry::SetSection).Stored(TStored::Always),
    };
}

QEL_CLASS_INFO(TQELIniFile, TPersistent)
{
    return {
        Prop("Filename", &TQELIniFile::Filename, &TQELIniFile::SetFilename).Stored(TStored::Always),
        Prop("Section", &TQELIniFile::Section, &TQELIniFile::SetSection).Stored(TStored::Always),
    };
}

QEL_CLASS_INFO(TQELDataStore, TPersistent)
{
    return {
        Prop("ErrorInt", &TQELDataStore::ErrorInt, &TQELDataStore::SetErrorInt).Stored(TStored::Always),
        Prop("ErrorStr", &TQELDataStore::ErrorStr, &TQELDataStore::SetErrorStr).Stored(TStored::Always),
        Prop("ErrorBool", &TQELDataStore::ErrorBool, &TQELDataStore::SetErrorBool).Stored(TStored::Always),
        Prop("OnError", &TQELDataStore::OnError, &TQELDataStore::SetOnError),
        Prop("Enabled", &TQELDataStore::Enabled, &TQELDataStore::SetEnabled).Default(true),
        Prop("Datatype", &TQELDataStore::Datatype, &TQELDataStore::SetDatatype).Default(sRegistry),
        Prop("Registry", &TQELDataStore::Registry),
        Prop("Inifile", &TQELDataStore::Inifile),
    };
}

QEL_OPERATIONS(TQELDataStore)
{
    using C = TQELDataStore;
    return {
        Operation(&C::ReadStr, "ReadStr(Name)", "the text Name, ErrorStr when it is missing (OnError fires)"),
        Operation(&C::ReadStrs, "ReadStrs(Strings)", "fills Strings with the section's values as name=value lines"),
        Operation(&C::ReadCrypt, "ReadCrypt(Name)", "the scrambled text Name, unscrambled"),
        Operation(&C::WriteCrypt, "WriteCrypt(Name, Value)", "writes Value as scrambled text"),
        Operation(&C::WriteStr, "WriteStr(Name, Value)", "writes the text Value"),
        Operation(&C::ReadInt, "ReadInt(Name)", "the integer Name, ErrorInt when it is missing (OnError fires)"),
        Operation(&C::WriteInt, "WriteInt(Name, Value)", "writes the integer Value"),
        Operation(&C::ReadBool, "ReadBool(Name)", "the Boolean Name, ErrorBool when it is missing (OnError fires)"),
        Operation(&C::WriteBool, "WriteBool(Name, Value)", "writes the Boolean Value"),
        Operation(&C::Erase, "Erase()", "removes the whole section"),
        Operation(&C::DeleteKey, "DeleteKey(Name)", "removes the value Name"),
    };
}

QEL_CLASS_INFO(TQELStoreData, TQELSystemsComponent)
{
    return {
        Prop("OnError", &TQELStoreData::OnError, &TQELStoreData::SetOnError),
        Prop("DataStore", &TQELStoreData::DataStore),
    };
}

QEL_OPERATIONS(TQELStoreData)
{
    using C = TQELStoreData;
    return {
        Operation(&C::ReadStr, "ReadStr(Name)", "as DataStore's ReadStr"),
        Operation(&C::ReadStrs, "ReadStrs(Strings)", "as DataStore's ReadStrs"),
        Operation(&C::ReadCrypt, "ReadCrypt(Name)", "as DataStore's ReadCrypt"),
        Operation(&C::WriteCrypt, "WriteCrypt(Name, Value)", "as DataStore's WriteCrypt"),
        Operation(&C::WriteStr, "WriteStr(Name, Value)", "as DataStore's WriteStr"),
        Operation(&C::ReadInt, "ReadInt(Name)", "as DataStore's ReadInt"),
        Operation(&C::WriteInt, "WriteInt(Name, Value)", "as DataStore's WriteInt"),
        Operation(&C::ReadBool, "ReadBool(Name)", "as DataStore's ReadBool"),
        Operation(&C::WriteBool, "WriteBool(Name, Value)", "as DataStore's WriteBool"),
        Operation(&C::Erase, "Erase()", "as DataStore's Erase"),
        Operation(&C::DeleteKey, "DeleteKey(Name)", "as DataStore's DeleteKey"),
    };
}

namespace {

// The one shift applied to every byte of scrambled text. Part of the stored format
// (docs/stored-settings.md). Chosen so that tab, line feed, carriage return and every printable byte
// (0x20 to 0x7E, 0x80 to 0xFF) become neither a NUL, a line feed or a carriage return, which an INI
// line cannot hold, nor a Ctrl-Z. Only the control codes 5, 15, 18 and 31 become those.
constexpr unsigned char ScrambleOffset = 0xFB;

std::string Shifted(const std::string& text, unsigned char offset)
{
    const auto shiftedByte = [offset](char c) { return static_cast<char>(static_cast<unsigned char>(c) + offset); };
    if (!AnsiCodePageIsUtf8()) {
        std::string result(text.size(), '\0');
        std::transform(text.begin(), text.end(), result.begin(), shiftedByte);
        return result;
    }
    // Shifted bytes of UTF-8 are no UTF-8, and the system's ANSI calls would turn them into U+FFFD. So
    // under UTF-8 each character's code point moves instead, within its block of 256: ASCII text from
    // 0x05 on scrambles to the very bytes it does in any other code page, and a Latin-1 letter to the
    // same letter as in code page 1252 (U+00E9 to U+00E4), so that the registry, which holds text as
    // UTF-16, keeps one scrambled value for both kinds of program. A stray byte moves as a byte.
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i += AnsiCharLength(text, i)) {
        if (const std::optional<char32_t> code = Utf8CharCode(text, i))
            result += AnsiChar((*code & ~char32_t{0xFF}) | ((*code + offset) & 0xFF)).value();
        else
            result += shiftedByte(text[i]);
    }
    return result;
}

std::string Scrambled(const std::string& text)
{
    return Shifted(text, ScrambleOffset);
}

std::string Unscrambled(const std::string& text)
{
    return Shifted(text, static_cast<unsigned char>(256 - ScrambleOffset));
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TQELRegistry, TQELIniFile

TQELRegistry::TQELRegistry() : FPath("Software\\Company\\Product"), FSection("MySection")
{
}

TQELIniFile::TQELIniFile() : FFilename("MyFile.ini"), FSection("MySection")
{
}

// ---------------------------------------------------------------------------------------------------
// TQELDataStore

TQELDataStore::TQELDataStore()
    : FErrorStr("Error"), FRegistry(std::make_unique<TQELRegistry>()), FInifile(std::make_unique<TQELIniFile>())
{
}

void TQELDataStore::FireError()
{
    FOnError(this);
}

template <class F>
bool TQELDataStore::Access(F&& call)
{
    // Designers type paths with either slash; the registry knows only the backslash. The property
    // keeps the corrected path, whether or not this operation goes on.
    if (FRegistry->Path().find('/') != std::string::npos) {
        std::string path = FRegistry->Path();
        std::replace(path.begin(), path.end(), '/', '\\');
        FRegistry->SetPath(path);
    }
    if (!FEnabled)
        return false;
    const std::string& section = FDatatype == sRegistry ? FRegistry->Section() : FInifile->Section();
    if (section.empty()) {
        FireError();
        return false;
    }
    if (FDatatype == sRegistry) {
        if (FRegistry->Path().empty())
            return false;
        TRegIniFile store(FRegistry->Path());
        store.SetRootKey(QELHKeys.at(FRegistry->Rootkey()));
        call(store, section);
    } else {
        if (FInifile->Filename().empty())
            return false;
        TIniFile store(FInifile->Filename());
        call(store, section);
    }
    return true;
}

std::string TQELDataStore::ReadStr(const std::string& name)
{
    std::string result = FErrorStr;
    const bool reached = Access(
        [&](auto& store, const std::string& section) { result = store.ReadString(section, name, FErrorStr); });
    if (reached && result == FErrorStr)
        FireError();
    return result;
}

void TQELDataStore::ReadStrs(TStrings& strings)
{
    Access([&](auto& store, const std::string& section) { store.ReadSectionValues(section, strings); });
}

std::string TQELDataStore::ReadCrypt(const std::string& name)
{
    // The fallback comes back as it is: it was never scrambled.
    const std::string fallback = FErrorStr;
    const std::string result = ReadStr(name);
    return result == fallback ? result : Unscrambled(result);
}

void TQELDataStore::WriteCrypt(const std::string& name, const std::string& value)
{
    Access([&](auto& store, const std::string& section) { store.WriteString(section, name, Scrambled(value)); });
}

void TQELDataStore::WriteStr(const std::string& name, const std::string& value)
{
    Access([&](auto& store, const std::string& section) { store.WriteString(section, name, value); });
}

int TQELDataStore::ReadInt(const std::string& name)
{
    int result = FErrorInt;
    const bool reached = Access(
        [&](auto& store, const std::string& section) { result = store.ReadInteger(section, name, FErrorInt); });
    if (reached && result == FErrorInt)
        FireError();
    return result;
}

void TQELDataStore::WriteInt(const std::string& name, int value)
{
    Access([&](auto& store, const std::string& section) { store.WriteInteger(section, name, value); });
}

bool TQELDataStore::ReadBool(const std::string& name)
{
    bool result = FErrorBool;
    Access([&](auto& store, const std::string& section) { result = store.ReadBool(section, name, FErrorBool); });
    return result;
}

void TQELDataStore::WriteBool(const std::string& name, bool value)
{
    Access([&](auto& store, const std::string& section) { store.WriteBool(section, name, value); });
}

void TQELDataStore::Erase()
{
    Access([&](auto& store, const std::string& section) { store.EraseSection(section); });
}

void TQELDataStore::DeleteKey(const std::string& name)
{
    Access([&](auto& store, const std::string& section) { store.DeleteKey(section, name); });
}

// ---------------------------------------------------------------------------------------------------
// TQELStoreData

TQELStoreData::TQELStoreData(TComponent* owner)
    : TQELSystemsComponent(owner), FDataStore(std::make_unique<TQELDataStore>())
{
}
