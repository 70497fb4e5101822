// Form descriptions. The text format is known in one place only: the tokenizer and parser that turn
// text into a syntax tree, and the printer that turns a syntax tree into text. Reading builds
// components from that tree; writing builds the tree from components. Neither walk sees the text.
#include "framework/FormText.h"

#include "framework/Collection.h"
#include "framework/StringList.h"
#include "framework/Strings.h"
#include "framework/Win32.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------
// The syntax tree

struct TPos {
    int Line = 0;
    int Column = 0;
};

struct TName {
    std::string Text;
    TPos Pos;
};

struct TPropertyNode;
using TPropertyNodes = std::vector<TPropertyNode>;

enum class TValueKind : std::uint8_t { String, Integer, Float, Ident, Set, List, Collection, Binary };

struct TValueNode {
    TValueKind Kind = TValueKind::Ident;
    TPos Pos;
    std::string Text;                  // String: its characters; Ident: the name
    std::int64_t Integer = 0;
    double Float = 0;
    std::vector<TName> Names;          // Set: the elements
    std::vector<std::string> Strings;  // List: the lines
    std::vector<TPropertyNodes> Items; // Collection: each item's properties
    TBytes Bytes;                      // Binary
};

struct TPropertyNode {
    std::vector<TName> Path; // for a list, without the ".Strings" the text adds
    TValueNode Value;
};

struct TObjectNode {
    TPos Pos;
    TName Name; // empty for an unnamed component
    TName ClassName;
    TPropertyNodes Properties;
    std::vector<TObjectNode> Children;
};

std::string PositionText(TPos pos)
{
    return "Line " + std::to_string(pos.Line) + ", column " + std::to_string(pos.Column) + ": ";
}

[[noreturn]] void ReadError(TPos pos, const std::string& message)
{
    throw EReadError(PositionText(pos) + message, pos.Line, pos.Column);
}

// How messages name a component: by its name, or by its class when it has none.
std::string NameOf(const TComponent& component)
{
    return component.Name().empty() ? component.ClassName() : component.Name();
}

std::string JoinPath(const std::vector<TName>& path)
{
    std::string text;
    for (const TName& name : path)
        text.append(text.empty() ? "" : ".").append(name.Text);
    return text;
}

// ---------------------------------------------------------------------------------------------------
// The text format: value spelling shared by the tokenizer, the printer and error messages

constexpr std::size_t StringPiece = 64; // characters (not bytes) of a long string on one line
constexpr std::size_t BinaryLine = 32;  // bytes of binary data on one line
constexpr const char* LineBreak = "\r\n";
constexpr const char* ListSuffix = "Strings";
// The lines of a design position (TComponent::DesignPosition), any int each.
constexpr const char* DesignLeft = "Left";
constexpr const char* DesignTop = "Top";
constexpr std::int64_t DesignMin = std::numeric_limits<int>::min();
constexpr std::int64_t DesignMax = std::numeric_limits<int>::max();

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsControl(unsigned char c)
{
    return c < 32 || c == 127;
}

// A byte that is no character of the text: one of broken UTF-8, under UTF-8.
bool IsStrayByte(std::string_view text, std::size_t index)
{
    return AnsiCodePageIsUtf8() && !Utf8CharCode(text, index);
}

// Printable runs in quotes (a quote doubled), control characters and stray bytes as #code:
// 'a'#13#10'b'. So a description holds whole characters of its code page only, whatever the text.
std::string QuoteString(std::string_view text)
{
    std::string quoted;
    bool inQuotes = false;
    for (std::size_t i = 0, length; i < text.size(); i += length) {
        length = AnsiCharLength(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        const bool coded = IsControl(c) || IsStrayByte(text, i);
        if (coded == inQuotes) {
            quoted += '\'';
            inQuotes = !inQuotes;
        }
        if (coded)
            quoted.append("#").append(std::to_string(c));
        else
            quoted.append(c == '\'' ? "''" : text.substr(i, length));
    }
    if (inQuotes)
        quoted += '\'';
    return quoted.empty() ? "''" : quoted;
}

// The shortest text that reads back as exactly the same double, always with a '.' or an exponent so
// that it reads as a float. Locale-independent.
std::string FloatText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

std::string HexText(const unsigned char* bytes, std::size_t count)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text.append(1, digits[bytes[i] >> 4]).append(1, digits[bytes[i] & 15]);
    return text;
}

// The whole character at index.
std::string DescribeChar(std::string_view text, std::size_t index)
{
    const auto c = static_cast<unsigned char>(text[index]);
    if (IsControl(c) || IsStrayByte(text, index))
        return "character #" + std::to_string(c);
    return "'" + std::string(text.substr(index, AnsiCharLength(text, index))) + "'";
}

std::string DescribeString(std::string_view text)
{
    constexpr std::size_t shown = 30; // characters
    const std::string start = AnsiLeftChars(text, shown);
    return "string " + QuoteString(start) + (start.size() < text.size() ? "..." : "");
}

std::string Describe(const TValueNode& value)
{
    switch (value.Kind) {
    case TValueKind::String:
        return DescribeString(value.Text);
    case TValueKind::Integer:
        return std::to_string(value.Integer);
    case TValueKind::Float:
        return FloatText(value.Float);
    case TValueKind::Ident:
        return "'" + value.Text + "'";
    case TValueKind::Set:
        return "a set";
    case TValueKind::List:
        return "a list of strings";
    case TValueKind::Collection:
        return "a collection";
    case TValueKind::Binary:
        return "binary data";
    }
    return {};
}

// ---------------------------------------------------------------------------------------------------
// Tokenizer

enum class TTokenKind : std::uint8_t { End, Ident, String, Integer, Float, Binary, Symbol };

struct TToken {
    TTokenKind Kind = TTokenKind::End;
    TPos Pos;
    std::string Text; // Ident: the name; String: its characters; Symbol: the character; numbers: source
    std::int64_t Integer = 0;
    double Float = 0;
    TBytes Bytes;
};

