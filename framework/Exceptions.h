// The framework's exception classes. Every error the framework raises derives from Exception, which
// carries the message text shown to the user.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// A value that cannot be converted or assigned: bad text for a number or a date, an Assign between
// classes that cannot take each other.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A failed file or device operation; ErrorCode is the system error code (GetLastError) at the failure.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, unsigned long errorCode)
        : Exception(std::move(message)), FErrorCode(errorCode) {}
    unsigned long ErrorCode() const noexcept { return FErrorCode; }

private:
    unsigned long FErrorCode;
};

class EListError : public Exception {
public:
    using Exception::Exception;
};

class EInvalidCast : public Exception {
public:
    using Exception::Exception;
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// An operation that is not allowed in the object's present state.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EComponentError : public Exception {
public:
    using Exception::Exception;
};

// A form description that cannot be read. Line and Column are 1-based and point at the offending token.
class EReadError : public Exception {
public:
    EReadError(std::string message, int line, int column)
        : Exception(std::move(message)), FLine(line), FColumn(column) {}
    int Line() const noexcept { return FLine; }
    int Column() const noexcept { return FColumn; }

private:
    int FLine;
    int FColumn;
};
