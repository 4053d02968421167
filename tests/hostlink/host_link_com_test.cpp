// The plugin switches the running host through COM: the host's program identifier
// names a class, and the host's object stands in the running object table under
// it. Under Wine the table lives in rpcss, which needs a display (xvfb-run).
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "host/session/automation_server.h"
#include "host/session/win32/class_registration.h"
#include "host/session/host_mode.h"
#include "tests/plugin/export_fixture.h"

namespace {

using tavik::host::ClassRegistration;
using tavik::host::kHostProgId;

// A class of the test's own: the plugin can only find it through the identifier.
// {7DE8ACCF-7DDD-46AA-B727-86D7DF93A24F}
constexpr CLSID kTestClassId = {
    0x7de8accf, 0x7ddd, 0x46aa, {0xb7, 0x27, 0x86, 0xd7, 0xdf, 0x93, 0xa2, 0x4f}};

const std::vector<std::string> kSwitchCommands = {"<MODE:QPSK31>", "<BAUDRATE:63>"};
const std::string kReport =
    " CIS DX PSK 14.09-15.09.2013 \r\n     Contestant: DL1ABC\r\nBand\tQSOs\tPoints\tDXDA\r\n"
    "20M\t 1\t 3\t 1\r\nTotal\t 1\t 3\t 1\r\nScore = 3 * 1 = 3 \r\n";

std::string Narrow(BSTR text) {
    std::string narrow;
    for (UINT i = 0; i < SysStringLen(text); ++i) narrow += static_cast<char>(text[i]);
    return narrow;
}

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool ProgIdKnown() {
    CLSID found = CLSID_NULL;
    return SUCCEEDED(CLSIDFromProgID(L"Qorv2.Application", &found));
}

// An automation object that records every call as it arrived.
class RecordingHost final : public IDispatch {
public:
    struct Call {
        DISPID member;
        bool nullInterface;
        LCID locale;
        WORD flags;
        UINT arguments;
        UINT namedArguments;
        VARTYPE type;
        std::string text;
        bool wantsResult, wantsException, wantsArgumentError;
    };

    // Answers per command text; anything not listed succeeds.
    std::vector<std::pair<std::string, HRESULT>> failures;
    std::vector<Call> calls;

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Call& call : calls) texts.push_back(call.text);
        return texts;
    }
    ULONG References() {
        AddRef();
        return Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        Call call{member,       IsEqualIID(iid, IID_NULL), locale,   flags,
                  params->cArgs, params->cNamedArgs,       VT_EMPTY, {},
                  result != nullptr, exception != nullptr, argumentError != nullptr};
        if (params->cArgs >= 1) {
            call.type = params->rgvarg[0].vt;
            if (call.type == VT_BSTR) call.text = Narrow(params->rgvarg[0].bstrVal);
        }
        calls.push_back(call);
        for (const auto& [text, answer] : failures)
            if (text == call.text) return answer;
        return S_OK;
    }

private:
    ~RecordingHost() = default;
    ULONG references_ = 1;
};

class HostLinkCom : public ExportTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        comReady_ = true;
        ASSERT_FALSE(ProgIdKnown()) << "Qorv2.Application is registered already";
        host = new RecordingHost;
        ExportTest::SetUp();
    }
    void TearDown() override {
        ExportTest::TearDown();
        Unpublish();
        registration_.reset();
        if (host) host->Release();
        if (comReady_) CoUninitialize();
    }

    void Register() {
        std::string error;
        registration_ = ClassRegistration::Register(kHostProgId, kTestClassId, error);
        ASSERT_TRUE(registration_) << error;
    }
    void Publish() {
        ASSERT_EQ(RegisterActiveObject(host, kTestClassId, ACTIVEOBJECT_STRONG, &cookie_), S_OK);
        published_ = true;
    }
    void Unpublish() {
        if (published_) RevokeActiveObject(cookie_, nullptr);
        published_ = false;
    }

    RecordingHost* host = nullptr;

private:
    bool comReady_ = false;
    std::unique_ptr<ClassRegistration> registration_;
    DWORD cookie_ = 0;
    bool published_ = false;
};

}  // namespace

TEST_F(HostLinkCom, AbsentHostGetsNothingAndIsSwitchedOnceItRuns) {
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    EXPECT_EQ(Result(), kReport);

    // Running, but not under the identifier's class: not the host.
    Publish();
    EXPECT_EQ(Result(), kReport);
    EXPECT_TRUE(host->calls.empty());

    // Registered but not running.
    Unpublish();
    Register();
    EXPECT_EQ(Result(), kReport);

    Publish();
    EXPECT_EQ(Result(), kReport);
    ASSERT_EQ(host->Texts(), kSwitchCommands);
    for (const RecordingHost::Call& call : host->calls) {
        EXPECT_EQ(call.member, 16);
        EXPECT_TRUE(call.nullInterface);
        EXPECT_EQ(call.locale, 0u);
        EXPECT_EQ(call.flags, DISPATCH_METHOD);
        EXPECT_EQ(call.arguments, 1u);
        EXPECT_EQ(call.namedArguments, 0u);
        EXPECT_EQ(call.type, VT_BSTR);
        EXPECT_FALSE(call.wantsResult);
        EXPECT_FALSE(call.wantsException);
        EXPECT_FALSE(call.wantsArgumentError);
    }
}

