#include "settings/port_list.h"

#include "common/bounded_text.h"
#include "settings/port_number.h"
#include "settings/ports_that_open.h"

void PortEntryText(int32_t number, bool opened, char (&text)[PORT_ENTRY_TEXT_CAPACITY])
{
    // "{COM-2147483648}" always fits the buffer.
    if (opened)
        (void)BoundedPrintf(text, PORT_ENTRY_TEXT_CAPACITY, "COM%i", (int)number);
    else if (number != NO_PORT_NUMBER)
        (void)BoundedPrintf(text, PORT_ENTRY_TEXT_CAPACITY, "{COM%i}", (int)number);
    else
        (void)BoundedCopy(text, PORT_ENTRY_TEXT_CAPACITY, " ");
}

// Adds or inserts an entry and gives it its port number; an entry the list
// could not take is simply missing.
static void PutEntry(HWND combo, UINT message, WPARAM index, int32_t portNumber, bool opened)
{
    char text[PORT_ENTRY_TEXT_CAPACITY];
    PortEntryText(portNumber, opened, text);
    LRESULT position = SendMessageA(combo, message, index, (LPARAM)text);
    if (position < 0)  // CB_ERR or CB_ERRSPACE
        return;
    (void)SendMessageA(combo, CB_SETITEMDATA, (WPARAM)position, (LPARAM)portNumber);
}

int32_t FillPortList(HWND combo, int32_t current)
{
    if (combo == NULL)
        return 0;

    // The flat look of the list box; cosmetic, so a refusal is ignored.
    LONG extendedStyle = GetWindowLongA(combo, GWL_EXSTYLE);
    (void)SetWindowLongA(combo, GWL_EXSTYLE, extendedStyle & ~WS_EX_WINDOWEDGE);

    const PortsThatOpen ports = ListPortsThatOpen();
    for (uint32_t i = 0; i < ports.count; ++i)
        PutEntry(combo, CB_ADDSTRING, 0, (int32_t)ports.numbers[i], true);

    if (ports.Contains(current)) {
        (void)SendMessageA(combo, CB_SETCURSEL, 0, 0);
    } else {
        // The configured port is kept choosable even when it is absent now.
        PutEntry(combo, CB_INSERTSTRING, 0, current, false);
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
