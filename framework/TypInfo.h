// Run-time type information: enumerations and sets with their value names, comparable event delegates,
// published properties with declared defaults and stored rules, and the class record that ties them to
// a class. A class lists its published properties once, in a table in its .cpp:
//
//     QEL_CLASS_INFO(TQELFormSaver, TQELSystemsComponent)
//     {
//         return {
//             Prop("FormStore", &TQELFormSaver::FormStore),
//             Prop("StoreSize", &TQELFormSaver::StoreSize, &TQELFormSaver::SetStoreSize).Default(true),
//         };
//     }
#pragma once

#include "framework/Objects.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

class TComponent;
class TStrings;
class TCollection;
class TCollectionItem;
struct TDateTime;

using TBytes = std::vector<unsigned char>;

// ---------------------------------------------------------------------------------------------------
// Enumerations and sets

// The value names of an enumeration, in ordinal order. An enumeration makes them known with an
// overload found by argument-dependent look-up, next to its declaration:
//     inline const TEnumInfo& EnumTypeInfo(TQELBeeptype)
//     { static const TEnumInfo info{"TQELBeeptype", {"bNone", ...}}; return info; }
// An enumeration whose values make a set type (a TSet of it, under a name of its own) gives that
// name too: {"TQELFormSizeOption", {...}, "TQELFormSizeOptions"}.
struct TEnumInfo {
    std::string_view TypeName;
    std::vector<std::string_view> Names;
    std::string_view SetName = {};

    std::string_view NameOf(std::int64_t ordinal) const noexcept;
    // Case-insensitive, as identifiers are.
    std::optional<std::int64_t> ValueOf(std::string_view name) const noexcept;
};

// A set of up to 32 values of an enumeration, held as a bit mask (bit n = ordinal n).
template <class E>
class TSet {
    static_assert(std::is_enum_v<E>);

public:
    using TElement = E;
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items)
    {
        for (E item : items)
            Include(item);
    }
    static constexpr TSet FromBits(std::uint32_t bits)
    {
        TSet set;
        set.FBits = bits;
        return set;
    }
    constexpr std::uint32_t Bits() const noexcept { return FBits; }
    constexpr bool Contains(E item) const noexcept { return (FBits & Bit(item)) != 0; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr TSet& Include(E item) noexcept
    {
        FBits |= Bit(item);
        return *this;
    }
    constexpr TSet& Exclude(E item) noexcept
    {
        FBits &= ~Bit(item);
        return *this;
    }
    friend constexpr TSet operator+(TSet a, TSet b) noexcept { return FromBits(a.FBits | b.FBits); }
    friend constexpr TSet operator-(TSet a, TSet b) noexcept { return FromBits(a.FBits & ~b.FBits); }
    friend constexpr TSet operator*(TSet a, TSet b) noexcept { return FromBits(a.FBits & b.FBits); }
    friend constexpr bool operator==(TSet, TSet) noexcept = default;

private:
    static constexpr std::uint32_t Bit(E item) noexcept
    {
        return std::uint32_t{1} << static_cast<unsigned>(item);
    }
    std::uint32_t FBits = 0;
};

template <class T>
inline constexpr bool IsSet = false;
template <class E>
inline constexpr bool IsSet<TSet<E>> = true;

// An enumeration with value names. One without is an integer type with a name of its own (TColor):
// it is published and streamed as an integer, and names itself with TypeName (below).
template <class T>
concept NamedEnum = std::is_enum_v<T> && requires(T value) { EnumTypeInfo(value); };
template <class T>
concept NamedInteger = std::is_enum_v<T> && !NamedEnum<T>;

// ---------------------------------------------------------------------------------------------------
// Event delegates

// A method bound to an object, with no signature: what an event slot holds, compared by value. Code
// keeps the bytes of the member-function pointer; Invoke is the trampoline that knows its real type.
struct TMethod {
    using TInvoke = void (*)();
    TObject* Data = nullptr;
    TInvoke Invoke = nullptr;
    std::array<unsigned char, 16> Code{};

