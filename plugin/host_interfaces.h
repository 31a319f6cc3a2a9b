// The boundary the Movra host was built against: three abstract interfaces,
// called by their place in the table of virtual operations, and the
// fixed-layout records that cross it. Slot order, argument counts and widths,
// and every record offset are part of the host's binary contract.
//
// Every operation is an ordinary virtual member function without a
// calling-convention keyword, so on 32-bit Windows it is thiscall: the object
// in ECX, the stack arguments removed by the callee. Not COM's stdcall.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#include "common/result_codes.h"
#include "firmware/ArdunFrame/src/ArdunFrame.h"

struct MVPluginInfo {
    uint32_t hostReserved;  // the host's; never touched
    int32_t infoKind;       // the module writes 3
    GUID pluginId;
    char name[50];
    char description[512];
    char version[15];
    char author[100];
    uint8_t alignment[3];   // not written
    int32_t trailer1;       // 1
    int32_t trailer2;       // 1
    int16_t trailer3;       // 1
    int16_t trailer4;       // 0
};

struct MVComponentInfo {
    uint32_t hostReserved;
    GUID componentId;
    char name[50];
    char description[512];
    char version[15];
    uint8_t alignment[3];
    int32_t trailer1;  // 1
    int16_t trailer2;  // 1
    int16_t trailer3;  // 0
};

struct MVHardwareInfo {
    uint32_t hostReserved;
    char name[50];
    uint8_t terminatorByte;  // the module writes 0
};

struct MVConfigRequest {
    uint32_t hostReserved;
    HWND ownerWindow;  // owns the modal configuration dialog
};

struct MVOpenParams {
    int32_t kind;       // the component accepts 16 alone
    uint32_t baudRate;  // bits per second
};

struct MVIORequest {
    uint32_t hostReserved;
    uint8_t* buffer;
    uint32_t length;          // Write: bytes in buffer; Read: payload bytes wanted
    uint32_t* handledCount;   // may be null: then nothing is reported
};

// Milliseconds (per byte for the multipliers), in COMMTIMEOUTS order.
struct MVTimeouts {
    uint32_t hostReserved;
    uint32_t readIntervalTimeout;
    uint32_t readTotalTimeoutMultiplier;
    uint32_t readTotalTimeoutConstant;
    uint32_t writeTotalTimeoutMultiplier;
    uint32_t writeTotalTimeoutConstant;
};

static_assert(offsetof(MVPluginInfo, infoKind) == 4, "host layout");
static_assert(offsetof(MVPluginInfo, pluginId) == 8, "host layout");
static_assert(offsetof(MVPluginInfo, name) == 24, "host layout");
static_assert(offsetof(MVPluginInfo, description) == 74, "host layout");
static_assert(offsetof(MVPluginInfo, version) == 586, "host layout");
static_assert(offsetof(MVPluginInfo, author) == 601, "host layout");
static_assert(offsetof(MVPluginInfo, alignment) == 701, "host layout");
static_assert(offsetof(MVPluginInfo, trailer1) == 704, "host layout");
static_assert(offsetof(MVPluginInfo, trailer2) == 708, "host layout");
static_assert(offsetof(MVPluginInfo, trailer3) == 712, "host layout");
static_assert(offsetof(MVPluginInfo, trailer4) == 714, "host layout");
static_assert(sizeof(MVPluginInfo) == 716, "host layout");

static_assert(offsetof(MVComponentInfo, componentId) == 4, "host layout");
static_assert(offsetof(MVComponentInfo, name) == 20, "host layout");
static_assert(offsetof(MVComponentInfo, description) == 70, "host layout");
static_assert(offsetof(MVComponentInfo, version) == 582, "host layout");
static_assert(offsetof(MVComponentInfo, alignment) == 597, "host layout");
static_assert(offsetof(MVComponentInfo, trailer1) == 600, "host layout");
static_assert(offsetof(MVComponentInfo, trailer2) == 604, "host layout");
static_assert(offsetof(MVComponentInfo, trailer3) == 606, "host layout");
static_assert(sizeof(MVComponentInfo) == 608, "host layout");

static_assert(offsetof(MVHardwareInfo, name) == 4, "host layout");
static_assert(offsetof(MVHardwareInfo, terminatorByte) == 54, "host layout");

static_assert(offsetof(MVOpenParams, baudRate) == 4, "host layout");
static_assert(sizeof(MVOpenParams) == 8, "host layout");

// The two records that hold pointers have the host's 32-bit layout only in the
// 32-bit module; the 64-bit test build keeps their field order with 8-byte
// pointers.
#if !defined(_WIN64)
static_assert(offsetof(MVConfigRequest, ownerWindow) == 4, "host layout");
static_assert(sizeof(MVConfigRequest) == 8, "host layout");

static_assert(offsetof(MVIORequest, buffer) == 4, "host layout");
static_assert(offsetof(MVIORequest, length) == 8, "host layout");
static_assert(offsetof(MVIORequest, handledCount) == 12, "host layout");
static_assert(sizeof(MVIORequest) == 16, "host layout");
#else
static_assert(offsetof(MVConfigRequest, ownerWindow) == 8, "64-bit test layout");
static_assert(offsetof(MVIORequest, buffer) == 8, "64-bit test layout");
static_assert(offsetof(MVIORequest, length) == 16, "64-bit test layout");
static_assert(offsetof(MVIORequest, handledCount) == 24, "64-bit test layout");
#endif

