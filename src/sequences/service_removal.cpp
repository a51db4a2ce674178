#include <windows.h>

#include "product/product.h"
#include "sequences/sequences.h"

int StopAndDeleteService(void)
{
    SC_HANDLE manager;
    SC_HANDLE service;
    SERVICE_STATUS status;

    manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL)
        return 1;

    service = OpenServiceA(manager, ServiceName, SERVICE_STOP | DELETE);
    if (service != NULL) {
        // No wait for the stopped state: the manager deletes the service once it
        // has stopped and its last handle is closed.
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        DeleteService(service);
        CloseServiceHandle(service);
    }

    CloseServiceHandle(manager);
    return 1;
}
