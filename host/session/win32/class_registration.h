// The host's program identifier and class in the registry, for as long as the
// registration object lives (Windows only).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace tavik::host {

// The stand-in host's own class for its automation object.
// {89209117-6378-4948-A382-225D1E5B9615}
constexpr CLSID kHostClassId = {
    0x89209117, 0x6378, 0x4948, {0xa3, 0x82, 0x22, 0x5d, 0x1e, 0x5b, 0x96, 0x15}};

class ClassRegistration {
public:
    // Registers progId for clsid under the current user's classes; when the system's
    // lookup (CLSIDFromProgID) still does not find it there, under HKEY_CLASSES_ROOT
    // as well. Null with the reason when the lookup fails even then; whatever was
    // written is removed again first.
    static std::unique_ptr<ClassRegistration> Register(const std::string& progId,
                                                       const CLSID& clsid, std::string& error);

    // Removes exactly what Register wrote, and puts back values it replaced.
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    // Whether the entries under HKEY_CLASSES_ROOT were needed.
    bool UsedClassesRoot() const { return usedClassesRoot_; }

private:
    enum class Change { CreatedKey, AddedValue, ReplacedValue };
    struct Written {
        HKEY root;
        std::wstring path;
        Change change;
        std::wstring oldValue;  // ReplacedValue: the default value before
    };

    ClassRegistration() = default;
    // Creates path key by key under root and sets its default value; false on failure.
    bool SetDefault(HKEY root, const std::wstring& path, const std::wstring& value);
    bool RegisterUnder(HKEY root, const std::wstring& base, const std::wstring& progId,
                       const std::wstring& classId);
    void Undo();

    std::vector<Written> written_;  // in the order of writing
    bool usedClassesRoot_ = false;
};

// The system's lookup of progId gives clsid.
bool ProgIdNamesClass(const std::string& progId, const CLSID& clsid);

}  // namespace tavik::host
