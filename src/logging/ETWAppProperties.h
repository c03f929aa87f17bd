#pragma once

#include <windows.h>

#include <string>

namespace Basekit
{
class CRegKey;
}

namespace ETWLogging::internal
{

// What the event-tracing logger and the component that owns the trace session
// know about an application: where its settings live, which provider and
// session it uses and where the trace files go. The settings of application
// "ZTS" are built in; any application may override them in the registry under
// SOFTWARE\Norvane.logging\<application>.
class ETWAppProperties
{
public:
    ETWAppProperties() = default;
    ETWAppProperties(const ETWAppProperties&) = default;
    ETWAppProperties& operator=(const ETWAppProperties&) = default;
    virtual ~ETWAppProperties() = default;

    // Takes the application name (null or empty means "ZTS") and loads the
    // properties from the registry, or the built-in ones when the application
    // has no key. False when a name is already stored, the data folder is
    // unknown or the properties cannot be loaded.
    virtual bool Init(const wchar_t* applicationName);
    // The machine-wide program data folder, created when missing.
    virtual bool GetDataFolder(std::wstring& dataFolder);
    // Reads the properties from the application key and its "Session",
    // "Provider" and "Controller" subkeys; false when a subkey or a required
    // value is missing.
    virtual bool LoadFromRegistry(const std::wstring& dataFolder, Basekit::CRegKey& applicationKey);
    // The built-in properties; only application "ZTS" has them.
    virtual bool LoadDefaults(const std::wstring& dataFolder);
    virtual std::wstring GetEtlFileName() const;
    virtual std::wstring GetRegistryBase() const;
    // Base, application name and, when given, the subkey, joined by backslashes.
    virtual std::wstring GetRegistryPath(const wchar_t* subkey) const;

    const std::wstring& ApplicationName() const { return applicationName_; }
    const std::wstring& DataFolder() const { return dataFolder_; }
    const GUID& SessionId() const { return sessionId_; }
    const std::wstring& SessionName() const { return sessionName_; }
    const GUID& ProviderGuid() const { return providerGuid_; }
    const std::wstring& OwnerMutexName() const { return ownerMutexName_; }
    const std::wstring& LogFolder() const { return logFolder_; }
    const std::wstring& TraceFileFolder() const { return traceFileFolder_; }
    const std::wstring& TraceFile() const { return traceFile_; }
    const std::wstring& ControllerPath() const { return controllerPath_; }
    HKEY RegistryRoot() const { return registryRoot_; }
    const std::wstring& ApplicationRegistryPath() const { return applicationRegistryPath_; }
    const std::wstring& ControllerRegistryPath() const { return controllerRegistryPath_; }
    const std::wstring& ProviderRegistryPath() const { return providerRegistryPath_; }
    const std::wstring& SettingsRegistryPath() const { return settingsRegistryPath_; }

private:
    std::wstring applicationName_;
    std::wstring dataFolder_;
    GUID sessionId_{};
    std::wstring sessionName_;
    GUID providerGuid_{};
    std::wstring ownerMutexName_;
    std::wstring logFolder_;
    std::wstring traceFileFolder_;
    std::wstring traceFile_;
    std::wstring controllerPath_;
    HKEY registryRoot_ = HKEY_LOCAL_MACHINE;
    std::wstring applicationRegistryPath_;
    std::wstring controllerRegistryPath_;
    std::wstring providerRegistryPath_;
    std::wstring settingsRegistryPath_;
};

} // namespace ETWLogging::internal