std::string Describe(const TToken& token)
{
    switch (token.Kind) {
    case TTokenKind::End:
        return "end of file";
    case TTokenKind::Ident:
    case TTokenKind::Symbol:
        return "'" + token.Text + "'";
    case TTokenKind::String:
        return DescribeString(token.Text);
    case TTokenKind::Integer:
    case TTokenKind::Float:
        return token.Text;
    case TTokenKind::Binary:
        return "binary data";
    }
    return {};
}

class TLexer {
public:
    explicit TLexer(std::string_view text) : FText(text), FCharEnd(AnsiCharLength(text, 0)) { Next(); }

    const TToken& Token() const noexcept { return FToken; }

    void Next()
    {
        while (!AtEnd() && (Current() == ' ' || Current() == '\t' || Current() == '\r' || Current() == '\n'))
            Advance();
        FToken = TToken{};
        FToken.Pos = Here();
        if (AtEnd())
            return;
        const char c = Current();
        if (IsLetter(c))
            ReadIdent();
        else if (c == '\'' || c == '#')
            ReadString();
        else if (IsDigit(c) || c == '-' || c == '$')
            ReadNumber();
        else if (c == '{')
            ReadBinary();
        else if (std::string_view("=:.,()[]<>+").find(c) != std::string_view::npos) {
            FToken.Kind = TTokenKind::Symbol;
            FToken.Text = std::string(1, c);
            Advance();
        } else
            ReadError(Here(), "expected a name, a value or a symbol but found " + DescribeHere());
    }

private:
    bool AtEnd() const noexcept { return FIndex >= FText.size(); }
    char Current() const noexcept { return FText[FIndex]; }
    bool NextIs(bool (*test)(char)) const { return FIndex + 1 < FText.size() && test(FText[FIndex + 1]); }
    TPos Here() const noexcept { return {FLine, FColumn}; }
    std::string DescribeHere() const { return AtEnd() ? "end of file" : DescribeChar(FText, FIndex); }

    // Columns count characters, not bytes.
    void Advance() noexcept
    {
        const bool lineEnd = Current() == '\n';
        if (++FIndex < FCharEnd)
            return;
        FCharEnd = FIndex + AnsiCharLength(FText, FIndex);
        if (lineEnd) {
            ++FLine;
            FColumn = 1;
        } else
            ++FColumn;
    }

    void ReadIdent()
    {
        FToken.Kind = TTokenKind::Ident;
        while (!AtEnd() && (IsLetter(Current()) || IsDigit(Current()))) {
            FToken.Text += Current();
            Advance();
        }
    }

    // Quoted pieces and #codes written next to each other make one string.
    void ReadString()
    {
        FToken.Kind = TTokenKind::String;
        while (!AtEnd() && (Current() == '\'' || Current() == '#')) {
            if (Current() == '\'')
                ReadQuoted();
            else
                ReadCharCode();
        }
    }

    void ReadQuoted()
    {
        Advance();
        for (;;) {
            if (AtEnd() || Current() == '\r' || Current() == '\n')
                ReadError(Here(), std::string("expected \"'\" to close the string but found ") +
                                      (AtEnd() ? "end of file" : "end of line"));
            if (Current() == '\'') {
                Advance();
                if (AtEnd() || Current() != '\'')
                    return;
            }
            FToken.Text += Current();
            Advance();
        }
    }

    void ReadCharCode()
    {
        const TPos start = Here();
        Advance();
        if (AtEnd() || !IsDigit(Current()))
            ReadError(Here(), "expected a character code after '#' but found " + DescribeHere());
        std::string digits;
        // Stops growing past the last code point, so that any number of digits is safe.
        constexpr char32_t beyond = 0x110000;
        char32_t code = 0;
        while (!AtEnd() && IsDigit(Current())) {
            digits += Current();
            code = std::min<char32_t>(code * 10 + static_cast<char32_t>(Current() - '0'), beyond);
            Advance();
        }
        // Up to 255 a code is a byte, as it always was, in any code page; above, the Unicode character
        // in the program's code page.
        if (code <= 255) {
            FToken.Text += static_cast<char>(code);
            return;
        }
        const std::optional<std::string> character = AnsiChar(code);
        if (!character)
            ReadError(start, "expected a character code from 0 to 255, or of a character of the code page, but found #" +
                                 digits);
        FToken.Text += *character;
    }

    void ReadNumber()
    {
        const TPos start = Here();
        const std::size_t begin = FIndex;
        const bool negative = Current() == '-';
        if (negative) {
            Advance();
            if (AtEnd() || !(IsDigit(Current()) || Current() == '$'))
                ReadError(Here(), "expected a number after '-' but found " + DescribeHere());
        }
        bool isFloat = false;
        if (Current() == '$') {
            Advance();
            if (AtEnd() || HexValue(Current()) < 0)
                ReadError(Here(), "expected a hex digit after '$' but found " + DescribeHere());
            while (!AtEnd() && HexValue(Current()) >= 0)
                Advance();
        } else {
            while (!AtEnd() && IsDigit(Current()))
                Advance();
            if (!AtEnd() && Current() == '.' && NextIs(IsDigit)) {
                isFloat = true;
                Advance();
                while (!AtEnd() && IsDigit(Current()))
                    Advance();
            }
            if (!AtEnd() && (Current() == 'e' || Current() == 'E')) {
                auto sign = [](char c) { return c == '+' || c == '-'; };
                const bool signedExponent = NextIs(sign) && FIndex + 2 < FText.size() && IsDigit(FText[FIndex + 2]);
                if (NextIs(IsDigit) || signedExponent) {
                    isFloat = true;
                    Advance();
                    if (signedExponent)
                        Advance();
                    while (!AtEnd() && IsDigit(Current()))
                        Advance();
                }
            }
        }
        // 10px is not a number followed by a name: say so here, not at whatever comes after it.
        if (!AtEnd() && (IsLetter(Current()) || IsDigit(Current()))) {
            while (!AtEnd() && (IsLetter(Current()) || IsDigit(Current())))
                Advance();
            ReadError(start, "expected a number but found " + std::string(FText.substr(begin, FIndex - begin)));
        }
        FToken.Text = std::string(FText.substr(begin, FIndex - begin));
        const char* first = FToken.Text.data() + (negative ? 1 : 0);
        const char* last = FToken.Text.data() + FToken.Text.size();
        std::errc error;
        if (isFloat) {
            FToken.Kind = TTokenKind::Float;
            error = std::from_chars(FToken.Text.data(), last, FToken.Float).ec;
        } else {
            FToken.Kind = TTokenKind::Integer;
            // Parsed without its sign so that -$80 means minus 128.
            std::uint64_t magnitude = 0;
            error = *first == '$' ? std::from_chars(first + 1, last, magnitude, 16).ec
                                  : std::from_chars(first, last, magnitude).ec;
            const std::uint64_t limit = std::uint64_t{std::numeric_limits<std::int64_t>::max()} + (negative ? 1 : 0);
            if (error == std::errc{} && magnitude > limit)
                error = std::errc::result_out_of_range;
            FToken.Integer = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
        }
        if (error != std::errc{})
            ReadError(start, "expected a number within range but found " + FToken.Text);
    }