    bool Assigned() const noexcept { return Invoke != nullptr; }
    friend bool operator==(const TMethod&, const TMethod&) = default;
};

// Receives the calls of event slots bound generically (by the form host, which binds every handler
// named in a description to one printing object). Each argument arrives as text.
class TEventSink : public TObject {
public:
    virtual void EventFired(const std::vector<std::string>& argumentTexts) = 0;
};

// How an event argument reads in text. Enumerations read as their value names; the framework adds
// overloads for its records (TMessage) next to them.
std::string EventArgText(const TObject* object);
std::string EventArgText(std::int64_t value);
std::string EventArgText(bool value);
std::string EventArgText(const std::string& value);
std::string EventArgText(double value);
// A character reads as itself, not as its code.
std::string EventArgText(char value);
template <class E>
    requires NamedEnum<E>
std::string EventArgText(E value)
{
    return std::string(EnumTypeInfo(value).NameOf(static_cast<std::int64_t>(value)));
}
template <class E>
    requires NamedInteger<E>
std::string EventArgText(E value)
{
    return EventArgText(static_cast<std::int64_t>(value));
}
template <class E>
std::string EventArgText(TSet<E> value)
{
    std::string text = "[";
    const TEnumInfo& info = EnumTypeInfo(E{});
    for (std::size_t i = 0; i < info.Names.size(); ++i)
        if (value.Contains(static_cast<E>(i)))
            text.append(text.size() > 1 ? "," : "").append(info.Names[i]);
    return text + "]";
}
template <class T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
std::string EventArgText(T value)
{
    return EventArgText(static_cast<std::int64_t>(value));
}

// An event slot of a given signature: empty, or one method of one object. Assigning replaces the
// handler; two slots compare equal when they hold the same method of the same object.
template <class... Args>
class TEvent {
public:
    using TSignature = TEvent;
    // The type of a handler, to declare one by: `TNotifyEvent::THandler ButtonClick;` in a class
    // declares `void ButtonClick(TObject* Sender)`.
    using THandler = void(Args...);

    TEvent() = default;
    template <class C, class B>
        requires std::is_base_of_v<B, C> && std::is_base_of_v<TObject, C>
    TEvent(C* object, void (B::*method)(Args...))
    {
        using TMember = void (C::*)(Args...);
        static_assert(sizeof(TMember) <= sizeof(TMethod::Code), "member pointer too large");
        TMember member = method;
        FMethod.Data = object;
        FMethod.Invoke = reinterpret_cast<TMethod::TInvoke>(&CallMember<C>);
        std::memcpy(FMethod.Code.data(), &member, sizeof member);
    }

    // A slot holding a method taken from another slot or a published-method record; the streaming
    // system checks the signatures before it builds one.
    explicit TEvent(const TMethod& method) : FMethod(method) {}

    // The method of a slot that hands every call to a sink, arguments as text.
    static TMethod Generic(TEventSink* sink)
    {
        TMethod method;
        method.Data = sink;
        method.Invoke = reinterpret_cast<TMethod::TInvoke>(&CallSink);
        return method;
    }

    void operator()(Args... args) const
    {
        if (FMethod.Invoke)
            reinterpret_cast<TThunk>(FMethod.Invoke)(FMethod, std::forward<Args>(args)...);
    }
    bool Assigned() const noexcept { return FMethod.Assigned(); }
    explicit operator bool() const noexcept { return Assigned(); }
    const TMethod& Method() const noexcept { return FMethod; }
    TObject* Data() const noexcept { return FMethod.Data; }

    friend bool operator==(const TEvent&, const TEvent&) = default;

private:
    using TThunk = void (*)(const TMethod&, Args...);

