#include "messagebus/MessageProperties.h"

#include <cstring>

namespace Ostrel
{

namespace
{

constexpr MessageProperties kTemplate = {
    1,                                                                                       // kind
    kEmptyMessageTotalSize,                                                                  // totalSize
    0,                                                                                       // flags
    kMessagePropertiesVersion2,                                                              // version
    {},                                                                                      // bus data
    0,                                                                                       // replyToken
    {kSessionExtensionType, static_cast<std::uint16_t>(sizeof(MessageSessionExtension)), 0}, // extension
};

} // namespace

const MessageProperties& MessagePropertiesTemplate()
{
    return kTemplate;
}

void CopyMessageProperties(MessageProperties& destination, const MessageProperties* source)
{
    destination = kTemplate;
    if (source == nullptr)
    {
        return;
    }
    // Only the version field is read before the size is known: it lies
    // inside the first 100 bytes that every version has.
    std::uint16_t version = 0;
    std::memcpy(&version, reinterpret_cast<const std::uint8_t*>(source) + offsetof(MessageProperties, version),
                sizeof(version));
    if (version == kMessagePropertiesVersion2)
    {
        std::memcpy(&destination, source, sizeof(MessageProperties));
        return;
    }
    std::memcpy(&destination, source, kMessagePropertiesVersion1Size);
    destination.totalSize += sizeof(MessageProperties) - kMessagePropertiesVersion1Size;
    destination.version = kMessagePropertiesVersion2;
}

const MessageSessionExtension* FindMessageExtension(const MessageProperties& record, std::uint16_t version)
{
    if (version != kMessagePropertiesVersion2 || record.version != kMessagePropertiesVersion2)
    {
        return nullptr;
    }
    return &record.extension;
}

} // namespace Ostrel
