// The words of a command line taken apart into options and operands, for every
// program of the tree: "--name=value", "--name value", "-x"; a lone "-" is an
// operand, and so is everything after "--".
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik {

class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionKind {
    bool known = false;
    bool takesValue = false;
};

// Calls operand(word) or option(name, value) for each word in order; option returns
// false to end the reading there (--help). Throws CommandLineError for an unknown
// option, a value given to an option that takes none, and a missing or empty value.
void ReadCommandLine(const std::vector<std::string>& args,
                     const std::function<OptionKind(const std::string& name)>& kindOf,
                     const std::function<bool(const std::string& name,
                                              const std::string& value)>& option,
                     const std::function<void(const std::string& word)>& operand);

}  // namespace tavik
