#pragma once

#include <windows.h>

#include <evntrace.h>

#include <memory>

namespace ETWLogging
{

// The classic event-tracing calls of the event-tracing logger, one virtual
// operation per Windows call. The default instance calls Windows; a test
// derives from it to capture events and to drive the control callback, which
// the system never calls where tracing is only a stub.
class TracingAPI
{
public:
    virtual ~TracingAPI() = default;

    virtual ULONG RegisterTraceGuidsW(WMIDPREQUEST requestAddress, PVOID requestContext, LPCGUID controlGuid,
                                      ULONG guidCount, PTRACE_GUID_REGISTRATION traceGuidRegistration,
                                      LPCWSTR mofImagePath, LPCWSTR mofResourceName, PTRACEHANDLE registrationHandle);
    virtual ULONG UnregisterTraceGuids(TRACEHANDLE registrationHandle);
    virtual ULONG TraceEvent(TRACEHANDLE sessionHandle, PEVENT_TRACE_HEADER eventTrace);
    virtual TRACEHANDLE GetTraceLoggerHandle(PVOID buffer);
    virtual UCHAR GetTraceEnableLevel(TRACEHANDLE sessionHandle);
    virtual ULONG GetTraceEnableFlags(TRACEHANDLE sessionHandle);

    // The process-wide instance that calls Windows.
    static std::shared_ptr<TracingAPI> Default();
};

} // namespace ETWLogging
