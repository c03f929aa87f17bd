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

#include <atomic>
#include <string>
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
        const bool suiteInterface =
            IsEqualIID(iid, kSuiteClassObjectInterfaces[0]) || IsEqualIID(iid, kSuiteClassObjectInterfaces[1]);
        if (suiteInterface)
        {
            asked.push_back(iid);
        }
        bool answers = IsEqualIID(iid, IID_IUnknown);
        for (const IID& answered : answered_)
        {
            answers = answers || IsEqualIID(iid, answered);
        }
        if (!answers)
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
    ~ClassObjectRegistration()
    {
        if (cookie_ != 0)
        {
            EXPECT_EQ(CoRevokeClassObject(cookie_), S_OK);
        }
    }
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
    struct Case
    {
        const char* label;
        std::vector<IID> answered;
        HRESULT expected;
        std::vector<IID> asked;
    };
    const Case cases[] = {
        {"answers the first",
         {kSuiteClassObjectInterfaces[0], kSuiteClassObjectInterfaces[1]},
         S_OK,
         {kSuiteClassObjectInterfaces[0]}},
        {"answers the second only",
         {kSuiteClassObjectInterfaces[1]},
         S_OK,
         {kSuiteClassObjectInterfaces[0], kSuiteClassObjectInterfaces[1]}},
        {"answers neither", {}, E_NOINTERFACE, {kSuiteClassObjectInterfaces[0], kSuiteClassObjectInterfaces[1]}},
    };
    ASSERT_EQ(Ostrel::ListTrustedFile(ProgramPath()), 0u);
    for (const bool verify : {false, true})
    {
        for (const Case& test : cases)
        {
            SCOPED_TRACE(testing::Message() << test.label << (verify ? ", verified" : ", without check"));
            RecordingClassObject classObject(test.answered);
            const ClassObjectRegistration registration(classObject);
            ASSERT_TRUE(registration.Registered());
            const ULONG registeredReferences = classObject.references;

            IUnknown* instance = reinterpret_cast<IUnknown*>(1);
            EXPECT_EQ(CreateRecorded(verify, instance), test.expected);
            EXPECT_EQ(classObject.asked, test.asked);
            EXPECT_EQ(classObject.instancesCreated, SUCCEEDED(test.expected) ? 1 : 0);
            EXPECT_EQ(instance != nullptr, SUCCEEDED(test.expected));
            if (instance != nullptr)
            {
                instance->Release();
            }
            EXPECT_EQ(classObject.references, registeredReferences) << "the class object was not released";
        }
    }
}

TEST_F(QvCreateInstanceTest, OnlyTheVerifiedCreationNeedsATrustedServer)
{
    struct Case
    {
        const char* label;
        bool listed;
        bool verify;
        HRESULT expected;
    };
    const Case cases[] = {
        {"verified, server not listed", false, true, E_ACCESSDENIED},
        {"without check, server not listed", false, false, S_OK},
        {"verified, server listed", true, true, S_OK},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.label);
        if (test.listed)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(ProgramPath()), 0u);
        }
        RecordingClassObject classObject({kSuiteClassObjectInterfaces[0]});
        const ClassObjectRegistration registration(classObject);
        ASSERT_TRUE(registration.Registered());
        const ULONG registeredReferences = classObject.references;

        IUnknown* instance = nullptr;
        EXPECT_EQ(CreateRecorded(test.verify, instance), test.expected);
        EXPECT_EQ(classObject.instancesCreated, SUCCEEDED(test.expected) ? 1 : 0);
        if (instance != nullptr)
        {
            instance->Release();
        }
        EXPECT_EQ(classObject.references, registeredReferences) << "the class object was not released";
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
    struct Case
    {
        const char* label;
        bool listed;
        HRESULT expected;
        LONG liveInstances;
    };
    const Case cases[] = {
        {"not listed", false, static_cast<HRESULT>(0x80070005), 0},
        {"listed", true, S_OK, 1},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.label);
        if (test.listed)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(ServerPath()), 0u);
        }
        IUnknown* helper = nullptr;
        EXPECT_EQ(Ostrel::QvCreateInstance2(DevHost::kUiHostHelperClass, nullptr, CLSCTX_ALL,
                                            DevHost::kQvVrtHelperInterface, reinterpret_cast<void**>(&helper), true),
                  test.expected);
        EXPECT_EQ(helper != nullptr, test.liveInstances == 1);
        EXPECT_EQ(LiveHelperInstances(), test.liveInstances);
        if (helper != nullptr)
        {
            helper->Release();
        }
    }
}

} // namespace
