#include "uihost/QvCreateInstance.h"

#include "ComServerRegistration.h"
#include "RegistrationLock.h"
#include "SuiteComInterfaces.h"
#include "platform/TrustVerification.h"
#include "registry/ModuleFilePath.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using DevHost::kSuiteClassObjectInterfaces;

// A class id that only this test program registers, in-process.
constexpr CLSID kRecordingClass = {0x3C1D8A52, 0x6E0B, 0x4F27, {0x9A, 0x14, 0x5B, 0x7E, 0x21, 0xC3, 0x88, 0x0D}};

// A class object of the suite's shape that answers the class-object interface
// ids it is told to, records which of them it was asked for, and counts its
// references and the instances it created (itself, under IUnknown).
class RecordingClassObject final : public DevHost::ISuiteClassObject
{
public:
    explicit RecordingClassObject(std::vector<IID> answered)
        : answered_(std::move(answered))
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        const auto isIid = [&iid](const IID& other)
        {
            return IsEqualIID(iid, other);
        };
        if (std::any_of(std::begin(kSuiteClassObjectInterfaces), std::end(kSuiteClassObjectInterfaces), isIid))
        {
            asked.push_back(iid);
        }
        if (!IsEqualIID(iid, IID_IUnknown) && std::none_of(answered_.begin(), answered_.end(), isIid))
        {
            return E_NOINTERFACE;
        }
        *object = static_cast<DevHost::ISuiteClassObject*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE CreateInstance(REFIID iid, void** object) override
    {
        ++instancesCreated;
        return QueryInterface(iid, object);
    }

    std::vector<IID> asked;
    std::atomic<ULONG> references{1};
    int instancesCreated = 0;

private:
    std::vector<IID> answered_;
};

// COM entered in the multithreaded apartment, as the module's requests run.
class ComApartmentTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }
    void TearDown() override { CoUninitialize(); }

    static std::wstring ProgramPath()
    {
        std::wstring path;
        EXPECT_EQ(Basekit::GetModuleFilePath(nullptr, path), 0u);
        return path;
    }
};

// The recording class object registered for the local-server context while
// this object lives; declared after the class object, so that the class
// object outlives the registration.
class ClassObjectRegistration
{
public:
    explicit ClassObjectRegistration(RecordingClassObject& classObject)
    {
        EXPECT_EQ(
            CoRegisterClassObject(kRecordingClass, &classObject, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
            S_OK);
    }
    ~ClassObjectRegistration() { EXPECT_TRUE(cookie_ == 0 || CoRevokeClassObject(cookie_) == S_OK); }
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

    bool Registered() const { return cookie_ != 0; }

private:
    DWORD cookie_ = 0;
};

// The recording class's instance, created with or without the trust check.
HRESULT CreateRecorded(bool verify, IUnknown*& instance)
{
    void** out = reinterpret_cast<void**>(&instance);
    return verify ? Ostrel::QvCreateInstance2(kRecordingClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, out, true)
                  : Ostrel::QvCreateInstanceNoAuth(kRecordingClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, out);
}

// Registers a recording class object that answers `answered` and creates its
// instance: expects the result, one instance on success and none on failure,
// and the class object released. Gives the interfaces it was asked for.
std::vector<IID> ExpectCreation(bool verify, std::vector<IID> answered, HRESULT expected)
{
    RecordingClassObject classObject(std::move(answered));
    const ClassObjectRegistration registration(classObject);
    EXPECT_TRUE(registration.Registered());
    const ULONG registeredReferences = classObject.references;
    IUnknown* instance = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CreateRecorded(verify, instance), expected);
    EXPECT_EQ(classObject.instancesCreated, SUCCEEDED(expected) ? 1 : 0);
    EXPECT_EQ(instance != nullptr, SUCCEEDED(expected));
    if (instance != nullptr)
    {
        instance->Release();
    }
    EXPECT_EQ(classObject.references, registeredReferences) << "the class object was not released";
    return classObject.asked;
}

// The recording class object's code lives in this test program, whose file a
// test lists as trusted or not.
using QvCreateInstanceTest = ComApartmentTest;

