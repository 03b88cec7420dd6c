/* The test driver's record: a growing byte buffer of TestMicEvent entries,
 * each followed by its data bytes. Callers hold the driver's lock. */
#pragma once

#include <ntddk.h>

#include "test_mic_record.h"

NTSTATUS testMicLogInit(void);
void testMicLogFree(void);
void testMicLogClear(void);
/* Appends the event and its data; the data is left out (and the event marked
 * truncated) when the record cannot grow. Returns the event's offset, which
 * testMicLogUpdate needs, or (ULONG)-1 when not even the event fitted. */
ULONG testMicLogAppend(const TestMicEvent* event, const void* data, ULONG dataLength);
/* Rewrites the event at offset with the outcome of its request. */
void testMicLogUpdate(ULONG offset, const TestMicEvent* event);
/* Copies record bytes from offset into out; the number copied. */
ULONG testMicLogRead(ULONG offset, void* out, ULONG capacity);
