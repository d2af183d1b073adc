/* Camera SDK: the C interface through which the program drives one camera body.
 *
 * Every call returns an EdsError, EDS_ERR_OK (0) on success. Handlers may be called
 * on a thread of the SDK; they must return quickly and may call back into the SDK.
 * Plain C, usable from C++.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(EDSDK_BUILD)
#define EDSAPI __attribute__((visibility("default")))
#else
#define EDSAPI
#endif

/* ---- Basic types ---------------------------------------------------------------- */

typedef void EdsVoid;
typedef char EdsChar;
typedef int32_t EdsBool;
typedef int32_t EdsInt32;
typedef uint32_t EdsUInt32;
typedef int64_t EdsInt64;
typedef uint64_t EdsUInt64;

typedef EdsUInt32 EdsError;
typedef EdsUInt32 EdsPropertyID;
typedef EdsUInt32 EdsCameraCommand;
typedef EdsUInt32 EdsCameraStatusCommand;
typedef EdsUInt32 EdsPropertyEvent;
typedef EdsUInt32 EdsObjectEvent;

#define EDS_MAX_NAME 256
#define EDS_MAX_DESC_VALUES 128

/* Opaque references. Each is counted: EdsRetain adds one, EdsRelease drops one and
 * frees the object at zero; both return the new count, 0xFFFFFFFF for a bad reference. */
typedef struct EdsObject* EdsBaseRef;
typedef EdsBaseRef EdsCameraListRef;
typedef EdsBaseRef EdsCameraRef;
typedef EdsBaseRef EdsDirectoryItemRef;
typedef EdsBaseRef EdsStreamRef;

/* ---- Error codes ---------------------------------------------------------------- */

#define EDS_ERR_OK 0x00000000u
#define EDS_ERR_UNIMPLEMENTED 0x00000001u
#define EDS_ERR_INTERNAL_ERROR 0x00000002u
#define EDS_ERR_MEM_ALLOC_FAILED 0x00000003u
#define EDS_ERR_OPERATION_CANCELLED 0x00000005u
#define EDS_ERR_NOT_SUPPORTED 0x00000007u

#define EDS_ERR_FILE_IO_ERROR 0x00000020u
#define EDS_ERR_FILE_NOT_FOUND 0x00000022u
#define EDS_ERR_FILE_OPEN_ERROR 0x00000023u
#define EDS_ERR_FILE_WRITE_ERROR 0x00000028u
#define EDS_ERR_FILE_ALREADY_EXISTS 0x0000002Bu

#define EDS_ERR_PROPERTIES_UNAVAILABLE 0x00000050u
#define EDS_ERR_PROPERTIES_MISMATCH 0x00000051u

#define EDS_ERR_INVALID_PARAMETER 0x00000060u
#define EDS_ERR_INVALID_HANDLE 0x00000061u
#define EDS_ERR_INVALID_POINTER 0x00000062u
#define EDS_ERR_INVALID_INDEX 0x00000063u
#define EDS_ERR_INVALID_LENGTH 0x00000064u

#define EDS_ERR_DEVICE_NOT_FOUND 0x00000080u
#define EDS_ERR_DEVICE_BUSY 0x00000081u
#define EDS_ERR_DEVICE_ERROR 0x00000082u
#define EDS_ERR_DEVICE_MEMORY_FULL 0x00000084u
#define EDS_ERR_DEVICE_INVALID_PARAMETER 0x00000086u

#define EDS_ERR_STREAM_IO_ERROR 0x000000A0u
#define EDS_ERR_STREAM_WRITE_ERROR 0x000000A8u

#define EDS_ERR_COMM_DISCONNECTED 0x000000C1u
#define EDS_ERR_COMM_USB_BUS_ERR 0x000000C4u

#define EDS_ERR_INVALID_FN_CALL 0x000000F1u

#define EDS_ERR_SESSION_NOT_OPEN 0x00002003u

/* ---- Properties ----------------------------------------------------------------- */

