#include "errors.h"

#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <algorithm>
#include <iterator>

namespace gpbridge {
namespace {

struct ErrorRow {
    int gp;
    EdsError eds;
};

constexpr ErrorRow kErrors[] = {
    {GP_OK, EDS_ERR_OK},
    {GP_ERROR, EDS_ERR_DEVICE_ERROR},
    {GP_ERROR_BAD_PARAMETERS, EDS_ERR_INVALID_PARAMETER},
    {GP_ERROR_NO_MEMORY, EDS_ERR_MEM_ALLOC_FAILED},
    {GP_ERROR_NOT_SUPPORTED, EDS_ERR_NOT_SUPPORTED},
    {GP_ERROR_IO, EDS_ERR_COMM_DISCONNECTED},
    {GP_ERROR_TIMEOUT, EDS_ERR_DEVICE_ERROR},
    {GP_ERROR_IO_READ, EDS_ERR_COMM_USB_BUS_ERR},
    {GP_ERROR_IO_WRITE, EDS_ERR_COMM_USB_BUS_ERR},
    {GP_ERROR_IO_USB_FIND, EDS_ERR_COMM_DISCONNECTED},
    {GP_ERROR_IO_USB_CLAIM, EDS_ERR_DEVICE_BUSY},
    {GP_ERROR_MODEL_NOT_FOUND, EDS_ERR_DEVICE_NOT_FOUND},
    {GP_ERROR_DIRECTORY_NOT_FOUND, EDS_ERR_FILE_NOT_FOUND},
    {GP_ERROR_FILE_NOT_FOUND, EDS_ERR_FILE_NOT_FOUND},
    {GP_ERROR_CAMERA_BUSY, EDS_ERR_DEVICE_BUSY},
    {GP_ERROR_CANCEL, EDS_ERR_OPERATION_CANCELLED},
    {GP_ERROR_CAMERA_ERROR, EDS_ERR_DEVICE_ERROR},
    {GP_ERROR_NO_SPACE, EDS_ERR_DEVICE_MEMORY_FULL},
};

} // namespace

EdsError edsError(int gpResult)
{
    if (gpResult > 0)
        return EDS_ERR_OK; // some calls return a count
    const auto it = std::ranges::find(kErrors, gpResult, &ErrorRow::gp);
    return it == std::end(kErrors) ? EDS_ERR_DEVICE_ERROR : it->eds;
}

bool isDisconnect(EdsError error)
{
    return error == EDS_ERR_COMM_DISCONNECTED;
}

std::string claimedCameraMessage(const std::string& model, const std::string& port)
{
    return "Die Kamera " + model + " (" + port
           + ") ist von einem anderen Programm belegt, meist vom Laufwerksdienst des Desktops "
             "(gvfs). Freigeben mit:\n"
             "  gio mount -s gphoto2\n"
             "  systemctl --user stop gvfs-gphoto2-volume-monitor.service\n"
             "dann erneut verbinden.";
}

} // namespace gpbridge
