/* QELC15BA.SYS: offers the device "QelC15BA" while it is loaded and removes
   it again when it unloads. NT 4 has no "Global" directory; on 2000 and later
   a link made while the driver starts lands in the global namespace, so the
   plain name opens as "\\.\QelC15BA" and "\\.\Global\QelC15BA" alike. */
#include <ntddk.h>

static UNICODE_STRING deviceName = RTL_CONSTANT_STRING(L"\\Device\\QelC15BA");
static UNICODE_STRING linkName = RTL_CONSTANT_STRING(L"\\DosDevices\\QelC15BA");

static NTSTATUS NTAPI CompleteOpenClose(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  irp->IoStatus.Status = STATUS_SUCCESS;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  IoDeleteSymbolicLink(&linkName);
  if (driver->DeviceObject != NULL) IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  PDEVICE_OBJECT device = NULL;
  NTSTATUS status;
  (void)registryPath;
  status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  status = IoCreateSymbolicLink(&linkName, &deviceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = CompleteOpenClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = CompleteOpenClose;
  driver->DriverUnload = Unload;
  return STATUS_SUCCESS;
}
