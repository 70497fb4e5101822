// Runs an action expected to raise a framework exception of class E and gives its message, so that
// a test can compare the whole text; empty when the action raised nothing. Any other exception passes.
#pragma once

#include "framework/Exceptions.h"

#include <string>

template <class E = Exception, class F>
std::string ErrorMessageOf(F action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return {};
}