TEST_F(HostLinkCom, RunningHostIsSwitchedOncePerLoadingAndKeptUntilUnload) {
    Register();
    Publish();
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    int32_t exportDone = 5;
    EXPECT_EQ(Result(&exportDone), kReport);
    EXPECT_EQ(exportDone, 5);
    EXPECT_EQ(host->Texts(), kSwitchCommands);
    EXPECT_EQ(Result(), kReport);
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host->Texts(), kSwitchCommands);

    // Out of the table, the object lives on in the plugin until the library goes.
    Unpublish();
    EXPECT_EQ(host->References(), 2u);
    ASSERT_EQ(Load(), "");
    EXPECT_EQ(host->References(), 1u);

    Publish();
    Reset();
    EXPECT_NE(Result(), "");
    EXPECT_EQ(host->Texts(), (std::vector<std::string>{"<MODE:QPSK31>", "<BAUDRATE:63>",
                                                       "<MODE:QPSK31>", "<BAUDRATE:63>"}));
}

TEST_F(HostLinkCom, FailedCallLeavesTheFlagAndTheNextRequestRetries) {
    Register();
    Publish();
    Reset();
    ASSERT_EQ(Add(QsoSpec{}), 1);
    host->failures = {{"<MODE:QPSK31>", E_INVALIDARG}};
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(Result(), kReport);
    host->failures = {{"<BAUDRATE:63>", DISP_E_EXCEPTION}};
    EXPECT_EQ(Result(), kReport);
    host->failures.clear();
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(Result(), kReport);
    EXPECT_EQ(host->Texts(),
              (std::vector<std::string>{"<MODE:QPSK31>", "<MODE:QPSK31>", "<MODE:QPSK31>",
                                        "<BAUDRATE:63>", "<MODE:QPSK31>", "<BAUDRATE:63>"}));
}

TEST_F(HostLinkCom, HostServerCarriesCommandsAndCleansUpAfterItself) {
    tavik::host::HostMode mode;
    auto started = tavik::host::AutomationServer::Start(
        kHostProgId, [&mode](const std::string& text) { return mode.Carry(text); });
    ASSERT_TRUE(started) << started.Why().message;
    std::unique_ptr<tavik::host::AutomationServer> server = std::move(*started);

    IUnknown* unknown = nullptr;
    ASSERT_EQ(GetActiveObject(tavik::host::kHostClassId, nullptr, &unknown), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    unknown->Release();

    wchar_t name[] = L"sendHostCommand";
    wchar_t other[] = L"Quit";
    LPOLESTR names[] = {name};
    LPOLESTR otherNames[] = {other};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 16);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, otherNames, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    auto invoke = [dispatch](VARIANT argument, EXCEPINFO* exception) {
        DISPPARAMS params{&argument, nullptr, 1, 0};
        return dispatch->Invoke(16, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, exception,
                                nullptr);
    };
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"<TUNE:1500>");
    EXCEPINFO exception{};
    EXPECT_EQ(invoke(text, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    EXPECT_EQ(invoke(text, nullptr), E_INVALIDARG);
    VariantClear(&text);
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 63;
    EXPECT_EQ(invoke(number, nullptr), DISP_E_TYPEMISMATCH);
    dispatch->Release();

    // And through the plugin.
    Reset();
    EXPECT_NE(Result(), "");
    const std::vector<tavik::host::ReceivedCommand> received = mode.TakeReceived();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[2].text, "<MODE:QPSK31>");
    EXPECT_EQ(received[3].text, "<BAUDRATE:63>");
    EXPECT_TRUE(received[2].carried && received[3].carried);
    EXPECT_EQ(mode.Describe(), "QPSK31 at 63 baud");

    ASSERT_EQ(Load(), "");  // the plugin lets go of the object
    server.reset();
    EXPECT_FALSE(ProgIdKnown());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\Qorv2.Application"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER,
                           L"Software\\Classes\\CLSID\\{89209117-6378-4948-A382-225D1E5B9615}"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Qorv2.Application"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{89209117-6378-4948-A382-225D1E5B9615}"));
    unknown = nullptr;
    EXPECT_NE(GetActiveObject(tavik::host::kHostClassId, nullptr, &unknown), S_OK);
}

TEST(ClassRegistration, PutsBackWhatWasThereBefore) {
    const wchar_t* const path = L"Software\\Classes\\Qorv2.Application\\CLSID";
    const std::wstring before = L"{00000000-0000-0000-0000-0000000000AA}";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(before.c_str()),
                   static_cast<DWORD>((before.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    std::string error;
    auto registration = ClassRegistration::Register(kHostProgId, kTestClassId, error);
    ASSERT_TRUE(registration) << error;
    EXPECT_TRUE(tavik::host::ProgIdNamesClass(kHostProgId, kTestClassId));
    registration.reset();

    wchar_t value[64] = {};
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, path, nullptr, RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(value), before);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER,
                           L"Software\\Classes\\CLSID\\{7DE8ACCF-7DDD-46AA-B727-86D7DF93A24F}"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{7DE8ACCF-7DDD-46AA-B727-86D7DF93A24F}"));
    RegDeleteKeyW(HKEY_CURRENT_USER, path);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Classes\\Qorv2.Application");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\Qorv2.Application"));
}
