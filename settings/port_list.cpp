#include "settings/port_list.h"

#include "common/bounded_text.h"
#include "serial/kv_serial.h"
#include "settings/port_number.h"
#include "settings/port_range.h"

static const size_t ENTRY_TEXT_CAPACITY = 30;

// Adds or inserts an entry and gives it its port number; an entry the list
// could not take is simply missing.
static void PutEntry(HWND combo, UINT message, WPARAM index, const char* text, int32_t portNumber)
{
    LRESULT position = SendMessageA(combo, message, index, (LPARAM)text);
    if (position < 0)  // CB_ERR or CB_ERRSPACE
        return;
    (void)SendMessageA(combo, CB_SETITEMDATA, (WPARAM)position, (LPARAM)portNumber);
}

int32_t FillPortList(HWND combo, int32_t current)
{
    // Each probe opens the port for exclusive use and closes it again; a port
    // held elsewhere, even by this module's own component, fails the probe.
    KVSerial probe;
    if (combo == NULL)
        return 0;

    // The flat look of the list box; cosmetic, so a refusal is ignored.
    LONG extendedStyle = GetWindowLongA(combo, GWL_EXSTYLE);
    (void)SetWindowLongA(combo, GWL_EXSTYLE, extendedStyle & ~WS_EX_WINDOWEDGE);

    char text[ENTRY_TEXT_CAPACITY];
    bool currentFound = false;
    for (uint32_t number = LOWEST_PORT_NUMBER; number <= HIGHEST_PORT_NUMBER; ++number) {
        if (!probe.OpenComNumber(number))
            continue;
        if ((int32_t)number == current)
            currentFound = true;
        // "COM255" always fits the buffer.
        (void)BoundedPrintf(text, ENTRY_TEXT_CAPACITY, "COM%i", (int)number);
        PutEntry(combo, CB_ADDSTRING, 0, text, (int32_t)number);
        probe.ClosePort();
    }

    if (currentFound) {
        (void)SendMessageA(combo, CB_SETCURSEL, 0, 0);
    } else {
        // The configured port is kept choosable even when it is absent now.
        if (current != NO_PORT_NUMBER)
            (void)BoundedPrintf(text, ENTRY_TEXT_CAPACITY, "{COM%i}", (int)current);
        else
            (void)BoundedCopy(text, ENTRY_TEXT_CAPACITY, " ");
        PutEntry(combo, CB_INSERTSTRING, 0, text, current);
    }
    return 0;
}

int32_t SelectItemByData(HWND combo, int32_t value)
{
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        if ((int32_t)SendMessageA(combo, CB_GETITEMDATA, (WPARAM)index, 0) == value) {
            (void)SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
            return (int32_t)index;
        }
    }
    return -1;
}

bool GetSelectedItemData(HWND combo, int32_t* value)
{
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return false;
    if (value != NULL)
        *value = (int32_t)SendMessageA(combo, CB_GETITEMDATA, (WPARAM)index, 0);
    return true;
}