    template <class C>
    static void CallMember(const TMethod& method, Args... args)
    {
        void (C::*member)(Args...);
        std::memcpy(&member, method.Code.data(), sizeof member);
        (static_cast<C*>(method.Data)->*member)(std::forward<Args>(args)...);
    }
    static void CallSink(const TMethod& method, Args... args)
    {
        static_cast<TEventSink*>(method.Data)->EventFired({EventArgText(args)...});
    }

    TMethod FMethod;
};

// ---------------------------------------------------------------------------------------------------
// Type names

// The name a type goes by in the component reference: the language's basic types by their Pascal
// names (Integer, Word, string, Boolean), enumerations, sets, event types and classes by their own.
// A record, or an integer type with a name of its own, names itself with an overload found by
// argument-dependent look-up, next to its declaration:
//     inline std::string_view TypeName(const TMessage*) { return "TMessage"; }
std::string_view IntegerTypeName(const std::type_info& type);

template <class T>
std::string TypeNameOf();

namespace TypInfoDetail {

template <class S>
struct TSignatureParams;
template <class... Args>
struct TSignatureParams<TEvent<Args...>> {
    static std::vector<std::string (*)()> Types() { return {&TypeNameOf<Args>...}; }
    // A parameter taken by reference to a variable the handler may change.
    static std::vector<bool> ByReference()
    {
        return {(std::is_lvalue_reference_v<Args> && !std::is_const_v<std::remove_reference_t<Args>>)...};
    }
};

} // namespace TypInfoDetail

// What the streaming system and the host need to know of an event type: its name, its parameter names
// and its signature (slots of equal signature accept each other's methods); and for the reference,
// each parameter's type name (worked out when asked for) and whether it is passed by reference.
struct TEventTypeInfo {
    std::string_view Name;
    std::vector<std::string_view> ParamNames;
    const std::type_info* Signature;
    TMethod (*MakeGeneric)(TEventSink* sink);
    std::vector<std::string (*)()> ParamTypes;
    std::vector<bool> ParamByReference;
};

// An event type is a TEvent of its signature with a name and parameter names:
//     struct TNotifyEvent : TEvent<TObject*> {
//         using TEvent::TEvent;
//         static constexpr std::string_view TypeName = "TNotifyEvent";
//         static constexpr std::array<std::string_view, 1> ParamNames{"Sender"};
//     };
template <class E>
const TEventTypeInfo& EventTypeInfoOf()
{
    static const TEventTypeInfo info{
        E::TypeName,
        std::vector<std::string_view>(E::ParamNames.begin(), E::ParamNames.end()),
        &typeid(typename E::TSignature),
        [](TEventSink* sink) { return E::Generic(sink); },
        TypInfoDetail::TSignatureParams<typename E::TSignature>::Types(),
        TypInfoDetail::TSignatureParams<typename E::TSignature>::ByReference(),
    };
    return info;
}

template <class T>
concept EventType = requires { typename T::TSignature; T::TypeName; T::ParamNames; };

template <class T>
std::string TypeNameOf()
{
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<U, std::string>)
        return "string";
    else if constexpr (std::is_same_v<U, bool>)
        return "Boolean";
    else if constexpr (std::is_same_v<U, char>)
        return "Char";
    else if constexpr (std::is_same_v<U, float>)
        return "Single";
    else if constexpr (std::is_same_v<U, double>)
        return "Double";
    else if constexpr (std::is_same_v<U, TDateTime>)
        return "TDateTime";
    else if constexpr (std::is_same_v<U, TBytes>)
        return "TBytes";
    else if constexpr (std::is_integral_v<U>)
        return std::string(IntegerTypeName(typeid(U)));
    else if constexpr (NamedEnum<U>)
        return std::string(EnumTypeInfo(U{}).TypeName);
    else if constexpr (IsSet<U>) {
        const TEnumInfo& element = EnumTypeInfo(typename U::TElement{});
        return element.SetName.empty() ? "set of " + std::string(element.TypeName) : std::string(element.SetName);
    } else if constexpr (EventType<U>)
        return std::string(U::TypeName);
    else if constexpr (std::is_pointer_v<U>)
        return std::remove_cv_t<std::remove_pointer_t<U>>::StaticClass()->Name;
    else
        return std::string(TypeName(static_cast<const U*>(nullptr)));
}

