#include "messagebus/Message.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace Ostrel
{
namespace
{

TEST(MessageTest, RecordStartsFromTheTemplateWithTotalSizeCountingTheStrings)
{
    struct Case
    {
        const wchar_t* name;
        const wchar_t* sender;
        const wchar_t* payload;
        std::uint32_t totalSize;
    };
    const Case cases[] = {
        {L"", L"", L"", 114},
        {L"ab", L"c", L"", 120},
        {L"ZTS.UI.ShowScreen", L"Sender.dll", L"{\"screen\":\"x\"}", 114 + 2 * (17 + 10 + 14)},
    };
    for (const auto& c : cases)
    {
        const Message message(c.name, c.sender, c.payload);
        const MessageProperties* record = message.getProperties();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->kind, 1);
        EXPECT_EQ(record->totalSize, c.totalSize) << c.name;
        EXPECT_EQ(record->flags, 0u);
        EXPECT_EQ(record->version, 2);
        EXPECT_EQ(record->replyToken, 0u);
        EXPECT_EQ(record->extension.extensionType, 0x000B);
        EXPECT_EQ(record->extension.extensionSize, 8);
        EXPECT_EQ(record->extension.sessionId, 0u);
        EXPECT_EQ(std::vector<std::uint8_t>(record->busData, record->busData + 80), std::vector<std::uint8_t>(80, 0));
    }
}

// A record as the bus delivers it: every byte set to a recognisable value.
MessageProperties PatternedRecord(std::uint16_t version)
{
    MessageProperties record{};
    std::uint8_t* bytes = reinterpret_cast<std::uint8_t*>(&record);
    for (std::size_t i = 0; i < sizeof(record); ++i)
    {
        bytes[i] = static_cast<std::uint8_t>(0x40 + i);
    }
    record.version = version;
    record.totalSize = 500;
    return record;
}

TEST(MessageTest, CopyingAVersion2RecordTakesAll108BytesAndCopyingNothingResetsToTheTemplate)
{
    const MessageProperties source = PatternedRecord(2);
    MessageProperties destination{};
    CopyMessageProperties(destination, &source);
    EXPECT_EQ(std::memcmp(&destination, &source, sizeof(source)), 0);
    CopyMessageProperties(destination, nullptr);
    EXPECT_EQ(std::memcmp(&destination, &MessagePropertiesTemplate(), sizeof(destination)), 0);
}

TEST(MessageTest, CopyingAVersion1RecordWidensItToVersion2)
{
    // Only 100 bytes exist: the copy must not read past them.
    const MessageProperties patterned = PatternedRecord(1);
    std::vector<std::uint8_t> source(reinterpret_cast<const std::uint8_t*>(&patterned),
                                     reinterpret_cast<const std::uint8_t*>(&patterned) + 100);
    MessageProperties destination = PatternedRecord(2);
    CopyMessageProperties(destination, reinterpret_cast<const MessageProperties*>(source.data()));

    EXPECT_EQ(std::memcmp(&destination, source.data(), offsetof(MessageProperties, totalSize)), 0);
    EXPECT_EQ(destination.totalSize, 508u);
    EXPECT_EQ(destination.flags, patterned.flags);
    EXPECT_EQ(destination.version, 2);
    EXPECT_EQ(std::memcmp(destination.busData, patterned.busData, 80), 0);
    EXPECT_EQ(destination.replyToken, patterned.replyToken);
    EXPECT_EQ(destination.extension.extensionType, 0x000B);
    EXPECT_EQ(destination.extension.extensionSize, 8);
    EXPECT_EQ(destination.extension.sessionId, 0u);
}

TEST(MessageTest, SessionExtensionOnlyForVersion2)
{
    const MessageProperties version2 = PatternedRecord(2);
    const MessageProperties version1 = PatternedRecord(1);
    EXPECT_EQ(FindMessageExtension(version2, 2), &version2.extension);
    EXPECT_EQ(FindMessageExtension(version2, 1), nullptr);
    EXPECT_EQ(FindMessageExtension(version1, 2), nullptr);
}

TEST(MessageTest, EmptySenderBecomesTheFileNameOfTheLibraryHoldingTheCode)
{
    // Here the code is linked into the test program itself.
    const auto message = createMessage(L"n", L"", L"p");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->getSender(), L"messagebus_tests.exe");
    EXPECT_EQ(message->getProperties()->totalSize, 114u + 2 * (1 + 20 + 1));

    const auto named = createMessage(L"n", L"Other.dll", L"p");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->getSender(), L"Other.dll");
}

} // namespace
} // namespace Ostrel
