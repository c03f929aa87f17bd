#include "screenrelay/CriticalSection.h"

namespace Ostrel
{

CriticalSection::CriticalSection(DWORD spinCount)
{
    // Cannot fail on any supported Windows version.
    InitializeCriticalSectionAndSpinCount(&section_, spinCount);
}

CriticalSection::~CriticalSection()
{
    DeleteCriticalSection(&section_);
}

} // namespace Ostrel