struct TNotifyEvent : TEvent<TObject*> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TNotifyEvent";
    static constexpr std::array<std::string_view, 1> ParamNames{"Sender"};
};

// A method published by name, so that a stored description can attach "OnShow = FormShow".
struct TMethodInfo {
    std::string Name;
    const std::type_info* Signature;
    std::function<TMethod(TObject*)> Bind;
};

template <class C, class B, class... Args>
    requires std::is_base_of_v<B, C>
TMethodInfo PublishedMethod(std::string name, void (B::*method)(Args...))
{
    return {std::move(name), &typeid(TEvent<Args...>), [method](TObject* object) {
                return TEvent<Args...>(static_cast<C*>(object), method).Method();
            }};
}

// ---------------------------------------------------------------------------------------------------
// Published properties

enum class TTypeKind : std::uint8_t {
    String,
    Char,
    Integer, // 8, 16 and 32 bits, signed and unsigned; Range gives the bounds
    Bool,
    Enum,
    Set,
    Float,
    DateTime,
    Class,      // a persistent sub-object, streamed in place
    Component,  // a reference to another component, resolved by name
    Strings,    // a TStrings, streamed as its lines
    Collection, // a TCollection, streamed as its items
    Method,     // an event slot, streamed as a method name
    Binary,     // bytes
};

// When a property is written to a stored description.
enum class TStored : std::uint8_t {
    Auto,       // NotDefault with a declared default; else by kind (events and references: Assigned,
                // lists and bytes: NotEmpty, everything else: Always)
    Never,
    NotDefault,
    NotEmpty,
    Assigned,
    Always,
    Predicate,
};

// A property value without its type: ordinals (integers, characters, Booleans, enumerations, sets as
// bit masks) as int64, floating point and date-time as double.
using TValue = std::variant<std::monostate, std::int64_t, double, std::string, TBytes, TObject*, TMethod>;

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::Integer;
    // The declared type. The kind groups types; the designer picks editors by the type itself, so that
    // Integer, the other integer widths, Boolean and Char each have their own.
    const std::type_info* Type = nullptr;
    std::int64_t Min = 0; // ordinal bounds for integers and characters
    std::int64_t Max = 0;
    const TEnumInfo* Enum = nullptr;          // enumerations and the element type of sets
    TClass (*ClassOf)() noexcept = nullptr;   // object kinds: the declared class
    const TEventTypeInfo* Event = nullptr;    // methods
    // The declared type's name, as the designer and the reference give it (TypeNameOf): string,
    // Integer, Cardinal, Byte, Word, ShortInt, SmallInt, Char, Boolean, Double, Single, TDateTime,
    // TBytes, the name of an enumeration, a set type, an event type or a class.
    std::string (*TypeName)() = nullptr;
    std::function<TValue(const TObject&)> Get;
    std::function<void(TObject&, const TValue&)> Set; // empty for sub-objects published read-only
    std::optional<TValue> DefaultValue;
    // For the reference: where a new object's value comes from, when the constructor takes it from
    // elsewhere (the application, the system, the clock) rather than setting a value of its own.
    std::string InitialFrom;
    TStored StoredRule = TStored::Auto;
    std::function<bool(const TObject&)> StoredPredicate;

    bool IsObjectKind() const noexcept;
    // The rule in force, with Auto resolved.
    TStored EffectiveStored() const noexcept;
    // Whether the writer writes this property of object.
    bool IsStored(const TObject& object) const;
};

