#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"

#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using Ostrel::ComputeFileSha256;
using Ostrel::ListTrustedFile;
using Ostrel::VerifyFileTrust;

constexpr wchar_t kTrustedFilesKey[] = L"SOFTWARE\\Norvane\\TrustedFiles";
constexpr wchar_t kTrustedPublishersKey[] = L"SOFTWARE\\Norvane\\TrustedPublishers";
constexpr wchar_t kCryptographyKey[] = L"SOFTWARE\\Microsoft\\Cryptography";
constexpr DWORD kNoSignature = static_cast<DWORD>(TRUST_E_NOSIGNATURE);

// A 64-bit image of headers only (512 bytes), signed with SHA-256 by a
// self-signed certificate whose organisation is "Norvane", and by one whose
// organisation is "Other Corp":
//   openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Test Code Signing/O=Norvane"
//       -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem -days 36500
//   osslsigncode sign -certs cert.pem -key key.pem -h sha256 -in headers.dll -out signed.dll
// Wine's WinVerifyTrust accepts a signature whose chain ends in an untrusted
// root, so under Wine these stand for files signed through a real chain.
constexpr char kSignedByNorvane[] =
    "TVoAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAQAAAAFBFAABkhgAAAAAAAAAAAAAA"
    "AAAA8AAiIAsCDgAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAIABAAAAABAAAAACAAAGAAAAAAAAAAYAAAAAAAAAABAAAAACAABRFwAAAgBgAQAA"
    "EAAAAAAAABAAAAAAAAAAABAAAAAAAAAQAAAAAAAAAAAAABAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAACAAAQBgAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAQBgAAAAICADCCBf4GCSqGSIb3DQEHAqCCBe8wggXrAgEBMQ8wDQYJYIZIAWUDBAIBBQAweQYK"
    "KwYBBAGCNwIBBKBrMGkwNAYKKwYBBAGCNwIBDzAmAwIHgKAgoh6AHAA8ADwAPABPAGIAcwBvAGwAZQB0AGUAPgA+AD4wMTANBglghkgBZQME"
    "AgEFAAQgER1CFNYER/OtdemQeIkNZhzbXWYRNUjAViizpImPeKagggNYMIIDVDCCAjygAwIBAgIUOuUYOHibj7ci2gqqLqVCjk6gxdswDQYJ"
    "KoZIhvcNAQELBQAwLjEaMBgGA1UEAwwRVGVzdCBDb2RlIFNpZ25pbmcxEDAOBgNVBAoMB05vcnZhbmUwIBcNMjYxMjA2MTExNDE1WhgPMjEy"
    "NjExMTIxMTE0MTVaMC4xGjAYBgNVBAMMEVRlc3QgQ29kZSBTaWduaW5nMRAwDgYDVQQKDAdOb3J2YW5lMIIBIjANBgkqhkiG9w0BAQEFAAOC"
    "AQ8AMIIBCgKCAQEA7WEfHyUHN+rK0YddqvdS+aXBz/lbhx6rHZuEyfwGtS77NigBwhuOfAetdu6kUdVWlLmLzyLMbF8JroPQ/qFkY3FBG6YZ"
    "WmXo7dGu6yn8vaAQBKhuaKX6WUeYr262qCxmfO5CHamP+dlF3zmjjzAztvT8kQAVKYyAKbHlLPaR1c+Yx6r0H83HhUUlgZvoq5jJTqfvuxrK"
    "s1JxpRTa2rbjaniFAyo4sUrZo6XIB5gKqNYrhKYfZIq4PzLxCjYo7XZc0e17qJVepGCO/pwHyVp3oBkbxAehgL10fHs3XpoN24qiuelq1XtE"
    "WQOEclDL6x8rlkzWzxQnCuJB3PupgeLq9wIDAQABo2gwZjAdBgNVHQ4EFgQUTXNJSHzJhCwZwC56lKckPht7D80wHwYDVR0jBBgwFoAUTXNJ"
    "SHzJhCwZwC56lKckPht7D80wDwYDVR0TAQH/BAUwAwEB/zATBgNVHSUEDDAKBggrBgEFBQcDAzANBgkqhkiG9w0BAQsFAAOCAQEAgkxvW9C4"
    "uRVaLOKgsNsnpx+BelAfGook+YomM8OVXSc1NgVk6Ik7LytRwdavp18VGn6OsBlUl+02agPnWjMy1lQwoEWnKBsID5wy2DBofFfT24VDeVdH"
    "iJhYJNsxPCfMuqFqP/XY/DzqN6gS+oelFAX6h1DNw2Wf1Gocz/hbxEBkaS0j1PR8Ou5L2TwopVqqNjgjHywklk7vwKgxn3+sHbo02jRzkY2L"
    "nVgvXBbGs8kqF/G/5ei2zIlRMXx7aOEwB99ZdJYHmgTh1jI+jWsF2T5SB2hElnRxoljEjoEjSDcSGcaeTc4MZy2cD4HldF75yI/pTnbtReS7"
    "Fs4mQqY1DjGCAfwwggH4AgEBMEYwLjEaMBgGA1UEAwwRVGVzdCBDb2RlIFNpZ25pbmcxEDAOBgNVBAoMB05vcnZhbmUCFDrlGDh4m4+3ItoK"
    "qi6lQo5OoMXbMA0GCWCGSAFlAwQCAQUAoIGIMBkGCSqGSIb3DQEJAzEMBgorBgEEAYI3AgEEMBwGCSqGSIb3DQEJBTEPFw0yNjEyMDYxMTE0"
    "MTVaMBwGCisGAQQBgjcCAQsxDjAMBgorBgEEAYI3AgEVMC8GCSqGSIb3DQEJBDEiBCDb03tH1cqlqIGfbFWblurcLStXBWpKnQYwfwE3TFJ2"
    "BjANBgkqhkiG9w0BAQEFAASCAQCjx42qavTbmqf4o5aToe859qumA6E1KTrGu0VZ0iOPzCIzBIRPba9jtj2e5qn+acjTL8mKTZBMU/TlRYkz"
    "ftQVilFT3vGV1HZFyvKrw8cEWdDwQjAVxD7l8Ez4niLt9CngAYZVQ4/f42iaFA6C5vEexkN4L51eXtQ7QXzX4AD3XbVqQqYQN7zeVeTytU0k"
    "ExET7puF525R8Iv6Lco2bfacEuZjLNXRm2Or19vcd0pFb3LQ0nXmLuLmWdK9GLrHaM5nvnBp3dfIXQ8CtIRIzzVLEHSpAsCz/icTVH1UU1D3"
    "Sj8z26LuMJSlGHEFjV7wHRoBjxF3wOfElqzXo7tgKvDQAAAAAAAA";
