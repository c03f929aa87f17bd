#include "platform/TrustSignature.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace Ostrel
{

namespace
{

// Closes the verification state that WTD_STATEACTION_VERIFY left open.
class VerificationState
{
public:
    VerificationState(WINTRUST_DATA& data, GUID& action)
        : data_(data)
        , action_(action)
    {
    }
    ~VerificationState()
    {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    VerificationState(const VerificationState&) = delete;
    VerificationState& operator=(const VerificationState&) = delete;

private:
    WINTRUST_DATA& data_;
    GUID& action_;
};

DWORD NormalizeStatus(LONG status)
{
    switch (static_cast<DWORD>(status))
    {
        case static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN):
        case static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN):
            return static_cast<DWORD>(TRUST_E_NOSIGNATURE);
        default:
            return static_cast<DWORD>(status);
    }
}

DWORD SignerOrganisation(HANDLE stateData, std::wstring& organisation)
{
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(stateData);
    CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr ||
        signer->pasCertChain[0].pCert == nullptr)
    {
        return static_cast<DWORD>(TRUST_E_NO_SIGNER_CERT);
    }
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    void* attribute = const_cast<char*>(szOID_ORGANIZATION_NAME);
    const DWORD chars = CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, attribute, nullptr, 0);
    std::wstring name(chars, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, attribute, name.data(), chars);
    name.resize(chars > 0 ? chars - 1 : 0);
    organisation = name;
    return ERROR_SUCCESS;
}

} // namespace

DWORD VerifySignature(const std::wstring& path, HANDLE file, std::wstring& organisation)
{
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;

    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const VerificationState state(data, action);
    if (status != ERROR_SUCCESS)
    {
        return NormalizeStatus(status);
    }
    return SignerOrganisation(data.hWVTStateData, organisation);
}

} // namespace Ostrel
