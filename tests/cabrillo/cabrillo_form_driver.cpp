// Runs the Cabrillo header dialog on this terminal and writes what came back, for
// the form tests and the screenshot:
//   cabrillo_form_driver OUTPUT [ID=TEXT | -f FILE]...
//   cabrillo_form_driver OUTPUT --message CAPTION TEXT
// TEXT may hold the escapes \r \n \\ and \xHH; FILE holds one ID=TEXT a line.
// OUTPUT gets "result=N" and then one ID=TEXT line for each text, escaped alike
// (\r \n \\ and \xHH for other control bytes; bytes >= 0x80 as they are).
// With --message it shows a message box instead and then writes "acknowledged".
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "cabrillo/dialog_layout.h"
#include "platform/form_dialog.h"
#include "platform/user_interface.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(const std::string& in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) return false;
        switch (in[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            const int high = i + 2 < in.size() ? HexDigit(in[i + 1]) : -1;
            const int low = high >= 0 ? HexDigit(in[i + 2]) : -1;
            if (low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool AddStartValue(const std::string& assignment, tavik::DialogTexts& texts) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    char* end = nullptr;
    const long id = std::strtol(assignment.c_str(), &end, 10);
    if (end != assignment.c_str() + equals) return false;
    return Unescape(assignment.substr(equals + 1), texts[static_cast<int>(id)]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT [ID=TEXT | -f FILE]...\n";
        return 2;
    }
    const std::string output = argv[1];
    tavik::DialogTexts texts;
    const bool message = argc == 5 && std::string(argv[2]) == "--message";
    if (message) {
        tavik::ShowMessageBox(nullptr, argv[4], argv[3], tavik::kMessageBoxOk);
    }
    for (int i = 2; i < argc && !message; ++i) {
        const std::string arg = argv[i];
        if (arg == "-f" && i + 1 < argc) {
            std::ifstream in(argv[++i], std::ios::binary);
            if (!in) {
                std::cerr << "cannot read " << argv[i] << "\n";
                return 2;
            }
            std::string line;
            while (std::getline(in, line)) {
                if (!line.empty() && !AddStartValue(line, texts)) {
                    std::cerr << "bad line: " << line << "\n";
                    return 2;
                }
            }
        } else if (!AddStartValue(arg, texts)) {
            std::cerr << "bad argument: " << arg << "\n";
            return 2;
        }
    }

    const int result =
        message ? 0 : tavik::RunFormDialog(tavik::kCabrilloForm, nullptr, nullptr, texts);

    // Written aside and renamed, so a reader never sees half of it.
    const std::string partial = output + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (message) {
            out << "acknowledged\n";
        } else {
            out << "result=" << result << "\n";
        }
        for (const auto& [id, text] : texts) {
            out << id << "=" << Escape(text) << "\n";
        }
        if (!out.flush()) {
            std::cerr << "cannot write " << partial << "\n";
            return 2;
        }
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::perror(output.c_str());
        return 2;
    }
    return 0;
}