constexpr char kSignedByOtherCorp[] =
    "TVoAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAQAAAAFBFAABkhgAAAAAAAAAAAAAA"
    "AAAA8AAiIAsCDgAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAIABAAAAABAAAAACAAAGAAAAAAAAAAYAAAAAAAAAABAAAAACAACQNgAAAgBgAQAA"
    "EAAAAAAAABAAAAAAAAAAABAAAAAAAAAQAAAAAAAAAAAAABAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAACAAAYBgAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAYBgAAAAICADCCBgcGCSqGSIb3DQEHAqCCBfgwggX0AgEBMQ8wDQYJYIZIAWUDBAIBBQAweQYK"
    "KwYBBAGCNwIBBKBrMGkwNAYKKwYBBAGCNwIBDzAmAwIHgKAgoh6AHAA8ADwAPABPAGIAcwBvAGwAZQB0AGUAPgA+AD4wMTANBglghkgBZQME"
    "AgEFAAQgER1CFNYER/OtdemQeIkNZhzbXWYRNUjAViizpImPeKagggNeMIIDWjCCAkKgAwIBAgIUXG8JTFs8Mwt9OTR9+vG2sODUrW0wDQYJ"
    "KoZIhvcNAQELBQAwMTEaMBgGA1UEAwwRVGVzdCBDb2RlIFNpZ25pbmcxEzARBgNVBAoMCk90aGVyIENvcnAwIBcNMjYxMjA2MTExNDIwWhgP"
    "MjEyNjExMTIxMTE0MjBaMDExGjAYBgNVBAMMEVRlc3QgQ29kZSBTaWduaW5nMRMwEQYDVQQKDApPdGhlciBDb3JwMIIBIjANBgkqhkiG9w0B"
    "AQEFAAOCAQ8AMIIBCgKCAQEAyA7fXtPdLX2k3YEgm4cm7AebFWmAHXTf7CzWnlwn4KddxxM73A90+CFT2wSIm6bP2gVI+oFzUvHigEUD5KuZ"
    "+YbyWcXyuqNnqPnue09MVL0GHQc03fUaOErvs9hFX8VKP7CJMsCivMz8c0JwL1a+crFLbBUQYBlEvsxR5iFhjI4kzXdeP6+y9pPZxcq5/0WL"
    "REZ1BHvM62jIj7YTfPdj9VYqGWwz20IfwuC2uj+/ZiV9tdbQ4w5U7zDsyomKTbQcNKy4S/W9HQ+4uD5kHj1B/LuvaWuWKer2Q5T+1O/n3g6/"
    "SZX3BMexX6CkBUBMDl4YMaFiv7f3oQ4WYhzChS+QhQIDAQABo2gwZjAdBgNVHQ4EFgQU7pPshHbuD8WhqhFmd0L+dYa97PEwHwYDVR0jBBgw"
    "FoAU7pPshHbuD8WhqhFmd0L+dYa97PEwDwYDVR0TAQH/BAUwAwEB/zATBgNVHSUEDDAKBggrBgEFBQcDAzANBgkqhkiG9w0BAQsFAAOCAQEA"
    "hVUY3HHuG+2qooiR2g5OEc8lmSF2y/oDRY8qoiaowj78rsu63BRmQBV6cI9XhPBTFFVSK1pYKmhJTCGMq5H5JXiuZBGlP6gCnYQLwvDBCn/u"
    "C5+9r/xVhY2aGFdpsMi6fzPmP+OJsMSeT5dL9S1l5+YgpLER10mVORqSlW1jn0ovYj8oNXUBe93zIXUmMn2S/nh7xE/R8+nNwP9h/ggcIaZA"
    "jRBSFMWSY4l0IjHWfNCHRdlm/pEwm0+6Ho1CK1uAlE1F1glnvUhk9tTpnweOihIiZPmkX8+hpDvEwPLeXDGQzOX/EZZa2WM41PdzeCBS18gm"
    "PEu89tU9cS2KTan3IzGCAf8wggH7AgEBMEkwMTEaMBgGA1UEAwwRVGVzdCBDb2RlIFNpZ25pbmcxEzARBgNVBAoMCk90aGVyIENvcnACFFxv"
    "CUxbPDMLfTk0ffrxtrDg1K1tMA0GCWCGSAFlAwQCAQUAoIGIMBkGCSqGSIb3DQEJAzEMBgorBgEEAYI3AgEEMBwGCSqGSIb3DQEJBTEPFw0y"
    "NjEyMDYxMTE0MjBaMBwGCisGAQQBgjcCAQsxDjAMBgorBgEEAYI3AgEVMC8GCSqGSIb3DQEJBDEiBCDb03tH1cqlqIGfbFWblurcLStXBWpK"
    "nQYwfwE3TFJ2BjANBgkqhkiG9w0BAQEFAASCAQBshMwgmDHGYrG1wiLep0aYAT4x8XhPRUVnr+BdHjWsjGaKJCvjmuQJEd9c9DEStNiUq3z5"
    "4xdRb99QpqY1Yn/CRGdJiluP4ubyvsHQBSts3XJkDdW7yq3A+Xu1HqIDslRBMpRyRqt4UTSoJWLzHXZBPafGA6KoXCaUT9D6tdxXvtLQu7VV"
    "6iczcH6MqQB3PvNcmZjPsA9F60dPSWFRme6tIxwlq7IaaEPZzaTBRTyOTPWpagX9VEcJmui7VVE2swNc3W7tFVhQUufUZMhFS1l2R/GVCtP8"
    "30hFCHRt6kd1pcJ2oWg607q2U5xp1Er1vDb+BCVyBw+ChR6LiE6okxX/AAAAAAA=";

