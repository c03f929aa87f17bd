#pragma once

// How the development bus library MessageBus.dll carries messages, for whoever
// writes a client of it or a subscriber that answers requests. The function
// table and the callbacks are those of "messagebus/MessageBusFunctions.h".
//
// Handles. Every handle created in a process (entry 0) joins the same
// in-process bus, so two clients of one process reach each other. Releasing a
// handle (entry 1) ends its subscriptions and its pending requests (their
// reply entry points are not called) and returns once no call into that
// client runs on another thread. The bus stops its threads when the last
// handle is released; each thread keeps the library loaded while it runs.
//
// Delivery. Publishing (entry 2; entry 8 behaves the same) hands the message
// to every subscription whose name equals the message name (entry 4,
// case-sensitive) or whose ECMAScript pattern matches the whole name (entry 5;
// a pattern that does not compile gives subscription id 0). A message no
// subscription matches is refused with MODULE_STATUS_NO_SUBSCRIBERS. Each
// matching subscription gets its own call of its delivery entry point on one of
// the bus's worker threads, never on the publisher's thread. Calls run
// concurrently, also for one subscription, in no guaranteed order. The pool
// starts a thread whenever a message waits and no worker is idle, up to
// kMaxDeliveryThreads, so that a handler that waits for an answer from another
// subscriber does not hold up the delivery of the request it waits for.
// Unsubscribing (entry 6) returns once no delivery to that subscription runs on
// another thread; a handler may unsubscribe itself.
//
// The property record is delivered byte for byte as published. The bus never
// reads or writes the 80 bus-data bytes and sets no flag bits of its own; the
// only bytes it changes are those of a request, below. A null record is
// delivered as null.
//
// Requests. A request (entry 3; entry 9 behaves the same) needs a record and a
// reply entry point. It is delivered like a published message, with a fresh
// non-zero replyToken in the record and MESSAGE_FLAG_REPLY cleared. A request
// that no subscription matches is refused with MODULE_STATUS_NO_SUBSCRIBERS
// and gets no reply call. Every accepted request gets exactly one call of its
// reply entry point, on a reply thread: reply threads are apart from the
// delivery threads and start on demand in the same way, up to
// kMaxReplyThreads, so that handlers holding every delivery thread hold up
// neither answers nor time-outs. The call comes:
// - with the answer: (context, replyIndex, the answer's record, name, sender,
//   payload, status 0);
// - or, when no answer came within the request's time-out (milliseconds,
//   capped at kMaxRequestTimeoutMilliseconds): (context, replyIndex, null
//   record, empty name, sender and payload, MODULE_STATUS_TIMEOUT).
// The time-out of a request ends with the request: once it is answered or
// dropped, nothing of it stays queued. Releasing the reply entry point for a
// handle (entry 7) drops that handle's pending requests that use it and
// returns once no call of it for that handle runs on another thread: it is not
// called for them afterwards.
//
// Answering. A subscriber answers a request by publishing a message whose
// record is the request's record as delivered, with MESSAGE_FLAG_REPLY set and
// the replyToken kept (AnswerProperties). The bus passes the answer to the
// request's reply entry point and does not deliver it to subscriptions. Only
// the first answer counts: another answer for the same token, or one after the
// time-out, is refused with MODULE_STATUS_NOT_FOUND. A plain copy that the
// answering client publishes next (MESSAGE_FLAG_REPLY clear) is an ordinary
// message.

#include "messagebus/MessageProperties.h"

#include <cstddef>
#include <cstdint>

namespace DevBus
{

inline constexpr std::size_t kMaxDeliveryThreads = 64;
inline constexpr std::size_t kMaxReplyThreads = 64;
inline constexpr std::uint64_t kMaxRequestTimeoutMilliseconds = 0x7FFFFFFF;

// The record of an answer to a request delivered with the given record.
inline MessageProperties AnswerProperties(const MessageProperties& request)
{
    MessageProperties answer = request;
    answer.flags |= Ostrel::MESSAGE_FLAG_REPLY;
    return answer;
}

} // namespace DevBus
