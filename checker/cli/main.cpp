#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "checker/cli/check_options.h"
#include "checker/cli/check_run.h"

int main(int argc, char** argv) {
    using namespace tavik::check;
    try {
        const CheckOptions options =
            ParseCheckOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::cout << CheckUsageText();
            return kCheckOk;
        }
        if (options.version) {
            std::cout << CheckVersionText();
            return kCheckOk;
        }
        return RunCheck(options, std::cerr);
    } catch (const CheckUsageError& error) {
        std::cerr << "tavik-check: " << error.what() << "\nTry 'tavik-check --help'.\n";
        return kCheckUsage;
    } catch (const std::bad_alloc&) {
        std::cerr << "tavik-check: error: out of memory\n";
        return kCheckFailed;
    } catch (const std::exception& error) {
        std::cerr << "tavik-check: error: " << error.what() << '\n';
        return kCheckFailed;
    }
}
