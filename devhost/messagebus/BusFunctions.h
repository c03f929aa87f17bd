#pragma once

#include "messagebus/MessageBusFunctions.h"

namespace DevBus
{

// The ten-entry function table that "CreateObject" hands out: static, shared
// by every caller. Every entry validates its handle and lets no exception
// escape (MODULE_STATUS_UNKNOWN_EXCEPTION, or subscription id 0).
const Ostrel::MessageBusFunctions& BusFunctionTable();

} // namespace DevBus