namespace TypInfoDetail {

template <class T>
constexpr TTypeKind KindOf()
{
    using std::is_base_of_v, std::is_same_v;
    if constexpr (is_same_v<T, std::string>)
        return TTypeKind::String;
    else if constexpr (is_same_v<T, char>)
        return TTypeKind::Char;
    else if constexpr (is_same_v<T, bool>)
        return TTypeKind::Bool;
    else if constexpr (std::is_integral_v<T> || NamedInteger<T>) {
        static_assert(sizeof(T) <= 4, "published integers are at most 32 bits wide");
        return TTypeKind::Integer;
    } else if constexpr (std::is_enum_v<T>)
        return TTypeKind::Enum;
    else if constexpr (IsSet<T>)
        return TTypeKind::Set;
    else if constexpr (is_same_v<T, TDateTime>)
        return TTypeKind::DateTime;
    else if constexpr (std::is_floating_point_v<T>)
        return TTypeKind::Float;
    else if constexpr (is_same_v<T, TBytes>)
        return TTypeKind::Binary;
    else if constexpr (EventType<T>)
        return TTypeKind::Method;
    else if constexpr (std::is_pointer_v<T>) {
        using O = std::remove_cv_t<std::remove_pointer_t<T>>;
        if constexpr (is_base_of_v<TStrings, O>)
            return TTypeKind::Strings;
        else if constexpr (is_base_of_v<TCollection, O>)
            return TTypeKind::Collection;
        else if constexpr (is_base_of_v<TComponent, O>)
            return TTypeKind::Component;
        else {
            static_assert(is_base_of_v<TPersistent, O>, "published objects are persistent");
            return TTypeKind::Class;
        }
    } else
        static_assert(sizeof(T) == 0, "type cannot be published");
}

template <class T>
TValue ToValue(const T& value)
{
    constexpr TTypeKind kind = KindOf<T>();
    if constexpr (kind == TTypeKind::String || kind == TTypeKind::Binary)
        return value;
    else if constexpr (kind == TTypeKind::Char)
        return std::int64_t{static_cast<unsigned char>(value)};
    else if constexpr (kind == TTypeKind::Integer || kind == TTypeKind::Bool || kind == TTypeKind::Enum)
        return static_cast<std::int64_t>(value);
    else if constexpr (kind == TTypeKind::Set)
        return std::int64_t{value.Bits()};
    else if constexpr (kind == TTypeKind::Float || kind == TTypeKind::DateTime)
        return static_cast<double>(value);
    else if constexpr (kind == TTypeKind::Method)
        return value.Method();
    else
        return static_cast<TObject*>(const_cast<std::remove_cv_t<std::remove_pointer_t<T>>*>(value));
}

template <class T>
T FromValue(const TValue& value)
{
    constexpr TTypeKind kind = KindOf<T>();
    if constexpr (kind == TTypeKind::String || kind == TTypeKind::Binary)
        return std::get<T>(value);
    else if constexpr (kind == TTypeKind::Char)
        return static_cast<char>(static_cast<unsigned char>(std::get<std::int64_t>(value)));
    else if constexpr (kind == TTypeKind::Bool)
        return std::get<std::int64_t>(value) != 0;
    else if constexpr (kind == TTypeKind::Integer || kind == TTypeKind::Enum)
        return static_cast<T>(std::get<std::int64_t>(value));
    else if constexpr (kind == TTypeKind::Set)
        return T::FromBits(static_cast<std::uint32_t>(std::get<std::int64_t>(value)));
    else if constexpr (kind == TTypeKind::Float || kind == TTypeKind::DateTime)
        return T(std::get<double>(value));
    else if constexpr (kind == TTypeKind::Method)
        return T(std::get<TMethod>(value));
    else
        // The streaming system checks the class against ClassOf before it sets a reference.
        return static_cast<T>(std::get<TObject*>(value));
}

} // namespace TypInfoDetail

