// Generated and mutated form descriptions.
#include "tests/fuzz/DescriptionFuzzer.h"

#include "framework/Objects.h"

#include <limits>

namespace {

// A text in the description's own spelling: printable runs in quotes, control characters as #codes,
// long texts joined from pieces with '+'.
std::string Literal(const std::string& text)
{
    std::string literal;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (i > 0 && i % 60 == 0) {
            literal += quoted ? "' +\n'" : " +\n'";
            quoted = true;
        }
        const bool control = c < 32 || c == 127;
        if (control == quoted) {
            literal += '\'';
            quoted = !quoted;
        }
        if (control)
            literal += "#" + std::to_string(c);
        else
            literal += c == '\'' ? std::string("''") : std::string(1, static_cast<char>(c));
    }
    if (quoted)
        literal += '\'';
    return literal.empty() ? "''" : literal;
}

const std::vector<std::string> Replacements = {"object", "end", "item", "nil", "True", "=", ".", ":", "<", ">",
                                               "(", ")", "[", "]", "{", "}", "+", "'", "#", "$", "-", "0",
                                               "2147483647", "-2147483648", "99999999999999999999", "1e999",
                                               "#0065", "10px", "Strings", "TForm", "TLabel", "''"};

} // namespace

TDescriptionFuzzer::TDescriptionFuzzer(std::uint32_t seed, std::size_t longText) : FRandom(seed), FLongText(longText)
{
    // The single-instance guard ends the process when it counts more copies than it allows, which a
    // generated Instances = 0 makes it do: that is its job, not a fault of reading.
    static const TClass processEnding = GetClass("TQELOnlyOne");
    for (TClass cls : RegisteredClasses())
        if (cls->CreateComponent && cls != processEnding)
            FClasses.push_back(cls);
}

std::string TDescriptionFuzzer::Next()
{
    std::string text = Generate();
    return Chance(40) ? text : Mutated(std::move(text));
}

std::string TDescriptionFuzzer::Generate()
{
    FNames.clear();
    FNextName = 0;
    // A form (or a component of any class) at the root, to give the controls a parent now and then.
    TClass root = Chance(60) ? GetClass("TForm") : Pick(FClasses);
    std::string text;
    Object(text, root ? root : Pick(FClasses), 0);
    return text;
}

void TDescriptionFuzzer::Object(std::string& text, TClass cls, int depth)
{
    const std::string name = "C" + std::to_string(FNextName++);
    FNames.push_back(name);
    text += "object " + (Chance(90) ? name + ": " : std::string()) + cls->Name + "\n";
    Properties(text, cls, {}, 0);
    // Mostly where components can be: anything in the root, controls in windowed controls.
    static const TClass windowed = GetClass("TWinControl");
    if (depth == 0 || (depth < 3 && (cls->InheritsFrom(windowed) || Chance(5))))
        for (std::size_t i = Below(depth == 0 ? 6 : 3); i > 0; --i)
            Object(text, Pick(FClasses), depth + 1);
    text += "end\n";
}

void TDescriptionFuzzer::Properties(std::string& text, TClass cls, const std::string& path, int depth)
{
    for (const TPropInfo* prop : cls->AllProperties()) {
        // The name is the object line's (a Name line now and then).
        if (!Chance(prop->Name == "Name" ? 2 : 35))
            continue;
        const std::string name = path + prop->Name;
        switch (prop->Kind) {
        case TTypeKind::Class:
            if (depth < 3 && prop->ClassOf)
                Properties(text, prop->ClassOf(), name + ".", depth + 1);
            break;
        case TTypeKind::Strings: {
            text += name + ".Strings = (";
            for (std::size_t i = Below(4); i > 0; --i)
                text += "\n" + Literal(Text());
            text += ")\n";
            break;
        }
        default:
            text += name + " = " + Value(*prop) + "\n";
            break;
        }
    }
}