    void ReadBinary()
    {
        const TPos start = Here();
        Advance();
        std::string digits;
        for (;;) {
            if (AtEnd())
                ReadError(Here(), "expected '}' to close the binary data but found end of file");
            const char c = Current();
            if (c == '}')
                break;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                if (HexValue(c) < 0)
                    ReadError(Here(), "expected a hex digit or '}' but found " + DescribeHere());
                digits += c;
            }
            Advance();
        }
        Advance();
        if (digits.size() % 2 != 0)
            ReadError(start, "expected an even number of hex digits but found " + std::to_string(digits.size()));
        FToken.Kind = TTokenKind::Binary;
        for (std::size_t i = 0; i < digits.size(); i += 2)
            FToken.Bytes.push_back(static_cast<unsigned char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1])));
    }

    std::string_view FText;
    std::size_t FIndex = 0;
    std::size_t FCharEnd; // where the character at FIndex ends
    int FLine = 1;
    int FColumn = 1;
    TToken FToken;
};

// ---------------------------------------------------------------------------------------------------
// Parser

// Paths in one body, compared as identifiers are.
struct TTextLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};
using TPathSet = std::set<std::string, TTextLess>;

class TParser {
public:
    explicit TParser(std::string_view text) : FLexer(text) {}

    TObjectNode ParseDescription()
    {
        TObjectNode root = ParseObject();
        if (Token().Kind != TTokenKind::End)
            Expected("end of file");
        return root;
    }

private:
    const TToken& Token() const noexcept { return FLexer.Token(); }
    bool AtKeyword(std::string_view keyword) const
    {
        return Token().Kind == TTokenKind::Ident && SameText(Token().Text, keyword);
    }
    bool AtSymbol(char symbol) const
    {
        return Token().Kind == TTokenKind::Symbol && Token().Text[0] == symbol;
    }
    [[noreturn]] void Expected(const std::string& what) const
    {
        ReadError(Token().Pos, "expected " + what + " but found " + Describe(Token()));
    }
    void ExpectKeyword(std::string_view keyword)
    {
        if (!AtKeyword(keyword))
            Expected("'" + std::string(keyword) + "'");
        FLexer.Next();
    }
    void ExpectSymbol(char symbol)
    {
        if (!AtSymbol(symbol))
            Expected("'" + std::string(1, symbol) + "'");
        FLexer.Next();
    }
    TName ExpectIdent(const std::string& what)
    {
        if (Token().Kind != TTokenKind::Ident)
            Expected(what);
        TName name{Token().Text, Token().Pos};
        FLexer.Next();
        return name;
    }

    // Objects and collection items nest; the walks over the tree recurse as deep, so a description
    // nested deeper than any form needs is refused before it can exhaust the stack.
    static constexpr int MaxNesting = 100;
    class TNesting {
    public:
        TNesting(TParser& parser) : FParser(parser)
        {
            if (++FParser.FNesting > MaxNesting)
                ReadError(FParser.Token().Pos, "expected at most " + std::to_string(MaxNesting) +
                                                   " levels of nested objects and items but found more");
        }
        ~TNesting() { --FParser.FNesting; }
        TNesting(const TNesting&) = delete;
        TNesting& operator=(const TNesting&) = delete;

    private:
        TParser& FParser;
    };

    TObjectNode ParseObject()
    {
        const TNesting nesting(*this);
        TObjectNode node;
        node.Pos = Token().Pos;
        ExpectKeyword("object");
        TName first = ExpectIdent("a name");
        if (AtSymbol(':')) {
            FLexer.Next();
            node.Name = std::move(first);
            node.ClassName = ExpectIdent("a class name");
        } else
            node.ClassName = std::move(first);
        TPathSet seen;
        while (!AtKeyword("end")) {
            if (AtKeyword("object"))
                node.Children.push_back(ParseObject());
            else if (Token().Kind == TTokenKind::Ident && node.Children.empty())
                node.Properties.push_back(ParseProperty(seen));
            else
                Expected(node.Children.empty() ? "a property, 'object' or 'end'" : "'object' or 'end'");
        }
        FLexer.Next();
        return node;
    }

    // seen holds the paths given so far in the same body: a property is given once, so
    // that nothing read is silently overwritten (or, for a collection, freed) by a later line.
    TPropertyNode ParseProperty(TPathSet& seen)
    {
        TPropertyNode node;
        node.Path.push_back(ExpectIdent("a property name"));
        while (AtSymbol('.')) {
            FLexer.Next();
            node.Path.push_back(ExpectIdent("a property name"));
        }
        ExpectSymbol('=');
        node.Value = ParseValue();
        if (node.Value.Kind == TValueKind::List) {
            if (node.Path.size() < 2 || !SameText(node.Path.back().Text, ListSuffix))
                ReadError(node.Path.front().Pos, "expected " + JoinPath(node.Path) + "." + ListSuffix +
                                                     " before a list of strings but found " + JoinPath(node.Path));
            node.Path.pop_back();
        }
        if (!seen.insert(JoinPath(node.Path)).second)
            ReadError(node.Path.front().Pos, "expected each property once but found " + JoinPath(node.Path) + " again");
        return node;
    }