enum class PublisherList
{
    None,
    ListsOtherCorp,
    ListsOtherCorpWritableByEveryone,
};

// Replaces the owner and access list of a key: administrators own it and keep
// full access, and one more entry is added for the group under test. The owner
// is set each time because Wine gives a key whose access list is set to none
// the process's default owner.
void SetKeyAccess(const wchar_t* subKey, WELL_KNOWN_SID_TYPE group, ACCESS_MASK rights, BYTE flags, bool noAccessList)
{
    BYTE admins[SECURITY_MAX_SID_SIZE];
    BYTE other[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof(admins);
    DWORD otherSize = sizeof(other);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize));
    ASSERT_TRUE(CreateWellKnownSid(group, nullptr, other, &otherSize));
    std::vector<BYTE> aclBuffer(512);
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    ASSERT_TRUE(InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION, CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS, admins));
    ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION, flags, rights, other));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, admins, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, noAccessList ? nullptr : acl, FALSE));
    Ostrel::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, WRITE_DAC | WRITE_OWNER | KEY_WOW64_64KEY, key.put()));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &descriptor));
}

void SetPublisherList(PublisherList list)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTrustedPublishersKey);
    if (list == PublisherList::None)
    {
        return;
    }
    // Value names are compared without regard to case.
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_LOCAL_MACHINE, kTrustedPublishersKey, L"OTHER CORP", REG_SZ, L"", sizeof(wchar_t)));
    if (list == PublisherList::ListsOtherCorpWritableByEveryone)
    {
        SetKeyAccess(kTrustedPublishersKey, WinWorldSid, KEY_SET_VALUE, 0, false);
    }
}

class TrustVerificationTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    // WinVerifyTrust finds its providers under the machine's cryptography key:
    // the scratch machine key gets a copy, read through a handle opened before
    // the redirection.
    static void SetUpTestSuite()
    {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, KEY_READ | KEY_WOW64_64KEY, cryptography_.put());
    }
    static void TearDownTestSuite() { cryptography_.reset(); }

    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        Ostrel::UniqueRegKey copy;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, copy.put(), nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegCopyTreeW(cryptography_.get(), nullptr, copy.get()));
    }

    std::wstring MakeFile(const std::wstring& name, const std::string& content)
    {
        const std::wstring path = folder_.File(name);
        EXPECT_TRUE(ScreenRelayTest::WriteFileBytes(path, content));
        return path;
    }

    std::wstring MakeListedFile(const std::wstring& name)
    {
        const std::wstring path = MakeFile(name, "library content of " + std::string(name.begin(), name.end()));
        EXPECT_EQ(0u, ListTrustedFile(path));
        return path;
    }

    std::wstring MakeSignedFile(const char* base64, bool changeAfterSigning)
    {
        DWORD size = 0;
        EXPECT_TRUE(CryptStringToBinaryA(base64, 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr));
        std::string bytes(size, '\0');
        EXPECT_TRUE(CryptStringToBinaryA(base64, 0, CRYPT_STRING_BASE64, reinterpret_cast<BYTE*>(bytes.data()), &size,
                                         nullptr, nullptr));
        if (changeAfterSigning)
        {
            bytes[0x100] ^= 1;
        }
        return MakeFile(L"Signed.dll", bytes);
    }

    // Keeps the file open for writing, as an installer replacing it would.
    void HoldOpenForWriting(const std::wstring& path)
    {
        writer_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer_);
    }

    ScreenRelayTest::TempFolder folder_;
    Ostrel::UniqueFileHandle writer_;
    inline static Ostrel::UniqueRegKey cryptography_;
};

TEST_F(TrustVerificationTest, Sha256MatchesKnownDigests)
{
    const std::tuple<const char*, std::string, std::wstring> cases[] = {
        {"empty", "", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"one million a, read in chunks", std::string(1000000, 'a'),
         L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}};
    for (const auto& [label, content, expected] : cases)
    {
        SCOPED_TRACE(label);
        std::wstring digest;
        EXPECT_EQ(0u, ComputeFileSha256(MakeFile(L"content.bin", content), digest));
        EXPECT_EQ(expected, digest);
    }
}

TEST_F(TrustVerificationTest, ListedFileIsTrustedUnderItsDigest)
{
    const std::wstring path = MakeListedFile(L"Listed.dll");
    MakeListedFile(L"Other.dll");

    EXPECT_EQ(0u, VerifyFileTrust(path));
    std::wstring digest;
    ASSERT_EQ(0u, ComputeFileSha256(path, digest));
    wchar_t name[MAX_PATH] = {};
    DWORD bytes = sizeof(name);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, kTrustedFilesKey, digest.c_str(),
                                          RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, name, &bytes));
    EXPECT_STREQ(L"Listed.dll", name);
}