std::string TDescriptionFuzzer::Value(const TPropInfo& prop)
{
    if (Chance(1)) // a value of another kind
        return Pick(Replacements);
    switch (prop.Kind) {
    case TTypeKind::String:
        return Literal(Text());
    case TTypeKind::Char:
        return Literal(std::string(1, static_cast<char>(FRandom() % 256)));
    case TTypeKind::Integer: {
        const std::vector<std::int64_t> values = {prop.Min, prop.Max, 0, 1, -1, prop.Min + static_cast<std::int64_t>(Below(100)),
                                                  prop.Max - static_cast<std::int64_t>(Below(100)), std::numeric_limits<int>::max(),
                                                  std::numeric_limits<int>::min(), static_cast<std::int64_t>(Below(2000))};
        return std::to_string(Pick(values));
    }
    case TTypeKind::Bool:
        return Chance(50) ? "True" : "False";
    case TTypeKind::Enum:
        return std::string(prop.Enum->Names[Below(prop.Enum->Names.size())]);
    case TTypeKind::Set: {
        std::string set = "[";
        for (std::string_view element : prop.Enum->Names)
            if (Chance(40))
                set += (set.size() > 1 ? ", " : "") + std::string(element);
        return set + "]";
    }
    case TTypeKind::Float:
    case TTypeKind::DateTime:
        return Pick(std::vector<std::string>{"0.0", "1.5", "-1e300", "45000.25", "1e308", "3"});
    case TTypeKind::Component:
        return Chance(20) ? "nil" : Chance(10) ? "Nobody" : Pick(FNames);
    case TTypeKind::Method:
        return Chance(20) ? "nil" : "Handler" + std::to_string(Below(5));
    case TTypeKind::Collection:
        return Pick(std::vector<std::string>{"<>", "<item end>", "<item\n end\n item end>"});
    case TTypeKind::Binary: {
        std::string bytes = "{";
        for (std::size_t i = Below(40); i > 0; --i)
            bytes += "0123456789ABCDEF"[Below(16)];
        if (bytes.size() % 2 == 0)
            bytes += '0';
        return bytes + "}";
    }
    default:
        return "nil";
    }
}

std::string TDescriptionFuzzer::Text()
{
    switch (Below(10)) {
    case 0:
        return {};
    case 1: { // many short words: the most lines a word-wrapped label can have
        std::string words;
        const std::size_t length = Below(FLongText);
        while (words.size() < length)
            words += "ab ";
        return words;
    }
    case 2:
        return std::string(Pick(std::vector<std::size_t>{255, 256, 300, 32766, 32767, 40000}), 'W');
    case 3: { // any bytes
        std::string bytes(Below(40), '\0');
        for (char& c : bytes)
            c = static_cast<char>(FRandom() % 256);
        return bytes;
    }
    case 4:
        return Pick(std::vector<std::string>{"C:\\", "..\\..\\x.ini", "a/b\\c", "\t", "\r\n", " lead", "trail ",
                                             "&&&", "[S]", "a=b", ";c", "%s%n", "\xff\xfe"});
    default: { // a word or a few
        std::string words;
        for (std::size_t i = Below(4) + 1; i > 0; --i)
            words += (words.empty() ? "" : " ") + std::string("Word") + std::to_string(Below(1000));
        return words;
    }
    }
}

std::string TDescriptionFuzzer::Mutated(std::string text)
{
    switch (Below(3)) {
    case 0: // cut off anywhere
        text.resize(Below(text.size() + 1));
        return text;
    case 1: // bytes changed, added or removed
        for (std::size_t edits = Below(8) + 1; edits > 0 && !text.empty(); --edits) {
            const std::size_t at = Below(text.size());
            const char byte = Chance(70) ? "'#=.:<>()[]{}+$-0123456789 \nendobjectitemTruenil"[Below(48)]
                                         : static_cast<char>(FRandom() % 256);
            switch (Below(3)) {
            case 0:
                text[at] = byte;
                break;
            case 1:
                text.insert(at, 1, byte);
                break;
            default:
                text.erase(at, 1);
                break;
            }
        }
        return text;
    default: { // a token removed, doubled or replaced
        std::vector<std::pair<std::size_t, std::size_t>> tokens; // start, length
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t start = text.find_first_not_of(" \t\r\n", i);
            if (start == std::string::npos)
                break;
            const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
            tokens.emplace_back(start, end - start);
            i = end;
        }
        if (tokens.empty())
            return text;
        const auto [start, length] = tokens[Below(tokens.size())];
        switch (Below(3)) {
        case 0:
            text.erase(start, length);
            break;
        case 1:
            text.insert(start, text.substr(start, length) + " ");
            break;
        default:
            text.replace(start, length, Pick(Replacements));
            break;
        }
        return text;
    }
    }
}
