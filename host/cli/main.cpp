#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "host/cli/options.h"
#include "host/cli/run.h"
#include "host/cli/watch.h"

int main(int argc, char** argv) {
    using namespace tavik::host;
    try {
        Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::cout << UsageText();
            return kExitOk;
        }
        if (options.version) {
            std::cout << VersionText();
            return kExitOk;
        }
        return options.watch ? RunWatch(options, std::cerr) : RunHost(options, std::cerr);
    } catch (const UsageError& error) {
        std::cerr << "tavik-host: " << error.what() << "\nTry 'tavik-host --help'.\n";
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        std::cerr << "tavik-host: error: out of memory\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        std::cerr << "tavik-host: error: " << error.what() << '\n';
        return kExitFailure;
    }
}
