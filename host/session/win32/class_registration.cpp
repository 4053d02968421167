#include "host/session/win32/class_registration.h"

#include <objbase.h>

namespace tavik::host {

namespace {

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::wstring ClassIdText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

bool ReadDefault(HKEY key, std::wstring& value) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    value = text;
    return true;
}

bool WriteDefault(HKEY key, const std::wstring& value) {
    return RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

}  // namespace

bool ProgIdNamesClass(const std::string& progId, const CLSID& clsid) {
    CLSID found = CLSID_NULL;
    return SUCCEEDED(CLSIDFromProgID(Wide(progId).c_str(), &found)) &&
           IsEqualCLSID(found, clsid);
}

bool ClassRegistration::SetDefault(HKEY root, const std::wstring& path, const std::wstring& value) {
    // Key by key, so that the removal takes away only the keys that were new.
    HKEY key = nullptr;
    std::size_t end = 0;
    while (end != std::wstring::npos) {
        end = path.find(L'\\', end + 1);
        const std::wstring part = path.substr(0, end);
        if (key) RegCloseKey(key);
        key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(root, part.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                            &disposition) != ERROR_SUCCESS)
            return false;
        if (disposition == REG_CREATED_NEW_KEY)
            written_.push_back({root, part, Change::CreatedKey, {}});
    }
    const bool created = !written_.empty() && written_.back().change == Change::CreatedKey &&
                         written_.back().root == root && written_.back().path == path;
    if (!created) {
        std::wstring old;
        if (ReadDefault(key, old))
            written_.push_back({root, path, Change::ReplacedValue, old});
        else
            written_.push_back({root, path, Change::AddedValue, {}});
    }
    const bool written = WriteDefault(key, value);
    RegCloseKey(key);
    return written;
}

bool ClassRegistration::RegisterUnder(HKEY root, const std::wstring& base,
                                      const std::wstring& progId, const std::wstring& classId) {
    return SetDefault(root, base + progId + L"\\CLSID", classId) &&
           SetDefault(root, base + L"CLSID\\" + classId + L"\\ProgID", progId);
}

void ClassRegistration::Undo() {
    for (auto it = written_.rbegin(); it != written_.rend(); ++it) {
        if (it->change == Change::CreatedKey) {
            RegDeleteKeyW(it->root, it->path.c_str());
            continue;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(it->root, it->path.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS)
            continue;
        if (it->change == Change::ReplacedValue)
            WriteDefault(key, it->oldValue);
        else
            RegDeleteValueW(key, nullptr);
        RegCloseKey(key);
    }
    written_.clear();
}

std::unique_ptr<ClassRegistration> ClassRegistration::Register(const std::string& progId,
                                                               const CLSID& clsid,
                                                               std::string& error) {
    std::unique_ptr<ClassRegistration> registration(new ClassRegistration);
    const std::wstring wideId = Wide(progId);
    const std::wstring classId = ClassIdText(clsid);
    const bool userWritten =
        registration->RegisterUnder(HKEY_CURRENT_USER, L"Software\\Classes\\", wideId, classId);
    if (userWritten && ProgIdNamesClass(progId, clsid)) return registration;
    // Some systems look the identifier up in the merged classes only as far as the
    // machine's part goes; write there where this user may.
    registration->usedClassesRoot_ = true;
    if (registration->RegisterUnder(HKEY_CLASSES_ROOT, L"", wideId, classId) &&
        ProgIdNamesClass(progId, clsid))
        return registration;
    registration->Undo();
    error = "cannot register " + progId + " for this user or in HKEY_CLASSES_ROOT";
    return nullptr;
}

ClassRegistration::~ClassRegistration() { Undo(); }

}  // namespace tavik::host