    TValueNode ParseValue()
    {
        TValueNode value;
        value.Pos = Token().Pos;
        switch (Token().Kind) {
        case TTokenKind::String:
            value.Kind = TValueKind::String;
            value.Text = ParseString();
            return value;
        case TTokenKind::Integer:
            value.Kind = TValueKind::Integer;
            value.Integer = Token().Integer;
            break;
        case TTokenKind::Float:
            value.Kind = TValueKind::Float;
            value.Float = Token().Float;
            break;
        case TTokenKind::Ident:
            value.Kind = TValueKind::Ident;
            value.Text = Token().Text;
            break;
        case TTokenKind::Binary:
            value.Kind = TValueKind::Binary;
            value.Bytes = Token().Bytes;
            break;
        case TTokenKind::Symbol:
            if (AtSymbol('['))
                return ParseSet(std::move(value));
            if (AtSymbol('('))
                return ParseList(std::move(value));
            if (AtSymbol('<'))
                return ParseCollection(std::move(value));
            Expected("a value");
        case TTokenKind::End:
            Expected("a value");
        }
        FLexer.Next();
        return value;
    }

    // A string and the strings joined to it with '+'.
    std::string ParseString()
    {
        std::string text = Token().Text;
        FLexer.Next();
        while (AtSymbol('+')) {
            FLexer.Next();
            if (Token().Kind != TTokenKind::String)
                Expected("a string after '+'");
            text += Token().Text;
            FLexer.Next();
        }
        return text;
    }

    TValueNode ParseSet(TValueNode value)
    {
        value.Kind = TValueKind::Set;
        FLexer.Next();
        if (!AtSymbol(']')) {
            value.Names.push_back(ExpectIdent("a set element or ']'"));
            while (!AtSymbol(']')) {
                if (!AtSymbol(','))
                    Expected("',' or ']'");
                FLexer.Next();
                value.Names.push_back(ExpectIdent("a set element"));
            }
        }
        FLexer.Next();
        return value;
    }

    TValueNode ParseList(TValueNode value)
    {
        value.Kind = TValueKind::List;
        FLexer.Next();
        while (!AtSymbol(')')) {
            if (Token().Kind != TTokenKind::String)
                Expected("a string or ')'");
            value.Strings.push_back(ParseString());
        }
        FLexer.Next();
        return value;
    }

    TValueNode ParseCollection(TValueNode value)
    {
        const TNesting nesting(*this);
        value.Kind = TValueKind::Collection;
        FLexer.Next();
        while (!AtSymbol('>')) {
            if (!AtKeyword("item"))
                Expected("'item' or '>'");
            FLexer.Next();
            TPropertyNodes& item = value.Items.emplace_back();
            TPathSet seen;
            while (!AtKeyword("end")) {
                if (Token().Kind != TTokenKind::Ident)
                    Expected("a property or 'end'");
                item.push_back(ParseProperty(seen));
            }
            FLexer.Next();
        }
        FLexer.Next();
        return value;
    }

    TLexer FLexer;
    int FNesting = 0;
};

// ---------------------------------------------------------------------------------------------------
// Printer

class TPrinter {
public:
    std::string Print(const TObjectNode& root)
    {
        PrintObject(root, 0);
        FText += LineBreak;
        return std::move(FText);
    }

private:
    void NewLine(int indent) { FText.append(LineBreak).append(static_cast<std::size_t>(indent) * 2, ' '); }

    void PrintObject(const TObjectNode& node, int indent)
    {
        FText += "object ";
        if (!node.Name.Text.empty())
            FText.append(node.Name.Text).append(": ");
        FText += node.ClassName.Text;
        for (const TPropertyNode& property : node.Properties) {
            NewLine(indent + 1);
            PrintProperty(property, indent + 1);
        }
        for (const TObjectNode& child : node.Children) {
            NewLine(indent + 1);
            PrintObject(child, indent + 1);
        }
        NewLine(indent);
        FText += "end";
    }

    void PrintProperty(const TPropertyNode& property, int indent)
    {
        FText += JoinPath(property.Path);
        if (property.Value.Kind == TValueKind::List)
            FText.append(".").append(ListSuffix);
        FText += " = ";
        PrintValue(property.Value, indent);
    }

    // Lines that a value continues on are indented one step more than indent.
    void PrintValue(const TValueNode& value, int indent)
    {
        switch (value.Kind) {
        case TValueKind::String:
            PrintString(value.Text, indent);
            break;
        case TValueKind::Integer:
            FText += std::to_string(value.Integer);
            break;
        case TValueKind::Float:
            FText += FloatText(value.Float);
            break;
        case TValueKind::Ident:
            FText += value.Text;
            break;
        case TValueKind::Set:
            FText += '[';
            for (std::size_t i = 0; i < value.Names.size(); ++i)
                FText.append(i ? ", " : "").append(value.Names[i].Text);
            FText += ']';
            break;
        case TValueKind::List:
            FText += '(';
            for (const std::string& line : value.Strings) {
                NewLine(indent + 1);
                PrintString(line, indent + 1);
            }
            FText += ')';
            break;
        case TValueKind::Collection:
            FText += '<';
            for (const TPropertyNodes& item : value.Items) {
                NewLine(indent + 1);
                FText += "item";
                for (const TPropertyNode& property : item) {
                    NewLine(indent + 2);
                    PrintProperty(property, indent + 2);
                }
                NewLine(indent + 1);
                FText += "end";
            }
            FText += '>';
            break;
        case TValueKind::Binary:
            FText += '{';
            if (value.Bytes.size() <= BinaryLine)
                FText += HexText(value.Bytes.data(), value.Bytes.size());
            else
                for (std::size_t i = 0; i < value.Bytes.size(); i += BinaryLine) {
                    NewLine(indent + 1);
                    FText += HexText(value.Bytes.data() + i, std::min(BinaryLine, value.Bytes.size() - i));
                }
            FText += '}';
            break;
        }
    }

    // A long string is cut into pieces joined with '+', one piece a line, each of whole characters.
    void PrintString(std::string_view text, int indent)
    {
        for (std::size_t start = 0;;) {
            const std::size_t length = AnsiLeftChars(text.substr(start), StringPiece).size();
            FText += QuoteString(text.substr(start, length));
            start += length;
            if (start >= text.size())
                return;
            FText += " +";
            NewLine(indent + 1);
        }
    }