// One line of a property table. Build it with Prop(...) and refine it with Default, Stored, StoredIf
// and Initially.
template <class T>
struct TPropDecl : TPropInfo {
    TPropDecl& Default(const T& value)
    {
        DefaultValue = TypInfoDetail::ToValue<T>(value);
        return *this;
    }
    TPropDecl& Initially(std::string source)
    {
        InitialFrom = std::move(source);
        return *this;
    }
    TPropDecl& Stored(TStored rule)
    {
        StoredRule = rule;
        return *this;
    }
    template <class C>
    TPropDecl& StoredIf(bool (C::*predicate)() const)
    {
        StoredRule = TStored::Predicate;
        StoredPredicate = [predicate](const TObject& object) {
            return (static_cast<const C&>(object).*predicate)();
        };
        return *this;
    }
};

namespace TypInfoDetail {

template <class T, class C, class G>
TPropDecl<T> MakeProp(std::string name, G (C::*getter)() const)
{
    TPropDecl<T> decl;
    decl.Name = std::move(name);
    decl.Kind = KindOf<T>();
    decl.Type = &typeid(T);
    decl.TypeName = &TypeNameOf<T>;
    if constexpr (std::is_same_v<T, char>) {
        decl.Min = 0;
        decl.Max = 255;
    } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        decl.Min = static_cast<std::int64_t>(std::numeric_limits<T>::min());
        decl.Max = static_cast<std::int64_t>(std::numeric_limits<T>::max());
    } else if constexpr (NamedInteger<T>) {
        decl.Min = static_cast<std::int64_t>(std::numeric_limits<std::underlying_type_t<T>>::min());
        decl.Max = static_cast<std::int64_t>(std::numeric_limits<std::underlying_type_t<T>>::max());
    } else if constexpr (std::is_enum_v<T>)
        decl.Enum = &EnumTypeInfo(T{});
    else if constexpr (IsSet<T>)
        decl.Enum = &EnumTypeInfo(typename T::TElement{});
    else if constexpr (EventType<T>)
        decl.Event = &EventTypeInfoOf<T>();
    else if constexpr (std::is_pointer_v<T>)
        decl.ClassOf = &std::remove_cv_t<std::remove_pointer_t<T>>::StaticClass;
    decl.Get = [getter](const TObject& object) {
        return ToValue<T>((static_cast<const C&>(object).*getter)());
    };
    return decl;
}

} // namespace TypInfoDetail

// A property read through a getter only: a sub-object streamed in place, or an information property.
template <class C, class G>
auto Prop(std::string name, G (C::*getter)() const)
{
    return TypInfoDetail::MakeProp<std::remove_cvref_t<G>>(std::move(name), getter);
}

// A property read through a getter and written through a setter.
template <class C, class G, class CS, class S>
    requires std::is_base_of_v<CS, C> || std::is_base_of_v<C, CS>
auto Prop(std::string name, G (C::*getter)() const, void (CS::*setter)(S))
{
    using T = std::remove_cvref_t<G>;
    auto decl = TypInfoDetail::MakeProp<T>(std::move(name), getter);
    decl.Set = [setter](TObject& object, const TValue& value) {
        (static_cast<CS&>(object).*setter)(TypInfoDetail::FromValue<T>(value));
    };
    return decl;
}

// ---------------------------------------------------------------------------------------------------
// Class records

struct TClassInfo {
    std::string Name;
    TClass Parent = nullptr;
    TPropList Properties; // this class's own, in declaration order
    TMethodList Methods;  // this class's own published methods
    TComponent* (*CreateComponent)(TComponent* owner) = nullptr; // the virtual constructor
    TCollectionItem* (*CreateItem)(TCollection* collection) = nullptr; // collection items
    TObject* (*CreateInstance)() = nullptr;                      // classes built without arguments
    std::string_view SourceFile; // the file that defines the record (QEL_CLASS_INFO stands there)

    bool InheritsFrom(TClass ancestor) const noexcept;
    // Every published property, inherited ones first, each in declaration order; a property that a
    // class publishes again (to change its default) keeps its inherited place.
    std::vector<const TPropInfo*> AllProperties() const;
    const TPropInfo* FindProperty(std::string_view name) const;
    const TMethodInfo* FindMethod(std::string_view name) const;
    // The published method of object that method is bound to, or null.
    const TMethodInfo* FindMethod(const TObject& object, const TMethod& method) const;

