#pragma once

#include "logging/TracingAPI.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace ScreenRelayTest
{

// Records registrations and the bytes of every event, and plays the tracing
// system by calling the registered control callback.
class FakeTracingAPI : public ETWLogging::TracingAPI
{
public:
    // What a control request's buffer identifies; handle -1 is a session the
    // system cannot identify.
    struct Session
    {
        TRACEHANDLE handle;
        UCHAR level;
        ULONG flags;
    };
    struct Event
    {
        TRACEHANDLE session;
        std::vector<std::uint8_t> header; // the 80 bytes handed over: header and two data entries
        std::vector<std::uint8_t> record;
        std::vector<std::uint8_t> message;
    };

    ULONG registerResult = ERROR_SUCCESS;
    TRACEHANDLE registration = 0x5000;
    int registrations = 0;
    WMIDPREQUEST callback = nullptr;
    PVOID context = nullptr;
    GUID controlGuid{};
    GUID traceGuid{};
    std::vector<TRACEHANDLE> unregistered;
    std::vector<Event> events;

    ULONG Control(ULONG requestCode, Session* session) const
    {
        ULONG size = sizeof(Session);
        return callback(static_cast<WMIDPREQUESTCODE>(requestCode), context, &size, session);
    }

    ULONG RegisterTraceGuidsW(WMIDPREQUEST requestAddress, PVOID requestContext, LPCGUID control, ULONG,
                              PTRACE_GUID_REGISTRATION traceGuids, LPCWSTR, LPCWSTR, PTRACEHANDLE handle) override
    {
        ++registrations;
        callback = requestAddress;
        context = requestContext;
        controlGuid = *control;
        traceGuid = *traceGuids->Guid;
        *handle = registerResult == ERROR_SUCCESS ? registration : 0;
        return registerResult;
    }
    ULONG UnregisterTraceGuids(TRACEHANDLE handle) override
    {
        unregistered.push_back(handle);
        return ERROR_SUCCESS;
    }
    // Copies what the event points to (a data entry is a 64-bit pointer and a
    // 32-bit length) and fails as the stub does.
    ULONG TraceEvent(TRACEHANDLE session, PEVENT_TRACE_HEADER eventTrace) override
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(eventTrace);
        auto data = [bytes](std::size_t entry)
        {
            std::uint64_t pointer = 0;
            std::uint32_t length = 0;
            std::memcpy(&pointer, bytes + entry, sizeof(pointer));
            std::memcpy(&length, bytes + entry + 8, sizeof(length));
            const auto* start = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(pointer));
            return std::vector<std::uint8_t>(start, start + length);
        };
        events.push_back({session, {bytes, bytes + 80}, data(48), data(64)});
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    TRACEHANDLE GetTraceLoggerHandle(PVOID buffer) override
    {
        last_ = static_cast<const Session*>(buffer);
        if (last_->handle == static_cast<TRACEHANDLE>(-1))
        {
            SetLastError(ERROR_INVALID_HANDLE);
        }
        return last_->handle;
    }
    UCHAR GetTraceEnableLevel(TRACEHANDLE) override { return last_->level; }
    ULONG GetTraceEnableFlags(TRACEHANDLE) override { return last_->flags; }

private:
    const Session* last_ = nullptr;
};

} // namespace ScreenRelayTest