    std::string FText;
};

// Runs action, which asks a component to take what the text says of it (a name, a place), turning a
// framework exception it raises into a read error at pos: the text is at fault. Read errors from
// nested reading pass unchanged.
template <class F>
void AtPosition(TPos pos, const std::string& what, F action)
{
    try {
        action();
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& error) {
        ReadError(pos, what + ": " + error.Message());
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Reading: components from the syntax tree

// Runs action, which calls into component code (a constructor, a setter, Loaded) or the reader's
// handlers: what it raises reaches the reader's caller as it was raised, and the reader notes where
// (the innermost call notes it). Read errors from nested reading pass unchanged.
template <class F>
void TReader::InComponentCode(int line, int column, const std::string& what, F action)
{
    try {
        action();
    } catch (const EReadError&) {
        throw;
    } catch (...) {
        if (FErrorContext.empty())
            FErrorContext = PositionText({line, column}) + what;
        throw;
    }
}

class TReader::TBuilder {
public:
    TBuilder(TReader& reader, TComponent* root) : FReader(reader), FRoot(root) {}

    // Reads tree into the root. When it fails, every component it created is destroyed and the root
    // leaves the loading state before the error goes on.
    void Read(const TObjectNode& tree)
    {
        try {
            // Loading until each one's Loaded, reading until the whole read is done: a form shown while
            // it is completed finishes what code made on it, but none of what is being read.
            SetState(*FRoot, csLoading, true);
            SetState(*FRoot, csReading, true);
            if (!tree.Name.Text.empty())
                AtPosition(tree.Name.Pos, "cannot name the form", [&] { FRoot->SetName(tree.Name.Text); });
            ReadProperties(FRoot, *FRoot, tree.Properties);
            for (const TObjectNode& child : tree.Children)
                ReadObject(child, FRoot);
            ResolveReferences();
            InComponentCode(tree.Pos, "Loaded failed for " + NameOf(*FRoot), [&] { Loaded(*FRoot); });
            for (const TCreated& created : FCreated)
                InComponentCode(created.Pos, "Loaded failed for " + NameOf(*created.Component),
                                [&] { Loaded(*created.Component); });
            // Only now is everything in place: a form stored as visible shows here.
            InComponentCode(tree.Pos, "cannot complete " + NameOf(*FRoot), [&] { ReadCompleted(*FRoot); });
            for (const TCreated& created : FCreated)
                InComponentCode(created.Pos, "cannot complete " + NameOf(*created.Component),
                                [&] { ReadCompleted(*created.Component); });
        } catch (...) {
            for (auto created = FCreated.rbegin(); created != FCreated.rend(); ++created)
                delete created->Component;
            SetState(*FRoot, csLoading, false);
            SetState(*FRoot, csReading, false);
            throw;
        }
        SetState(*FRoot, csReading, false);
        for (const TCreated& created : FCreated)
            SetState(*created.Component, csReading, false);
    }

private:
    struct TCreated {
        TComponent* Component;
        TPos Pos;
    };
    // A component reference waiting for the whole description to be read.
    struct TFixup {
        TObject* Instance;
        const TPropInfo* Prop;
        std::string Path;
        TName Target;
    };

    template <class F>
    void InComponentCode(TPos pos, const std::string& what, F action)
    {
        FReader.InComponentCode(pos.Line, pos.Column, what, action);
    }

    void ReadObject(const TObjectNode& node, TComponent* parent)
    {
        const TName& className = node.ClassName;
        TClass cls = GetClass(className.Text);
        if (!cls)
            ReadError(className.Pos, "expected a registered class but found '" + className.Text + "'");
        if (!cls->CreateComponent)
            ReadError(className.Pos, "expected a component class but found '" + className.Text + "'");
        TComponent* component = nullptr;
        InComponentCode(className.Pos, "cannot create a " + cls->Name,
                        [&] { component = cls->CreateComponent(FRoot); });
        FCreated.push_back({component, node.Pos});
        SetState(*component, csLoading, true);
        SetState(*component, csReading, true);
        if (!node.Name.Text.empty())
            AtPosition(node.Name.Pos, "cannot name the " + cls->Name, [&] { component->SetName(node.Name.Text); });
        if (component->HasParent())
            AtPosition(node.Pos, "cannot place the " + cls->Name, [&] { component->SetParentComponent(parent); });
        ReadProperties(component, *component, node.Properties);
        for (const TObjectNode& child : node.Children)
            ReadObject(child, component);
    }

    // component is the one whose description holds the lines; instance the object they belong to
    // (the component, one of its sub-objects or a collection item); where prefixes the property paths
    // that messages show ("Items[0]." for an item).
    void ReadProperties(TComponent* component, TObject& instance, const TPropertyNodes& properties,
                        const std::string& where = {})
    {
        for (const TPropertyNode& property : properties)
            if (!ReadDesignPosition(component, instance, property))
                ReadProperty(component, instance, property, where);
    }

    // The Left or Top line of a component that is not a control and publishes no property of that
    // name: its design position. False for any other line.
    bool ReadDesignPosition(TComponent* component, const TObject& instance, const TPropertyNode& node)
    {
        if (&instance != component || component == FRoot || component->HasParent() || node.Path.size() != 1)
            return false;
        const TName& name = node.Path.front();
        const bool left = SameText(name.Text, DesignLeft);
        if ((!left && !SameText(name.Text, DesignTop)) || component->ClassType()->FindProperty(name.Text))
            return false;
        const TValueNode& value = node.Value;
        if (value.Kind != TValueKind::Integer || value.Integer < DesignMin || value.Integer > DesignMax)
            KindError(value, "an integer from " + std::to_string(DesignMin) + " to " + std::to_string(DesignMax),
                      NameOf(*component) + "." + (left ? DesignLeft : DesignTop));
        TDesignPosition position = component->DesignPosition().value_or(TDesignPosition{});
        (left ? position.Left : position.Top) = static_cast<int>(value.Integer);
        component->SetDesignPosition(position);
        return true;
    }

    void ReadProperty(TComponent* component, TObject& instance, const TPropertyNode& node, const std::string& where)
    {
        TObject* target = &instance;
        std::string prefix = where;
        for (std::size_t i = 0;; ++i) {
            const TName& name = node.Path[i];
            const TPropInfo* prop = target->ClassType()->FindProperty(name.Text);
            if (!prop)
                ReadError(name.Pos,
                          "expected a property of " + target->ClassName() + " but found '" + name.Text + "'");
            const std::string path = prefix + prop->Name;
            if (i + 1 == node.Path.size()) {
                Assign(component, *target, *prop, path, name.Pos, node.Value);
                return;
            }
            const TName& next = node.Path[i + 1];
            if (prop->Kind != TTypeKind::Class)
                ReadError(next.Pos, "expected '=' after " + path + " but found '." + next.Text + "'");
            target = std::get<TObject*>(prop->Get(*target));
            if (!target)
                ReadError(next.Pos, "expected an object in " + path + " but found none");
            prefix = path + ".";
        }
    }

    [[noreturn]] static void KindError(const TValueNode& value, const std::string& expected, const std::string& path)
    {
        ReadError(value.Pos, "expected " + expected + " for " + path + " but found " + Describe(value));
    }

    static bool IsNil(const TValueNode& value)
    {
        return value.Kind == TValueKind::Ident && SameText(value.Text, "nil");
    }

    void Assign(TComponent* component, TObject& target, const TPropInfo& prop, const std::string& path, TPos namePos,
                const TValueNode& value)
    {
        switch (prop.Kind) {
        case TTypeKind::Class:
            ReadError(namePos, path + " is a sub-object: expected " + path + ".<property> = ... but found " + path +
                                   " = " + Describe(value));
        case TTypeKind::Strings:
            ReadStrings(target, prop, path, value);
            return;
        case TTypeKind::Collection:
            ReadCollection(component, target, prop, path, value);
            return;
        default:
            break;
        }
        if (!prop.Set)
            ReadError(namePos, "expected a property that can be set but found " + path + ", which is read-only");
        if (prop.Kind == TTypeKind::Component && !IsNil(value)) {
            if (value.Kind != TValueKind::Ident)
                KindError(value, "a component name", path);
            FFixups.push_back({&target, &prop, path, {value.Text, value.Pos}});
            return;
        }
        const TValue converted = Convert(component, prop, path, value);
        InComponentCode(value.Pos, "cannot set " + path, [&] { prop.Set(target, converted); });
    }

    TValue Convert(TComponent* component, const TPropInfo& prop, const std::string& path, const TValueNode& value)
    {
        switch (prop.Kind) {
        case TTypeKind::String:
            if (value.Kind != TValueKind::String)
                KindError(value, "a string", path);
            return value.Text;
        case TTypeKind::Char:
            if (value.Kind != TValueKind::String || value.Text.size() != 1)
                KindError(value, "a single character", path);
            return std::int64_t{static_cast<unsigned char>(value.Text[0])};
        case TTypeKind::Integer:
            if (value.Kind != TValueKind::Integer)
                KindError(value, "an integer", path);
            if (value.Integer < prop.Min || value.Integer > prop.Max)
                KindError(value, "an integer from " + std::to_string(prop.Min) + " to " + std::to_string(prop.Max),
                          path);
            return value.Integer;
        case TTypeKind::Bool:
            if (value.Kind == TValueKind::Ident && (SameText(value.Text, "True") || SameText(value.Text, "False")))
                return std::int64_t{SameText(value.Text, "True")};
            KindError(value, "True or False", path);
        case TTypeKind::Enum:
            if (value.Kind != TValueKind::Ident)
                KindError(value, EnumExpected(prop), path);
            return EnumValue(prop, path, {value.Text, value.Pos});
        case TTypeKind::Set: {
            if (value.Kind != TValueKind::Set)
                KindError(value, "a set of " + std::string(prop.Enum->TypeName), path);
            std::int64_t bits = 0;
            for (const TName& element : value.Names)
                bits |= std::int64_t{1} << EnumValue(prop, path, element);
            return bits;
        }
        case TTypeKind::Float:
        case TTypeKind::DateTime:
            if (value.Kind == TValueKind::Float)
                return value.Float;
            if (value.Kind == TValueKind::Integer)
                return static_cast<double>(value.Integer);
            KindError(value, "a number", path);
        case TTypeKind::Component:
            return static_cast<TObject*>(nullptr); // nil; names wait for ResolveReferences
        case TTypeKind::Method:
            if (value.Kind != TValueKind::Ident)
                KindError(value, "a method name", path);
            return IsNil(value) ? TMethod{} : FindMethod(component, prop, path, value);
        case TTypeKind::Binary:
            if (value.Kind != TValueKind::Binary)
                KindError(value, "binary data", path);
            return value.Bytes;
        default:
            return {};
        }
    }

    static std::string EnumExpected(const TPropInfo& prop)
    {
        std::string names;
        for (std::string_view name : prop.Enum->Names)
            names.append(names.empty() ? "" : ", ").append(name);
        return "one of " + names;
    }

    static std::int64_t EnumValue(const TPropInfo& prop, const std::string& path, const TName& name)
    {
        if (std::optional<std::int64_t> ordinal = prop.Enum->ValueOf(name.Text))
            return *ordinal;
        ReadError(name.Pos, "expected " + EnumExpected(prop) + " for " + path + " but found '" + name.Text + "'");
    }

    // A published method of the root whose signature is the event's; failing that, what the reader's
    // OnFindMethod supplies.
    TMethod FindMethod(TComponent* component, const TPropInfo& prop, const std::string& path, const TValueNode& value)
    {
        if (const TMethodInfo* method = FRoot->ClassType()->FindMethod(value.Text)) {
            if (*method->Signature != *prop.Event->Signature)
                ReadError(value.Pos, "expected a method of type " + std::string(prop.Event->Name) + " for " + path +
                                         " but found '" + method->Name + "', which takes other parameters");
            return method->Bind(FRoot);
        }
        TMethod found;
        if (FReader.FOnFindMethod)
            InComponentCode(value.Pos, "cannot find " + value.Text,
                            [&] { found = FReader.FOnFindMethod(component, prop, value.Text); });
        if (!found.Assigned())
            ReadError(value.Pos, "expected a published method of " + FRoot->ClassName() + " for " + path +
                                     " but found '" + value.Text + "'");
        return found;
    }

    // A list is filled apart and handed to the property's setter, which copies it; a list published
    // read-only takes the lines itself.
    void ReadStrings(TObject& target, const TPropInfo& prop, const std::string& path, const TValueNode& value)
    {
        if (value.Kind != TValueKind::List)
            KindError(value, "a list of strings", path);
        TStringList lines;
        for (const std::string& line : value.Strings)
            lines.Add(line);
        InComponentCode(value.Pos, "cannot set " + path, [&] {
            if (prop.Set)
                prop.Set(target, static_cast<TObject*>(&lines));
            else if (auto* strings = static_cast<TStrings*>(std::get<TObject*>(prop.Get(target))))
                strings->Assign(&lines);
            else
                ReadError(value.Pos, "expected a list in " + path + " but found none");
        });
    }

    // Items are created by the collection itself, so a collection is always read in place.
    void ReadCollection(TComponent* component, TObject& target, const TPropInfo& prop, const std::string& path,
                        const TValueNode& value)
    {
        if (value.Kind != TValueKind::Collection)
            KindError(value, "a collection", path);
        auto* collection = static_cast<TCollection*>(std::get<TObject*>(prop.Get(target)));
        if (!collection)
            ReadError(value.Pos, "expected a collection in " + path + " but found none");
        InComponentCode(value.Pos, "cannot fill " + path, [&] {
            collection->BeginUpdate();
            try {
                collection->Clear();
                for (std::size_t i = 0; i < value.Items.size(); ++i)
                    ReadProperties(component, *collection->Add(), value.Items[i],
                                   path + "[" + std::to_string(i) + "].");
            } catch (...) {
                collection->EndUpdate();
                throw;
            }
            collection->EndUpdate();
        });
    }

    void ResolveReferences()
    {
        for (const TFixup& fixup : FFixups) {
            const TName& target = fixup.Target;
            TComponent* found = !FRoot->Name().empty() && SameText(target.Text, FRoot->Name())
                                    ? FRoot
                                    : FRoot->FindComponent(target.Text);
            if (!found)
                ReadError(target.Pos, "expected a component of " + NameOf(*FRoot) + " for " + fixup.Path +
                                          " but found '" + target.Text + "'");
            TClass cls = fixup.Prop->ClassOf();
            if (!found->InheritsFrom(cls))
                ReadError(target.Pos, "expected a " + cls->Name + " for " + fixup.Path + " but found '" +
                                          target.Text + "', a " + found->ClassName());
            InComponentCode(target.Pos, "cannot set " + fixup.Path,
                            [&] { fixup.Prop->Set(*fixup.Instance, static_cast<TObject*>(found)); });
        }
    }

    TReader& FReader;
    TComponent* FRoot;
    std::vector<TCreated> FCreated; // in reading order
    std::vector<TFixup> FFixups;
};

namespace {

// Under UTF-8, a description that is no UTF-8 was written before, in the system's ANSI code page, and is
// read as such; text of the system's code page that is also valid UTF-8 is all but unknown. Anywhere
// else the text is the program's own.
std::string ProgramText(std::string text)
{
    bool stray = false;
    for (std::size_t i = 0; i < text.size() && !stray; i += AnsiCharLength(text, i))
        stray = IsStrayByte(text, i);
    DWORD systemCodePage = CP_UTF8;
    if (!stray || GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                 reinterpret_cast<LPSTR>(&systemCodePage), sizeof systemCodePage / sizeof(char)) == 0 ||
        systemCodePage == CP_UTF8)
        return text;
    const int size = static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<int>::max()));
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(systemCodePage, 0, text.data(), size, wide.data(), size)));
    if (wide.empty())
        return text;
    std::string converted(wide.size() * 3, '\0');
    converted.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                                  converted.data(), static_cast<int>(converted.size()),
                                                                  nullptr, nullptr)));
    return converted;
}

} // namespace