#define kEdsPropID_ProductName 0x00000002u
#define kEdsPropID_OwnerName 0x00000004u
#define kEdsPropID_FirmwareVersion 0x00000007u
#define kEdsPropID_BatteryLevel 0x00000008u
#define kEdsPropID_CFn 0x00000009u
#define kEdsPropID_SaveTo 0x0000000Bu
#define kEdsPropID_ShutterCounter 0x00000022u
#define kEdsPropID_ImageQuality 0x00000100u
#define kEdsPropID_WhiteBalance 0x00000106u
#define kEdsPropID_AEMode 0x00000400u
#define kEdsPropID_DriveMode 0x00000401u
#define kEdsPropID_ISOSpeed 0x00000402u
#define kEdsPropID_MeteringMode 0x00000403u
#define kEdsPropID_AFMode 0x00000404u
#define kEdsPropID_Av 0x00000405u
#define kEdsPropID_Tv 0x00000406u
#define kEdsPropID_ExposureCompensation 0x00000407u
#define kEdsPropID_FlashCompensation 0x00000408u
#define kEdsPropID_FocalLength 0x00000409u

/* Values of kEdsPropID_SaveTo */
#define kEdsSaveTo_Camera 1u
#define kEdsSaveTo_Host 2u
#define kEdsSaveTo_Both 3u

/* The one Tv code that is not a time */
#define kEdsTv_Bulb 0x0000000Cu

typedef enum {
    kEdsDataType_Unknown = 0,
    kEdsDataType_Bool = 1,
    kEdsDataType_String = 2,
    kEdsDataType_Int8 = 3,
    kEdsDataType_Int16 = 4,
    kEdsDataType_UInt8 = 6,
    kEdsDataType_UInt16 = 7,
    kEdsDataType_Int32 = 8,
    kEdsDataType_UInt32 = 9,
    kEdsDataType_Int64 = 10,
    kEdsDataType_UInt64 = 11
} EdsDataType;

typedef enum {
    kEdsAccess_Read = 0,
    kEdsAccess_Write = 1,
    kEdsAccess_ReadWrite = 2,
    kEdsAccess_Error = -1
} EdsAccess;

/* Allowed values of one property: numElements of propDesc are valid. */
typedef struct {
    EdsInt32 form;
    EdsInt32 access;
    EdsInt32 numElements;
    EdsInt32 propDesc[EDS_MAX_DESC_VALUES];
} EdsPropertyDesc;

/* ---- Events ----------------------------------------------------------------------- */

#define kEdsPropertyEvent_All 0x00000100u
#define kEdsPropertyEvent_PropertyChanged 0x00000101u
#define kEdsPropertyEvent_PropertyDescChanged 0x00000102u

#define kEdsObjectEvent_All 0x00000200u
#define kEdsObjectEvent_DirItemRequestTransfer 0x00000208u

typedef EdsError (*EdsPropertyEventHandler)(EdsPropertyEvent inEvent, EdsPropertyID inPropertyID,
                                            EdsUInt32 inParam, EdsVoid* inContext);
/* The item handed to an object handler is the receiver's to release. */
typedef EdsError (*EdsObjectEventHandler)(EdsObjectEvent inEvent, EdsBaseRef inRef,
                                          EdsVoid* inContext);
typedef EdsError (*EdsProgressCallback)(EdsUInt32 inPercent, EdsVoid* inContext, EdsBool* outCancel);

/* ---- Commands ----------------------------------------------------------------------- */

#define kEdsCameraCommand_TakePicture 0x00000000u

#define kEdsCameraStatusCommand_UILock 0x00000000u
#define kEdsCameraStatusCommand_UIUnLock 0x00000001u

/* ---- Device, capacity, items, streams ----------------------------------------------- */

typedef struct {
    EdsChar szPortName[EDS_MAX_NAME];
    EdsChar szDeviceDescription[EDS_MAX_NAME]; /* the model name */
    EdsUInt32 deviceSubType;                   /* 0: legacy body */
    EdsUInt32 reserved;
} EdsDeviceInfo;

/* Free space the host offers to the body when pictures are saved to the host. */
typedef struct {
    EdsInt32 numberOfFreeClusters;
    EdsInt32 bytesPerSector;
    EdsBool reset;
} EdsCapacity;

