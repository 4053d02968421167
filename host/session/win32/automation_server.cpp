// The automation object through COM: the program identifier registered for our
// class, and an IDispatch object in the running object table under that class.
// The plugin calls it from the thread that started the server, so the calls
// arrive directly, without a message loop.
#include "host/session/automation_server.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wchar.h>

#include <cstdio>

#include "host/session/win32/class_registration.h"

namespace tavik::host {

namespace {

constexpr DISPID kSendHostCommand = 16;

std::string Narrow(const wchar_t* text, UINT length) {
    if (length == 0) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), narrow.data(), size, nullptr,
                        nullptr);
    return narrow;
}

std::string HresultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

class HostDispatch final : public IDispatch {
public:
    explicit HostDispatch(AutomationServer::CommandHandler handler)
        : handler_(std::move(handler)) {}

    // After this every call is refused: the handler may be gone while a client
    // still holds the object.
    void Disconnect() { handler_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        // Automation names ignore case. The method has no named parameters.
        if (_wcsicmp(names[0], L"SendHostCommand") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = kSendHostCommand;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (member != kSendHostCommand || (flags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        const VARIANT& argument = params->rgvarg[0];
        BSTR text = nullptr;
        if (argument.vt == VT_BSTR) {
            text = argument.bstrVal;
        } else if (argument.vt == (VT_BSTR | VT_BYREF) && argument.pbstrVal) {
            text = *argument.pbstrVal;
        } else {
            if (argumentError) *argumentError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (!handler_) return RPC_E_DISCONNECTED;
        bool carried = false;
        try {
            carried = handler_(Narrow(text, SysStringLen(text)));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        if (result) VariantInit(result);
        if (carried) return S_OK;
        if (!exception) return E_INVALIDARG;
        *exception = EXCEPINFO{};
        exception->bstrSource = SysAllocString(L"Qorv2.Application");
        exception->bstrDescription = SysAllocString(L"unknown host command");
        exception->scode = E_INVALIDARG;
        return DISP_E_EXCEPTION;
    }

private:
    ~HostDispatch() = default;

    LONG references_ = 1;
    AutomationServer::CommandHandler handler_;
};

class ComServer final : public AutomationServer {
public:
    ~ComServer() override {
        if (registered_) RevokeActiveObject(cookie_, nullptr);
        if (object_) {
            object_->Disconnect();
            // Clients in other processes lose their connection now.
            CoDisconnectObject(object_, 0);
            object_->Release();
        }
        registration_.reset();
        if (initialised_) CoUninitialize();
    }

    std::string Open(const std::string& progId, CommandHandler handler) {
        const HRESULT initialised = CoInitialize(nullptr);
        if (FAILED(initialised)) return "COM is not available (" + HresultText(initialised) + ")";
        initialised_ = true;
        std::string error;
        registration_ = ClassRegistration::Register(progId, kHostClassId, error);
        if (!registration_) return error;
        object_ = new HostDispatch(std::move(handler));
        // Strong: the table keeps the object alive until it is revoked.
        const HRESULT registered =
            RegisterActiveObject(object_, kHostClassId, ACTIVEOBJECT_STRONG, &cookie_);
        if (FAILED(registered))
            return "cannot put " + progId + " in the running object table (" +
                   HresultText(registered) + ")";
        registered_ = true;
        return {};
    }

private:
    bool initialised_ = false;
    std::unique_ptr<ClassRegistration> registration_;
    HostDispatch* object_ = nullptr;
    DWORD cookie_ = 0;
    bool registered_ = false;
};

}  // namespace

Result<std::unique_ptr<AutomationServer>> AutomationServer::Start(const std::string& progId,
                                                                  CommandHandler handler) {
    auto server = std::make_unique<ComServer>();
    const std::string error = server->Open(progId, std::move(handler));
    if (!error.empty()) return Failure{FailureKind::kOther, error};
    return std::unique_ptr<AutomationServer>(std::move(server));
}

}  // namespace tavik::host