TEST_F(QvCreateInstanceTest, NullOutPointerIsRefusedBeforeComIsAsked)
{
    RecordingClassObject classObject({kSuiteClassObjectInterfaces[0]});
    const ClassObjectRegistration registration(classObject);
    ASSERT_TRUE(registration.Registered());
    EXPECT_EQ(Ostrel::QvCreateInstance2(kRecordingClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, nullptr, true),
              E_POINTER);
    EXPECT_EQ(Ostrel::QvCreateInstance2(kRecordingClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, nullptr, false),
              E_POINTER);
    EXPECT_EQ(Ostrel::QvCreateInstanceNoAuth(kRecordingClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, nullptr),
              E_POINTER);
    EXPECT_TRUE(classObject.asked.empty());
    EXPECT_EQ(classObject.instancesCreated, 0);
}

TEST_F(QvCreateInstanceTest, ClassObjectIsAskedForTheFirstFactoryInterfaceThenTheSecond)
{
    const auto& [first, second] = kSuiteClassObjectInterfaces;
    // Label, the interfaces the class object answers, the result, the interfaces it was asked for.
    const std::tuple<const char*, std::vector<IID>, HRESULT, std::vector<IID>> cases[] = {
        {"answers the first", {first, second}, S_OK, {first}},
        {"answers the second only", {second}, S_OK, {first, second}},
        {"answers neither", {}, E_NOINTERFACE, {first, second}}};
    ASSERT_EQ(Ostrel::ListTrustedFile(ProgramPath()), 0u);
    for (const bool verify : {false, true})
    {
        for (const auto& [label, answered, expected, asked] : cases)
        {
            SCOPED_TRACE(testing::Message() << label << (verify ? ", verified" : ", without check"));
            EXPECT_EQ(ExpectCreation(verify, answered, expected), asked);
        }
    }
}

TEST_F(QvCreateInstanceTest, OnlyTheVerifiedCreationNeedsATrustedServer)
{
    const std::tuple<const char*, bool, bool, HRESULT> cases[] = {
        {"verified, server not listed", false, true, E_ACCESSDENIED},
        {"without check, server not listed", false, false, S_OK},
        {"verified, server listed", true, true, S_OK}};
    for (const auto& [label, listed, verify, expected] : cases)
    {
        SCOPED_TRACE(label);
        if (listed)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(ProgramPath()), 0u);
        }
        ExpectCreation(verify, {kSuiteClassObjectInterfaces[0]}, expected);
    }
}

// The UI host helper's real in-process server, registered in the prefix.
class HelperCreationTest : public ComApartmentTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lock_.Held());
        ASSERT_EQ(DevHost::RegisterUiHostHelper(ServerPath()), 0u);
        ComApartmentTest::SetUp();
    }
    void TearDown() override
    {
        ComApartmentTest::TearDown();
        EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u);
    }

    static std::wstring ServerPath() { return ScreenRelayTest::ProgramFolder() + L"UiHostHelper.dll"; }

    // Helper instances alive in the loaded server.
    static LONG LiveHelperInstances()
    {
        const HMODULE server = GetModuleHandleW(ServerPath().c_str());
        if (server == nullptr)
        {
            ADD_FAILURE() << "the server is not loaded";
            return -1;
        }
        using LiveInstancesFn = LONG(WINAPI*)();
        const auto live =
            reinterpret_cast<LiveInstancesFn>(reinterpret_cast<void*>(GetProcAddress(server, "LiveHelperInstances")));
        return live != nullptr ? live() : -1;
    }

private:
    DevHost::RegistrationLock lock_;
};

TEST_F(HelperCreationTest, TrustCheckAcceptsTheListedHelperAndRefusesAnUnlistedOne)
{
    const std::tuple<const char*, bool, HRESULT, LONG> cases[] = {
        {"not listed", false, static_cast<HRESULT>(0x80070005), 0}, {"listed", true, S_OK, 1}};
    for (const auto& [label, listed, expected, liveInstances] : cases)
    {
        SCOPED_TRACE(label);
        if (listed)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(ServerPath()), 0u);
        }
        IUnknown* helper = nullptr;
        EXPECT_EQ(Ostrel::QvCreateInstance2(DevHost::kUiHostHelperClass, nullptr, CLSCTX_ALL,
                                            DevHost::kQvVrtHelperInterface, reinterpret_cast<void**>(&helper), true),
                  expected);
        EXPECT_EQ(helper != nullptr, liveInstances == 1);
        EXPECT_EQ(LiveHelperInstances(), liveInstances);
        if (helper != nullptr)
        {
            helper->Release();
        }
    }
}

} // namespace