TEST_F(TrustVerificationTest, RefusesWhatIsNeitherSignedNorListed)
{
    const std::tuple<const char*, std::function<std::wstring()>, DWORD> cases[] = {
        {"unlisted, no list at all", [this] { return MakeFile(L"Unlisted.dll", "unlisted"); }, kNoSignature},
        {"listed, then changed",
         [this]
         {
             const std::wstring path = MakeListedFile(L"Changed.dll");
             ScreenRelayTest::WriteFileBytes(path, ScreenRelayTest::ReadFileBytes(path) + "x");
             return path;
         },
         kNoSignature},
        {"listed, open for writing elsewhere",
         [this]
         {
             const std::wstring path = MakeListedFile(L"Busy.dll");
             HoldOpenForWriting(path);
             return path;
         },
         static_cast<DWORD>(ERROR_SHARING_VIOLATION)},
        {"missing file", [this] { return folder_.File(L"Missing.dll"); }, static_cast<DWORD>(ERROR_FILE_NOT_FOUND)},
        {"relative path", [] { return std::wstring(L"Relative.dll"); }, static_cast<DWORD>(ERROR_INVALID_PARAMETER)}};
    for (const auto& [label, prepare, expected] : cases)
    {
        SCOPED_TRACE(label);
        EXPECT_EQ(expected, VerifyFileTrust(prepare()));
    }
}

TEST_F(TrustVerificationTest, IgnoresFileListThatOrdinaryAccountsCanChange)
{
    const std::wstring path = MakeListedFile(L"Listed.dll");
    // Label, the group given rights, the rights, their inheritance flags, whether the key has no access list.
    const std::tuple<const char*, WELL_KNOWN_SID_TYPE, ACCESS_MASK, BYTE, bool, DWORD> cases[] = {
        {"Everyone may set values", WinWorldSid, KEY_SET_VALUE, 0, false, ERROR_ACCESS_DENIED},
        {"Users have generic write", WinBuiltinUsersSid, GENERIC_WRITE, 0, false, ERROR_ACCESS_DENIED},
        {"Users may create subkeys", WinBuiltinUsersSid, KEY_CREATE_SUB_KEY, 0, false, ERROR_ACCESS_DENIED},
        {"Authenticated Users may change the access list", WinAuthenticatedUserSid, WRITE_DAC, 0, false,
         ERROR_ACCESS_DENIED},
        {"no access list", WinWorldSid, KEY_READ, 0, true, ERROR_ACCESS_DENIED},
        {"Users may only read", WinBuiltinUsersSid, KEY_READ, 0, false, 0},
        {"Everyone's write passes only to subkeys", WinWorldSid, KEY_ALL_ACCESS,
         CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE, false, ERROR_ACCESS_DENIED}};
    for (const auto& [label, group, rights, flags, noAccessList, expected] : cases)
    {
        SCOPED_TRACE(label);
        SetKeyAccess(kTrustedFilesKey, group, rights, flags, noAccessList);
        EXPECT_EQ(expected, VerifyFileTrust(path));
    }
}

TEST_F(TrustVerificationTest, SignatureOfListedPublisherIsTrusted)
{
    const std::tuple<const char*, const char*, bool, PublisherList, DWORD> cases[] = {
        {"Norvane, listed in code", kSignedByNorvane, false, PublisherList::None, 0},
        {"Norvane, changed after signing", kSignedByNorvane, true, PublisherList::None,
         static_cast<DWORD>(TRUST_E_BAD_DIGEST)},
        {"Other Corp, listed", kSignedByOtherCorp, false, PublisherList::ListsOtherCorp, 0},
        {"Other Corp, listed in a key anyone can change", kSignedByOtherCorp, false,
         PublisherList::ListsOtherCorpWritableByEveryone, static_cast<DWORD>(ERROR_ACCESS_DENIED)},
        {"Norvane, publisher list anyone can change", kSignedByNorvane, false,
         PublisherList::ListsOtherCorpWritableByEveryone, 0},
        {"Other Corp, not listed", kSignedByOtherCorp, false, PublisherList::None,
         static_cast<DWORD>(TRUST_E_SUBJECT_NOT_TRUSTED)}};
    for (const auto& [label, file, changeAfterSigning, publishers, expected] : cases)
    {
        SCOPED_TRACE(label);
        SetPublisherList(publishers);
        EXPECT_EQ(expected, VerifyFileTrust(MakeSignedFile(file, changeAfterSigning)));
    }
}

} // namespace
