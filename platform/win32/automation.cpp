// The host's automation object through COM: the running host registers it in the
// running object table under the class its program identifier names.
#include "platform/automation.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <string>

namespace tavik {

namespace {

// The host's method SendHostCommand(text).
constexpr DISPID kSendHostCommand = 16;

std::wstring WideFromAnsi(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

class DispatchHostObject final : public HostObject {
public:
    explicit DispatchHostObject(IDispatch* dispatch) : dispatch_(dispatch) {}
    ~DispatchHostObject() override { dispatch_->Release(); }
    DispatchHostObject(const DispatchHostObject&) = delete;
    DispatchHostObject& operator=(const DispatchHostObject&) = delete;

    bool SendHostCommand(const std::string& command) override {
        const std::wstring wide = WideFromAnsi(command.c_str());
        BSTR text = SysAllocString(wide.c_str());
        if (!text) return false;
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = text;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        const HRESULT result = dispatch_->Invoke(kSendHostCommand, IID_NULL, 0, DISPATCH_METHOD,
                                                 &params, nullptr, nullptr, nullptr);
        SysFreeString(text);
        return SUCCEEDED(result);
    }

private:
    IDispatch* dispatch_;
};

}  // namespace

AutomationAttempt::AutomationAttempt(const char* progId) {
    const std::wstring wideId = WideFromAnsi(progId);
    // An unknown identifier leaves the null class, under which nothing is running.
    CLSID clsid = CLSID_NULL;
    CLSIDFromProgID(wideId.c_str(), &clsid);
    // Already initialised (the host's own thread) is fine too; the destructor balances it.
    CoInitialize(nullptr);
    initialised_ = true;
    IUnknown* unknown = nullptr;
    if (FAILED(GetActiveObject(clsid, nullptr, &unknown)) || !unknown) return;
    IDispatch* dispatch = nullptr;
    const HRESULT queried =
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (FAILED(queried) || !dispatch) return;
    try {
        object_ = std::make_shared<DispatchHostObject>(dispatch);
    } catch (...) {
        dispatch->Release();
    }
}

AutomationAttempt::~AutomationAttempt() {
    if (initialised_) CoUninitialize();
}

}  // namespace tavik