static_assert(offsetof(MVTimeouts, readIntervalTimeout) == 4, "host layout");
static_assert(offsetof(MVTimeouts, readTotalTimeoutMultiplier) == 8, "host layout");
static_assert(offsetof(MVTimeouts, readTotalTimeoutConstant) == 12, "host layout");
static_assert(offsetof(MVTimeouts, writeTotalTimeoutMultiplier) == 16, "host layout");
static_assert(offsetof(MVTimeouts, writeTotalTimeoutConstant) == 20, "host layout");
static_assert(sizeof(MVTimeouts) == 24, "host layout");

// ---------------------------------------------------------------------------
// Compiler-specific: slot 0. The host calls slot 0 as ONE entry, the scalar
// deleting destructor that the Microsoft compiler makes of a virtual
// destructor: a 32-bit flags argument in, the object pointer out. g++ gives a
// virtual destructor two slots (complete and deleting), which would move every
// later slot, so under g++ slot 0 is declared as that one entry instead. The
// module's objects are static and live until unload, so under g++ the slot
// hands back the object and leaves it alive whatever the flags say.
#if defined(_MSC_VER)
#define MV_DESTRUCTOR_SLOT(Class) \
public:                           \
    virtual ~Class() {}
#else
#define MV_DESTRUCTOR_SLOT(Class)                                  \
public:                                                            \
    virtual void* DestructorSlot(uint32_t flags)                   \
    {                                                              \
        (void)flags;                                               \
        return this;                                               \
    }                                                              \
                                                                   \
protected:                                                         \
    ~Class() {}                                                    \
                                                                   \
public:
#endif
// ---------------------------------------------------------------------------

class IMVPluginComponent;

class IMVPlugin {
    MV_DESTRUCTOR_SLOT(IMVPlugin)
    virtual int32_t GetPluginInfo(MVPluginInfo* info) = 0;                    // slot 1
    virtual int32_t ShowConfig(MVConfigRequest* request) = 0;                 // slot 2
    virtual IMVPluginComponent* GetComponent(uint32_t index) = 0;             // slot 3
    virtual void PluginReserved(uint32_t value) = 0;                          // slot 4
    virtual int32_t SetProperty(uint32_t id, uint32_t value, uint32_t further) = 0;  // slot 5
};

class IMVPluginComponent {
    MV_DESTRUCTOR_SLOT(IMVPluginComponent)
    virtual int32_t GetComponentType() = 0;                                   // slot 1
    virtual int32_t GetComponentInfo(MVComponentInfo* info) = 0;              // slot 2
    virtual int32_t ShowConfig(MVConfigRequest* request) = 0;                 // slot 3
    virtual int32_t ComponentReserved(uint32_t a, uint32_t b, uint32_t c) = 0;  // slot 4
    virtual const char* GetLastErrorText(int32_t* errorFlag) = 0;             // slot 5
};

class IMVDataAcqIO : public IMVPluginComponent {
public:
    virtual ResultCode GetHardwareInfo(MVHardwareInfo* info) = 0;  // slot 6
    virtual ResultCode Open(MVOpenParams* params) = 0;             // slot 7
    virtual ResultCode Close() = 0;                                // slot 8
    virtual ResultCode Write(MVIORequest* request) = 0;            // slot 9
    virtual ResultCode Read(MVIORequest* request) = 0;             // slot 10
    virtual ResultCode SetTimeouts(MVTimeouts* timeouts) = 0;      // slot 11
    virtual ResultCode GetTimeouts(MVTimeouts* timeouts) = 0;      // slot 12
    virtual ResultCode PurgeOutput() = 0;                          // slot 13
    virtual ResultCode PurgeInput() = 0;                           // slot 14
};

// The slots above by number, as the host calls them through the tables.
namespace slot {
enum PluginSlot {
    PLUGIN_DESTRUCTOR = 0,
    PLUGIN_INFO = 1,
    PLUGIN_SHOW_CONFIG = 2,
    GET_COMPONENT = 3,
    PLUGIN_RESERVED = 4,
    SET_PROPERTY = 5,
};
// IMVPluginComponent's slots 0 to 5, then IMVDataAcqIO's.
enum ComponentSlot {
    COMPONENT_DESTRUCTOR = 0,
    COMPONENT_TYPE = 1,
    COMPONENT_INFO = 2,
    COMPONENT_SHOW_CONFIG = 3,
    COMPONENT_RESERVED = 4,
    LAST_ERROR_TEXT = 5,
    HARDWARE_INFO = 6,
    OPEN = 7,
    CLOSE = 8,
    WRITE = 9,
    READ = 10,
    SET_TIMEOUTS = 11,
    GET_TIMEOUTS = 12,
    PURGE_OUTPUT = 13,
    PURGE_INPUT = 14,
};
}  // namespace slot

// Component type code of a data-acquisition component.
const int32_t MV_COMPONENT_TYPE_DATA_ACQ = 100001;

// The only MVOpenParams kind the component accepts: data from a serial device.
const int32_t OPEN_KIND_SERIAL = 16;
// A host Write of exactly these two bytes, the letter P then a count N, asks
// for one packet of N payload bytes.
const uint32_t PACKET_REQUEST_LENGTH = 2;
const uint8_t PACKET_REQUEST_LETTER = 0x50;  // 'P'
// The largest N: it travels in one byte.
const uint32_t LARGEST_PACKET_SIZE = 255;
// The device library refuses a longer payload, so it must send every size a
// host can ask for.
static_assert(LARGEST_PACKET_SIZE == ARDUNFRAME_LARGEST_REQUEST, "the device library's largest request");
