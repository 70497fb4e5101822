// A seeded source of form descriptions for fuzzing the reader and the components: descriptions built
// from the registered classes with generated values for their published properties (limits, empty,
// long and odd texts, wrong kinds now and then), and such descriptions truncated or with bytes and
// tokens mutated. The same seed gives the same inputs.
#pragma once

#include "framework/TypInfo.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

class TDescriptionFuzzer {
public:
    // longText is the longest generated text value, in characters.
    TDescriptionFuzzer(std::uint32_t seed, std::size_t longText);

    std::string Next();

private:
    std::string Generate();
    void Object(std::string& text, TClass cls, int depth);
    void Properties(std::string& text, TClass cls, const std::string& path, int depth);
    std::string Value(const TPropInfo& prop);
    std::string Text();
    std::string Mutated(std::string text);

    bool Chance(int percent) { return static_cast<int>(FRandom() % 100) < percent; }
    std::size_t Below(std::size_t count) { return count ? FRandom() % count : 0; }
    template <class T>
    const T& Pick(const std::vector<T>& values) { return values[Below(values.size())]; }

    std::mt19937 FRandom;
    std::size_t FLongText;
    std::vector<TClass> FClasses; // the component classes
    std::vector<std::string> FNames; // the components of the description being generated
    int FNextName = 0;
};