TReader::TReader(std::string text) : FText(ProgramText(std::move(text)))
{
}

TComponent* TReader::ReadComponent(TComponent* owner)
{
    FErrorContext.clear();
    const TObjectNode tree = TParser(FText).ParseDescription();
    const TName& className = tree.ClassName;
    const TClass required = FRootClass ? FRootClass : TComponent::StaticClass();
    const auto wrongClass = [&](const std::string& name) {
        ReadError(className.Pos, "expected a " + required->Name + " but found '" + name + "'");
    };
    TComponent* root = nullptr;
    if (TClass cls = GetClass(className.Text)) {
        if (!cls->CreateComponent)
            ReadError(className.Pos, "expected a component class but found '" + className.Text + "'");
        if (!cls->InheritsFrom(required))
            wrongClass(cls->Name);
        InComponentCode(className.Pos.Line, className.Pos.Column, "cannot create a " + cls->Name,
                        [&] { root = cls->CreateComponent(owner); });
    } else if (FOnCreateRoot)
        InComponentCode(className.Pos.Line, className.Pos.Column, "cannot create a " + className.Text,
                        [&] { root = FOnCreateRoot(className.Text, owner); });
    if (!root)
        ReadError(className.Pos, "expected a registered class but found '" + className.Text + "'");
    try {
        if (!root->InheritsFrom(required))
            wrongClass(className.Text);
        TBuilder(*this, root).Read(tree);
    } catch (...) {
        delete root;
        throw;
    }
    return root;
}

