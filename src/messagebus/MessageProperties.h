#pragma once

#include <cstddef>
#include <cstdint>

// The property record of a bus message, shared byte for byte with the bus
// library: packed, little-endian, 108 bytes in version 2 and 100 bytes in
// version 1 (which lacks the session extension).
#pragma pack(push, 1)

struct MessageSessionExtension
{
    std::uint16_t extensionType;
    std::uint16_t extensionSize;
    std::uint32_t sessionId; // Windows session of the message; 0 = none
};

struct MessageProperties
{
    std::uint16_t kind;
    std::uint32_t totalSize; // record plus three terminated UTF-16 strings
    std::uint32_t flags;
    std::uint16_t version;
    std::uint8_t busData[80]; // the bus library's own; copied unchanged
    std::uint64_t replyToken; // the request a reply answers
    MessageSessionExtension extension;
};

#pragma pack(pop)

static_assert(offsetof(MessageProperties, kind) == 0);
static_assert(offsetof(MessageProperties, totalSize) == 2);
static_assert(offsetof(MessageProperties, flags) == 6);
static_assert(offsetof(MessageProperties, version) == 10);
static_assert(offsetof(MessageProperties, busData) == 12);
static_assert(offsetof(MessageProperties, replyToken) == 92);
static_assert(offsetof(MessageProperties, extension) == 100);
static_assert(offsetof(MessageProperties, extension) + offsetof(MessageSessionExtension, extensionSize) == 102);
static_assert(offsetof(MessageProperties, extension) + offsetof(MessageSessionExtension, sessionId) == 104);
static_assert(sizeof(MessageProperties) == 108);

namespace Ostrel
{

inline constexpr std::uint16_t kMessagePropertiesVersion1 = 1;
inline constexpr std::uint16_t kMessagePropertiesVersion2 = 2;
inline constexpr std::size_t kMessagePropertiesVersion1Size = 100;
inline constexpr std::uint16_t kSessionExtensionType = 0x000B;

// Flag bits the module uses; all others belong to the bus library.
inline constexpr std::uint32_t MESSAGE_FLAG_REPLY = 1u << 0;        // a reply, addressed by replyToken
inline constexpr std::uint32_t MESSAGE_FLAG_NO_COPY = 1u << 3;      // a reply that gets no plain copy
inline constexpr std::uint32_t MESSAGE_FLAG_COPY_FOLLOWS = 1u << 4; // its plain copy is published next

// Size of a record plus three terminated strings with no characters.
inline constexpr std::uint32_t kEmptyMessageTotalSize = sizeof(MessageProperties) + 3 * sizeof(wchar_t);

// The record every new message starts from.
const MessageProperties& MessagePropertiesTemplate();

// Copies a record received from the bus library or the host into a message's
// record: reset to the template; then nothing for null, all 108 bytes of a
// version 2 record, or the first 100 bytes of an older one, widened to
// version 2 (totalSize grows by 8, the extension keeps the template's values).
void CopyMessageProperties(MessageProperties& destination, const MessageProperties* source);

// The session extension when asked for version 2 and the record is version 2;
// null otherwise.
const MessageSessionExtension* FindMessageExtension(const MessageProperties& record, std::uint16_t version);

} // namespace Ostrel