#define kEdsObjectFormat_Jpeg 0x00003801u
#define kEdsObjectFormat_CR2 0x0000B103u

typedef struct {
    EdsUInt64 size;
    EdsBool isFolder;
    EdsUInt32 groupID;
    EdsUInt32 option;
    EdsChar szFileName[EDS_MAX_NAME];
    EdsUInt32 format;
    EdsUInt32 dateTime; /* seconds since 1970, local time of the body */
} EdsDirectoryItemInfo;

typedef enum {
    kEdsFileCreateDisposition_CreateNew = 0,
    kEdsFileCreateDisposition_CreateAlways = 1,
    kEdsFileCreateDisposition_OpenExisting = 2,
    kEdsFileCreateDisposition_OpenAlways = 3,
    kEdsFileCreateDisposition_TruncateExisting = 4
} EdsFileCreateDisposition;

typedef enum {
    kEdsProgressOption_NoReport = 0,
    kEdsProgressOption_Done = 1,
    kEdsProgressOption_Periodically = 2
} EdsProgressOption;

/* ---- Calls, in the order of a session ------------------------------------------------ */

EDSAPI EdsError EdsInitializeSDK(void);
EDSAPI EdsError EdsTerminateSDK(void);

EDSAPI EdsUInt32 EdsRetain(EdsBaseRef inRef);
EDSAPI EdsUInt32 EdsRelease(EdsBaseRef inRef);

EDSAPI EdsError EdsGetCameraList(EdsCameraListRef* outCameraListRef);
EDSAPI EdsError EdsGetChildCount(EdsBaseRef inRef, EdsUInt32* outCount);
EDSAPI EdsError EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef* outRef);
EDSAPI EdsError EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo* outDeviceInfo);

EDSAPI EdsError EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent inEvent,
                                           EdsPropertyEventHandler inHandler, EdsVoid* inContext);
EDSAPI EdsError EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent inEvent,
                                         EdsObjectEventHandler inHandler, EdsVoid* inContext);

EDSAPI EdsError EdsOpenSession(EdsCameraRef inCameraRef);
EDSAPI EdsError EdsCloseSession(EdsCameraRef inCameraRef);

EDSAPI EdsError EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsDataType* outDataType, EdsUInt32* outSize);
EDSAPI EdsError EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, EdsVoid* outPropertyData);
EDSAPI EdsError EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 inParam,
                                   EdsUInt32 inPropertySize, const EdsVoid* inPropertyData);
EDSAPI EdsError EdsGetPropertyDesc(EdsBaseRef inRef, EdsPropertyID inPropertyID,
                                   EdsPropertyDesc* outPropertyDesc);

EDSAPI EdsError EdsSendCommand(EdsCameraRef inCameraRef, EdsCameraCommand inCommand, EdsInt32 inParam);
EDSAPI EdsError EdsSendStatusCommand(EdsCameraRef inCameraRef, EdsCameraStatusCommand inStatusCommand,
                                     EdsInt32 inParam);
EDSAPI EdsError EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity);

EDSAPI EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef inDirItemRef,
                                        EdsDirectoryItemInfo* outDirItemInfo);
EDSAPI EdsError EdsCreateFileStream(const EdsChar* inFileName, EdsFileCreateDisposition inCreateDisposition,
                                    EdsAccess inDesiredAccess, EdsStreamRef* outStream);
EDSAPI EdsError EdsSetProgressCallback(EdsBaseRef inRef, EdsProgressCallback inProgressFunc,
                                       EdsProgressOption inProgressOption, EdsVoid* inContext);
/* Blocking: writes inReadSize bytes of the item into the stream, reporting progress
 * on the calling thread. */
EDSAPI EdsError EdsDownload(EdsDirectoryItemRef inDirItemRef, EdsUInt64 inReadSize, EdsStreamRef outStream);
EDSAPI EdsError EdsDownloadComplete(EdsDirectoryItemRef inDirItemRef);

#ifdef __cplusplus
}
#endif