    template <class C, class P>
    static TClassInfo Make(std::string_view name, std::string_view sourceFile)
    {
        TClassInfo info;
        info.Name = name;
        info.SourceFile = sourceFile;
        info.Parent = P::StaticClass();
        info.Properties = C::PublishedProperties();
        if constexpr (&C::PublishedMethods != &P::PublishedMethods)
            info.Methods = C::PublishedMethods();
        if constexpr (!std::is_abstract_v<C> && std::is_constructible_v<C, TComponent*> &&
                      std::is_base_of_v<TComponent, C>)
            info.CreateComponent = [](TComponent* owner) -> TComponent* { return new C(owner); };
        else if constexpr (!std::is_abstract_v<C> && std::is_constructible_v<C, TCollection*> &&
                           std::is_base_of_v<TCollectionItem, C>)
            info.CreateItem = [](TCollection* collection) -> TCollectionItem* { return new C(collection); };
        else if constexpr (!std::is_abstract_v<C> && std::is_default_constructible_v<C>)
            info.CreateInstance = []() -> TObject* { return new C(); };
        return info;
    }
};

// Defines what QEL_CLASS declared and registers the class; the braces that follow hold the table of
// published properties.
#define QEL_CLASS_INFO(Class, Parent) QEL_CLASS_RECORD(Class, Parent, , static)
// The same for a class that a header defines whole, such as a form class qel design writes: included
// by any number of units, it is defined and registered once.
#define QEL_CLASS_INFO_INLINE(Class, Parent) QEL_CLASS_RECORD(Class, Parent, inline, inline)
#define QEL_CLASS_RECORD(Class, Parent, Linkage, Registration)                                     \
    Linkage TClass Class::StaticClass() noexcept                                                   \
    {                                                                                              \
        static const TClassInfo info = TClassInfo::Make<Class, Parent>(#Class, __FILE__);          \
        return &info;                                                                              \
    }                                                                                              \
    Linkage TClass Class::ClassType() const noexcept { return StaticClass(); }                     \
    Registration const bool Class##Registered = (RegisterClass(Class::StaticClass()), true);       \
    Linkage TPropList Class::PublishedProperties()

// ---------------------------------------------------------------------------------------------------
// Public operations

// A public operation of a class, for the component reference: how a call reads ("Log(Text)") and what
// it does, in one line. A class lists its own in a table beside its property table, naming each
// member function, which must therefore exist and be public:
//
//     QEL_OPERATIONS(TQELLogFile)
//     {
//         return {
//             Operation(&TQELLogFile::Log, "Log(Text)", "appends Text as one line"),
//         };
//     }
struct TOperationInfo {
    std::string Call;
    std::string Description;
    std::string Name() const { return Call.substr(0, Call.find('(')); }
};
using TOperationList = std::vector<TOperationInfo>;

template <class M>
    requires std::is_member_function_pointer_v<M> || std::is_function_v<std::remove_pointer_t<M>>
TOperationInfo Operation(M, std::string call, std::string description)
{
    return {std::move(call), std::move(description)};
}

void RegisterOperations(TClass cls, TOperationList (*operations)());
// The operations cls lists itself (not its ancestors'); empty when it lists none.
TOperationList ClassOperations(TClass cls);

#define QEL_OPERATIONS(Class)                                                                      \
    static TOperationList Class##Operations();                                                     \
    static const bool Class##OperationsRegistered =                                                \
        (RegisterOperations(Class::StaticClass(), &Class##Operations), true);                      \
    static TOperationList Class##Operations()

// Generic access to published properties.
TValue GetPropValue(const TObject& object, const TPropInfo& prop);
void SetPropValue(TObject& object, const TPropInfo& prop, const TValue& value);
