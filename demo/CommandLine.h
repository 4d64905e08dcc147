#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The command lines of the show and the capture: long options, a value after a blank or an "=".

// What an option takes after it.
enum class OptionValue {
    None,      // nothing: a flag
    Required,  // a value, which may be empty when written "--name="
    NonEmpty,  // a value that is not empty: a file name, where "" would ask for no file
    Optional,  // a value when one follows, or none
};

// One option a program knows: its name, what it takes, and `take`, which reads the value (empty
// when none was given) into the program's options, or returns false with the reason.
template <typename Options>
struct OptionRule {
    const char* name;
    OptionValue value;
    bool (*take)(const std::string& name, const std::string& value, Options& options, std::string& error);
};

// An argument as a long option: "--name=value" gives name and value and true; anything else is the
// name alone (a value may then follow as the next argument).
bool splitLongOption(const std::string& arg, std::string& name, std::string& value);

// The value of the option `name` found at args[i], as `kind` says: the one written with an "="
// (`written`), or else the next argument (then `i` moves past it). False with the reason when it
// is missing or unwanted; `hint` ends the line for a missing one.
bool takeOptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name, OptionValue kind,
                     const char* hint, bool written, std::string& value, std::string& error);

// The rule of a flag: the option sets its field.
template <typename Options, bool Options::*FLAG>
bool takeFlag(const std::string& /*name*/, const std::string& /*value*/, Options& options, std::string& /*error*/) {
    options.*FLAG = true;
    return true;
}

// Reads every argument (without the program name) by the rule of its name. False with a one-line
// reason naming the option at the first that cannot be read; `hint` ends the lines that say an
// option is unknown or lacks its value.
template <typename Options, size_t RULE_COUNT>
bool readOptions(const std::vector<std::string>& args, const OptionRule<Options> (&rules)[RULE_COUNT], const char* hint,
                 Options& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name;
        std::string value;
        const bool written = splitLongOption(args[i], name, value);
        const OptionRule<Options>* rule = nullptr;
        for (const OptionRule<Options>& known : rules) {
            rule = name == known.name ? &known : rule;
        }
        if (rule == nullptr) {
            error = "unknown option \"" + name + "\"" + hint;
            return false;
        }
        if (!takeOptionValue(args, i, name, rule->value, hint, written, value, error) ||
            !rule->take(name, value, options, error)) {
            return false;
        }
    }
    return true;
}

// The whole text as a decimal number from `low` to `high`: at most 9 digits after an optional sign,
// which the show's options have always taken ("+1" for display 1), so no command line it took is refused.
bool parseWholeNumber(const std::string& text, int64_t low, int64_t high, int32_t& value);

// "WIDTHxHEIGHT", each side a whole number from `low` to its own highest.
bool parseSize(const std::string& text, int32_t low, int32_t highWidth, int32_t highHeight, int32_t& width,
               int32_t& height);