void TReader::ReadRootComponent(TComponent* root)
{
    FErrorContext.clear();
    const TObjectNode tree = TParser(FText).ParseDescription();
    const TName& className = tree.ClassName;
    bool matches = SameText(root->ClassName(), className.Text);
    for (TClass cls = root->ClassType(); cls && !matches; cls = cls->Parent)
        matches = SameText(cls->Name, className.Text);
    if (!matches)
        ReadError(className.Pos, "expected " + root->ClassName() + " or one of its ancestors but found '" +
                                     className.Text + "'");
    TBuilder(*this, root).Read(tree);
}

// ---------------------------------------------------------------------------------------------------
// Writing: the syntax tree from components

namespace {

class TTreeWriter {
public:
    TTreeWriter(const TComponent& root, const TMethodNameEvent& methodName) : FRoot(root), FMethodName(methodName)
    {
    }

    TObjectNode ObjectNode(const TComponent& component)
    {
        TObjectNode node;
        node.Name.Text = component.Name();
        node.ClassName.Text = component.ClassName();
        AddProperties(node.Properties, component, {}, NameOf(component) + ".");
        if (const auto& position = component.DesignPosition(); position && &component != &FRoot && !component.HasParent())
            for (auto [name, coordinate] : {std::pair{DesignLeft, position->Left}, {DesignTop, position->Top}}) {
                TValueNode value;
                value.Kind = TValueKind::Integer;
                value.Integer = coordinate;
                node.Properties.push_back({{{name, {}}}, std::move(value)});
            }
        component.GetChildren([&](TComponent* child) { node.Children.push_back(ObjectNode(*child)); },
                              const_cast<TComponent*>(&FRoot));
        return node;
    }

private:
    // Appends the stored properties of instance (a component or something inside it) under prefix; a
    // sub-object's stored properties follow under its name. where names instance in error messages.
    void AddProperties(TPropertyNodes& nodes, const TObject& instance, const std::vector<TName>& prefix,
                       const std::string& where)
    {
        for (const TPropInfo* prop : instance.ClassType()->AllProperties()) {
            if (!prop->IsStored(instance))
                continue;
            std::vector<TName> path = prefix;
            path.push_back({prop->Name, {}});
            if (prop->Kind == TTypeKind::Class) {
                if (const TObject* sub = std::get<TObject*>(prop->Get(instance)))
                    AddProperties(nodes, *sub, path, where + prop->Name + ".");
                continue;
            }
            TValueNode value = Value(instance, *prop, where + prop->Name);
            nodes.push_back({std::move(path), std::move(value)});
        }
    }

