#include "logging/TracingAPI.h"

#include "platform/OnceOnly.h"

namespace ETWLogging
{

namespace
{

constinit Ostrel::LazyObject<std::shared_ptr<TracingAPI>> g_defaultTracingApi;

} // namespace

ULONG TracingAPI::RegisterTraceGuidsW(WMIDPREQUEST requestAddress, PVOID requestContext, LPCGUID controlGuid,
                                      ULONG guidCount, PTRACE_GUID_REGISTRATION traceGuidRegistration,
                                      LPCWSTR mofImagePath, LPCWSTR mofResourceName, PTRACEHANDLE registrationHandle)
{
    return ::RegisterTraceGuidsW(requestAddress, requestContext, controlGuid, guidCount, traceGuidRegistration,
                                 mofImagePath, mofResourceName, registrationHandle);
}

ULONG TracingAPI::UnregisterTraceGuids(TRACEHANDLE registrationHandle)
{
    return ::UnregisterTraceGuids(registrationHandle);
}

ULONG TracingAPI::TraceEvent(TRACEHANDLE sessionHandle, PEVENT_TRACE_HEADER eventTrace)
{
    return ::TraceEvent(sessionHandle, eventTrace);
}

TRACEHANDLE TracingAPI::GetTraceLoggerHandle(PVOID buffer)
{
    return ::GetTraceLoggerHandle(buffer);
}

UCHAR TracingAPI::GetTraceEnableLevel(TRACEHANDLE sessionHandle)
{
    return ::GetTraceEnableLevel(sessionHandle);
}

ULONG TracingAPI::GetTraceEnableFlags(TRACEHANDLE sessionHandle)
{
    return ::GetTraceEnableFlags(sessionHandle);
}

std::shared_ptr<TracingAPI> TracingAPI::Default()
{
    return g_defaultTracingApi.Get([] { return std::make_shared<TracingAPI>(); });
}

} // namespace ETWLogging
