/* A test fixture, never shipped: a kernel driver behind "\\.\Kavri" that
 * answers the microphone's control codes as a driver of interface version 1,
 * 2 or 3 would (the version and the handshake key come from its service's
 * Parameters key at every open), and records every request it sees, so that
 * tests under Wine can check what the client's real Win32 calls deliver. */
#include <ntddk.h>

#include "test_mic_handle.h"
#include "test_mic_log.h"
#include "test_mic_record.h"

static PDEVICE_OBJECT micDevice;
static PDEVICE_OBJECT recordDevice;
static KMUTEX driverLock;
static UNICODE_STRING parametersPath;
static ULONG handleCount;

DRIVER_INITIALIZE DriverEntry;

static void lockDriver(void) {
    KeWaitForSingleObject(&driverLock, Executive, KernelMode, FALSE, NULL);
}

static void unlockDriver(void) {
    KeReleaseMutex(&driverLock, FALSE);
}

static NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static ULONG readParameter(PCWSTR name, ULONG fallback) {
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING valueName;
    HANDLE key;
    ULONG length = 0;
    ULONG value = fallback;
    NTSTATUS status;
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8];
    } buffer;

    InitializeObjectAttributes(&attributes, &parametersPath,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) {
        return fallback;
    }
    RtlInitUnicodeString(&valueName, name);
    status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &buffer, sizeof buffer,
                             &length);
    ZwClose(key);
    if (NT_SUCCESS(status) && buffer.info.Type == REG_DWORD && buffer.info.DataLength == 4) {
        RtlCopyMemory(&value, buffer.info.Data, sizeof value);
    }
    return value;
}