    [[noreturn]] static void WriteError(const std::string& where, const std::string& why)
    {
        throw EConvertError("Cannot write " + where + ": " + why);
    }

    TValueNode Value(const TObject& instance, const TPropInfo& prop, const std::string& where)
    {
        const TValue value = prop.Get(instance);
        TValueNode node;
        switch (prop.Kind) {
        case TTypeKind::String:
            node.Kind = TValueKind::String;
            node.Text = std::get<std::string>(value);
            break;
        case TTypeKind::Char:
            node.Kind = TValueKind::String;
            node.Text = std::string(1, static_cast<char>(std::get<std::int64_t>(value)));
            break;
        case TTypeKind::Integer:
            node.Kind = TValueKind::Integer;
            node.Integer = std::get<std::int64_t>(value);
            break;
        case TTypeKind::Bool:
            node.Text = std::get<std::int64_t>(value) ? "True" : "False";
            break;
        case TTypeKind::Enum:
            node.Text = prop.Enum->NameOf(std::get<std::int64_t>(value));
            if (node.Text.empty())
                WriteError(where, "ordinal " + std::to_string(std::get<std::int64_t>(value)) + " has no name");
            break;
        case TTypeKind::Set:
            node.Kind = TValueKind::Set;
            for (std::size_t i = 0; i < prop.Enum->Names.size(); ++i)
                if (std::get<std::int64_t>(value) & (std::int64_t{1} << i))
                    node.Names.push_back({std::string(prop.Enum->Names[i]), {}});
            break;
        case TTypeKind::Float:
        case TTypeKind::DateTime:
            node.Kind = TValueKind::Float;
            node.Float = std::get<double>(value);
            if (!std::isfinite(node.Float))
                WriteError(where, "the value is not a finite number");
            break;
        case TTypeKind::Component:
            node.Text = ComponentName(where, std::get<TObject*>(value));
            break;
        case TTypeKind::Strings:
            node.Kind = TValueKind::List;
            if (auto* strings = static_cast<const TStrings*>(std::get<TObject*>(value)))
                for (int i = 0; i < strings->Count(); ++i)
                    node.Strings.push_back(strings->Get(i));
            break;
        case TTypeKind::Collection:
            node.Kind = TValueKind::Collection;
            if (auto* collection = static_cast<const TCollection*>(std::get<TObject*>(value)))
                for (int i = 0; i < collection->Count(); ++i)
                    AddProperties(node.Items.emplace_back(), *collection->GetItem(i), {},
                                  where + "[" + std::to_string(i) + "].");
            break;
        case TTypeKind::Method:
            node.Text = MethodName(where, std::get<TMethod>(value));
            break;
        case TTypeKind::Binary:
            node.Kind = TValueKind::Binary;
            node.Bytes = std::get<TBytes>(value);
            break;
        case TTypeKind::Class:
            break;
        }
        return node;
    }

    // A reference is written as a name the reader finds again: the root's or one of its components'.
    std::string ComponentName(const std::string& where, const TObject* value) const
    {
        if (!value)
            return "nil";
        auto* target = static_cast<const TComponent*>(value);
        if (target->Name().empty() || (target != &FRoot && target->Owner() != &FRoot))
            WriteError(where, "it refers to a component that is not " + NameOf(FRoot) +
                                  " or one of its named components");
        return target->Name();
    }

    std::string MethodName(const std::string& where, const TMethod& method) const
    {
        if (!method.Assigned())
            return "nil";
        if (const TMethodInfo* info = FRoot.ClassType()->FindMethod(FRoot, method))
            return info->Name;
        if (std::string name = FMethodName ? FMethodName(method) : std::string(); !name.empty())
            return name;
        WriteError(where, "its handler is not a published method of " + NameOf(FRoot));
    }

    const TComponent& FRoot;
    const TMethodNameEvent& FMethodName;
};

} // namespace

std::string WriteComponentText(const TComponent& root, const TMethodNameEvent& methodName)
{
    return TPrinter().Print(TTreeWriter(root, methodName).ObjectNode(root));
}
