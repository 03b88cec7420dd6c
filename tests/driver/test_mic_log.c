#include "test_mic_log.h"

#define LOG_TAG 0x674C744Bu /* "KtLg" */
#define INITIAL_CAPACITY (1024u * 1024u)
/* A test streams about 1 MB of audio per 10 s; this is far beyond any test. */
#define MAX_CAPACITY (256u * 1024u * 1024u)

static UCHAR* logBytes;
static ULONG logSize;
static ULONG logCapacity;

NTSTATUS testMicLogInit(void) {
    logBytes = ExAllocatePoolWithTag(NonPagedPool, INITIAL_CAPACITY, LOG_TAG);
    if (logBytes == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    logCapacity = INITIAL_CAPACITY;
    logSize = 0;
    return STATUS_SUCCESS;
}

void testMicLogFree(void) {
    if (logBytes != NULL) {
        ExFreePoolWithTag(logBytes, LOG_TAG);
    }
    logBytes = NULL;
    logSize = 0;
    logCapacity = 0;
}

void testMicLogClear(void) {
    logSize = 0;
}

static BOOLEAN reserve(ULONG extra) {
    ULONG capacity = logCapacity;
    UCHAR* bigger;
    if (extra <= logCapacity - logSize) {
        return TRUE;
    }
    if (extra > MAX_CAPACITY - logSize) {
        return FALSE;
    }
    while (capacity - logSize < extra) {
        capacity *= 2;
    }
    bigger = ExAllocatePoolWithTag(NonPagedPool, capacity, LOG_TAG);
    if (bigger == NULL) {
        return FALSE;
    }
    RtlCopyMemory(bigger, logBytes, logSize);
    ExFreePoolWithTag(logBytes, LOG_TAG);
    logBytes = bigger;
    logCapacity = capacity;
    return TRUE;
}

ULONG testMicLogAppend(const TestMicEvent* event, const void* data, ULONG dataLength) {
    TestMicEvent copy = *event;
    ULONG offset;
    if (data == NULL) {
        dataLength = 0;
    }
    copy.dataLength = dataLength;
    if (logBytes == NULL || dataLength > MAX_CAPACITY ||
        !reserve((ULONG)sizeof copy + dataLength)) {
        copy.dataLength = 0;
        copy.flags |= TEST_MIC_TRUNCATED;
        if (logBytes == NULL || !reserve(sizeof copy)) {
            return (ULONG)-1;
        }
    }
    offset = logSize;
    RtlCopyMemory(logBytes + logSize, &copy, sizeof copy);
    logSize += sizeof copy;
    if (copy.dataLength > 0) {
        RtlCopyMemory(logBytes + logSize, data, copy.dataLength);
        logSize += copy.dataLength;
    }
    return offset;
}

void testMicLogUpdate(ULONG offset, const TestMicEvent* event) {
    TestMicEvent* stored;
    if (offset == (ULONG)-1 || logSize < sizeof *stored || offset > logSize - sizeof *stored) {
        return;
    }
    stored = (TestMicEvent*)(logBytes + offset);
    stored->status = event->status;
    stored->information = event->information;
    stored->flags = event->flags | (stored->flags & TEST_MIC_TRUNCATED);
    RtlCopyMemory(stored->value, event->value, sizeof stored->value);
}

ULONG testMicLogRead(ULONG offset, void* out, ULONG capacity) {
    ULONG count;
    if (logBytes == NULL || offset >= logSize) {
        return 0;
    }
    count = logSize - offset;
    if (count > capacity) {
        count = capacity;
    }
    RtlCopyMemory(out, logBytes + offset, count);
    return count;
}