static NTSTATUS onCreate(PIRP irp, PIO_STACK_LOCATION stack) {
    TestMicEvent event = {0};
    HandleState* state = ExAllocatePoolWithTag(NonPagedPool, sizeof *state, STATE_TAG);
    if (state == NULL) {
        return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    RtlZeroMemory(state, sizeof *state);
    state->version = (UCHAR)readParameter(TEST_MIC_VALUE_VERSION, DEFAULT_VERSION);
    state->key = (UCHAR)readParameter(TEST_MIC_VALUE_KEY, DEFAULT_KEY);
    stack->FileObject->FsContext = state;

    event.kind = TEST_MIC_CREATE;
    event.flags = TEST_MIC_ACCEPTED;
    if (stack->Parameters.Create.SecurityContext != NULL) {
        event.value[0] = stack->Parameters.Create.SecurityContext->DesiredAccess;
    }
    event.value[1] = stack->Parameters.Create.ShareAccess;
    event.value[2] = stack->Parameters.Create.Options;
    event.value[3] = state->key;
    lockDriver();
    state->id = ++handleCount;
    event.handle = state->id;
    testMicLogAppend(&event, NULL, 0);
    unlockDriver();
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS onControl(PIRP irp, PIO_STACK_LOCATION stack) {
    HandleState* state = stack->FileObject->FsContext;
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    TestMicEvent event = {0};
    ULONG offset;
    NTSTATUS status;

    event.kind = TEST_MIC_CONTROL;
    event.handle = state->id;
    event.code = stack->Parameters.DeviceIoControl.IoControlCode;
    event.inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    event.outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    event.value[1] = state->version;
    if (irp->MdlAddress != NULL) {
        event.flags |= TEST_MIC_HAS_MDL;
    }
    lockDriver();
    /* The input first: a buffered request's answer overwrites it. */
    offset = testMicLogAppend(&event, buffer, buffer != NULL ? event.inputLength : 0);
    status = testMicControl(state, event.code, buffer, buffer != NULL ? event.inputLength : 0,
                            buffer != NULL ? event.outputLength : 0, &event);
    if (state->authentic) {
        event.flags |= TEST_MIC_AUTHENTIC;
    }
    event.status = (ULONG)status;
    testMicLogUpdate(offset, &event);
    unlockDriver();
    return complete(irp, status, event.information);
}

static NTSTATUS onWrite(PIRP irp, PIO_STACK_LOCATION stack) {
    HandleState* state = stack->FileObject->FsContext;
    const void* data = irp->AssociatedIrp.SystemBuffer;
    TestMicEvent event = {0};
    NTSTATUS status;

    event.kind = TEST_MIC_WRITE;
    event.handle = state->id;
    event.inputLength = stack->Parameters.Write.Length;
    event.value[1] = state->version;
    if (irp->MdlAddress != NULL) {
        event.flags |= TEST_MIC_HAS_MDL;
        data = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    }
    lockDriver();
    status = testMicWrite(state, event.inputLength, &event);
    if (state->authentic) {
        event.flags |= TEST_MIC_AUTHENTIC;
    }
    event.status = (ULONG)status;
    testMicLogAppend(&event, data, data != NULL ? event.inputLength : 0);
    unlockDriver();
    return complete(irp, status, event.information);
}

static NTSTATUS onEnd(PIRP irp, PIO_STACK_LOCATION stack, ULONG kind) {
    HandleState* state = stack->FileObject->FsContext;
    TestMicEvent event = {0};
    event.kind = kind;
    event.handle = state != NULL ? state->id : 0;
    event.flags = TEST_MIC_ACCEPTED;
    lockDriver();
    testMicLogAppend(&event, NULL, 0);
    unlockDriver();
    if (kind == TEST_MIC_CLOSE && state != NULL) {
        stack->FileObject->FsContext = NULL;
        ExFreePoolWithTag(state, STATE_TAG);
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS onRecordRequest(PIRP irp, PIO_STACK_LOCATION stack) {
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG offset = 0;
    ULONG copied;
    if (stack->MajorFunction != IRP_MJ_DEVICE_CONTROL) {
        return complete(irp, STATUS_SUCCESS, 0);
    }
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
        case TEST_MIC_IOCTL_READ_RECORD:
            if (buffer == NULL || stack->Parameters.DeviceIoControl.InputBufferLength != 4) {
                return complete(irp, STATUS_INVALID_PARAMETER, 0);
            }
            RtlCopyMemory(&offset, buffer, sizeof offset);
            lockDriver();
            copied = testMicLogRead(offset, buffer,
                                    stack->Parameters.DeviceIoControl.OutputBufferLength);
            unlockDriver();
            return complete(irp, STATUS_SUCCESS, copied);
        case TEST_MIC_IOCTL_CLEAR_RECORD:
            lockDriver();
            testMicLogClear();
            unlockDriver();
            return complete(irp, STATUS_SUCCESS, 0);
        default:
            return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static NTSTATUS dispatch(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (device == recordDevice) {
        return onRecordRequest(irp, stack);
    }
    switch (stack->MajorFunction) {
        case IRP_MJ_CREATE:
            return onCreate(irp, stack);
        case IRP_MJ_DEVICE_CONTROL:
            return onControl(irp, stack);
        case IRP_MJ_WRITE:
            return onWrite(irp, stack);
        case IRP_MJ_CLEANUP:
            return onEnd(irp, stack, TEST_MIC_CLEANUP);
        case IRP_MJ_CLOSE:
            return onEnd(irp, stack, TEST_MIC_CLOSE);
        default:
            return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static void removeDevice(PDEVICE_OBJECT* device, PCWSTR link) {
    UNICODE_STRING name;
    if (*device == NULL) {
        return;
    }
    RtlInitUnicodeString(&name, link);
    IoDeleteSymbolicLink(&name);
    IoDeleteDevice(*device);
    *device = NULL;
}

static void unload(PDRIVER_OBJECT driver) {
    (void)driver;
    removeDevice(&micDevice, L"\\DosDevices\\Kavri");
    removeDevice(&recordDevice, L"\\DosDevices\\KavriTestRecord");
    testMicLogFree();
    if (parametersPath.Buffer != NULL) {
        ExFreePoolWithTag(parametersPath.Buffer, STATE_TAG);
        parametersPath.Buffer = NULL;
    }
}

static NTSTATUS addDevice(PDRIVER_OBJECT driver, PCWSTR deviceName, PCWSTR link,
                          PDEVICE_OBJECT* device) {
    UNICODE_STRING name;
    UNICODE_STRING linkName;
    NTSTATUS status;
    RtlInitUnicodeString(&name, deviceName);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, device);
    if (!NT_SUCCESS(status)) {
        *device = NULL;
        return status;
    }
    (*device)->Flags |= DO_BUFFERED_IO;
    RtlInitUnicodeString(&linkName, link);
    status = IoCreateSymbolicLink(&linkName, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
    }
    return status;
}

static NTSTATUS copyParametersPath(PUNICODE_STRING registryPath) {
    static const WCHAR suffix[] = L"\\Parameters";
    USHORT size = (USHORT)(registryPath->Length + sizeof suffix);
    parametersPath.Buffer = ExAllocatePoolWithTag(NonPagedPool, size, STATE_TAG);
    if (parametersPath.Buffer == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    parametersPath.Length = 0;
    parametersPath.MaximumLength = size;
    RtlCopyUnicodeString(&parametersPath, registryPath);
    RtlAppendUnicodeToString(&parametersPath, suffix);
    return STATUS_SUCCESS;
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status;
    KeInitializeMutex(&driverLock, 0);
    driver->DriverUnload = unload;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatch;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch;
    driver->MajorFunction[IRP_MJ_CLEANUP] = dispatch;
    driver->MajorFunction[IRP_MJ_WRITE] = dispatch;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch;

    status = copyParametersPath(registryPath);
    if (NT_SUCCESS(status)) {
        status = testMicLogInit();
    }
    if (NT_SUCCESS(status)) {
        status = addDevice(driver, L"\\Device\\Kavri", L"\\DosDevices\\Kavri", &micDevice);
    }
    if (NT_SUCCESS(status)) {
        status = addDevice(driver, L"\\Device\\KavriTestRecord", L"\\DosDevices\\KavriTestRecord",
                           &recordDevice);
    }
    if (!NT_SUCCESS(status)) {
        unload(driver);
    }
    return status;
}
