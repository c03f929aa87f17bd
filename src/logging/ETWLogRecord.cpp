#include "logging/ETWLogRecord.h"

#include <algorithm>
#include <limits>

namespace ETWLogging
{

namespace
{

template <typename Number>
bool AppendNumber(internal::ETWRecordBuffer& buffer, Number value)
{
    return buffer.Append(&value, sizeof(value));
}

bool AppendCounted(internal::ETWRecordBuffer& buffer, std::wstring_view text)
{
    const auto count =
        static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), std::numeric_limits<std::uint16_t>::max()));
    return AppendNumber(buffer, count) && buffer.Append(text.data(), count * sizeof(wchar_t));
}

} // namespace

bool AppendETWLogRecord(const ETWLogRecord& record, std::uint64_t messageBytes, internal::ETWRecordBuffer& buffer)
{
    static_assert(sizeof(wchar_t) == 2, "counted strings hold UTF-16 units");
    return AppendNumber<std::uint32_t>(buffer, record.processId) &&
           AppendNumber<std::uint32_t>(buffer, record.threadId) && AppendCounted(buffer, record.processImageName) &&
           AppendCounted(buffer, record.sourceFile) && AppendCounted(buffer, record.function) &&
           AppendNumber<std::uint32_t>(buffer, record.line) && AppendCounted(buffer, record.moduleFolder) &&
           AppendCounted(buffer, record.moduleVersion) && AppendCounted(buffer, record.group) &&
           AppendNumber<std::uint64_t>(buffer, messageBytes);
}

} // namespace ETWLogging
