#include "base/command_line.h"

#include <optional>

namespace tavik {

void ReadCommandLine(const std::vector<std::string>& args,
                     const std::function<OptionKind(const std::string& name)>& kindOf,
                     const std::function<bool(const std::string& name,
                                              const std::string& value)>& option,
                     const std::function<void(const std::string& word)>& operand) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            for (++i; i < args.size(); ++i) operand(args[i]);
            return;
        }
        if (arg.size() <= 1 || arg[0] != '-') {
            operand(arg);
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t equals = arg.find('=');
            arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        const OptionKind kind = kindOf(name);
        if (!kind.known) throw CommandLineError("unknown option " + name);
        if (!kind.takesValue && value) throw CommandLineError(name + " takes no value");
        if (kind.takesValue && !value) {
            if (i + 1 >= args.size()) throw CommandLineError(name + " needs a value");
            value = args[++i];
        }
        if (kind.takesValue && value->empty()) throw CommandLineError(name + " needs a value");
        if (!option(name, value.value_or(""))) return;
    }
}

}  // namespace tavik
