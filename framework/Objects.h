// The root of the object model: TObject with run-time class information, TPersistent with Assign, and
// the registry that finds a class by its name so that stored form descriptions can create it.
#pragma once

#include "framework/Exceptions.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

struct TClassInfo;
struct TPropInfo;
struct TMethodInfo;
using TClass = const TClassInfo*;
using TPropList = std::vector<TPropInfo>;
using TMethodList = std::vector<TMethodInfo>;

// Declares the run-time class information of a class; put it first in the class body. The matching
// QEL_CLASS_INFO in the unit's .cpp defines it and lists the published properties.
#define QEL_CLASS(Class)                                                                           \
public:                                                                                            \
    static TClass StaticClass() noexcept;                                                          \
    TClass ClassType() const noexcept override;                                                    \
                                                                                                   \
private:                                                                                           \
    friend struct ::TClassInfo;                                                                    \
    static TPropList PublishedProperties();                                                        \
                                                                                                   \
public:

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static TClass StaticClass() noexcept;
    virtual TClass ClassType() const noexcept;
    // Virtual so that a class standing in for one the program does not know (a generic form read from a
    // description) can report the stored name to everything that goes by class names.
    virtual std::string ClassName() const;

    bool InheritsFrom(TClass cls) const noexcept;
    template <class T>
    bool Is() const noexcept { return InheritsFrom(T::StaticClass()); }
    // Checked cast: raises EInvalidCast when the object is not a T.
    template <class T>
    T* As()
    {
        if (!Is<T>())
            RaiseInvalidCast(T::StaticClass());
        return static_cast<T*>(this);
    }

protected:
    static TPropList PublishedProperties();
    static TMethodList PublishedMethods();

private:
    friend struct TClassInfo;
    [[noreturn]] void RaiseInvalidCast(TClass target) const;
};

// Checked cast of a possibly null pointer; null stays null.
template <class T>
T* ObjectAs(TObject* object)
{
    return object ? object->As<T>() : nullptr;
}

class TPersistent : public TObject {
    QEL_CLASS(TPersistent)
public:
    // Copies the content of source into this object. A class that cannot take source's content raises
    // EConvertError "Cannot assign a <source> to a <this>".
    virtual void Assign(TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest);
    // The object this one is published by, for name paths; null when it stands alone.
    virtual TPersistent* GetOwner() const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

// The class registry. Every class declared with QEL_CLASS_INFO registers itself; RegisterClass is for
// classes registered again by name (idempotent). Look-ups ignore case, as identifiers do.
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
TClass GetClass(std::string_view name) noexcept;
// Every registered class, in the order of their names.
std::vector<TClass> RegisteredClasses();
TClass FindClass(std::string_view name); // raises EClassNotFound

class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};
