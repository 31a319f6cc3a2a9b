#include "tools/trace/window/trace_menu.h"

#include <stdio.h>

#include <string>

#include "plugin/host_interfaces.h"
#include "settings/port_list.h"
#include "settings/port_range.h"
#include "settings/ports_that_open.h"
#include "tools/trace/find/device_finder.h"

namespace {

// Command numbers: a base plus the port, the rate's index or the size.
const UINT PORT_COMMANDS = 1000;
const UINT BAUD_COMMANDS = 2000;
const UINT SIZE_COMMANDS = 3000;
const UINT FIND_COMMAND = 4000;
const UINT WATCH_COMMAND = 5000;
const uint32_t SIZES_PER_COLUMN = 16;
const int PORT_MENU = 0, BAUD_MENU = 1, SIZE_MENU = 2;

// A popup list added to the bar; null when Windows refuses.
HMENU AddPopup(HMENU bar, const char* title)
{
    const HMENU popup = CreatePopupMenu();
    if (popup != NULL && !AppendMenuA(bar, MF_POPUP | MF_STRING, (UINT_PTR)popup, title)) {
        (void)DestroyMenu(popup);  // not in the bar: ours to destroy
        return NULL;
    }
    return popup;
}

// The dialog's list of ports: those that open now, and the traced port, when
// it did not open for the list, at the head in the dialog's braces.
void FillPorts(HMENU ports, uint32_t current)
{
    while (GetMenuItemCount(ports) > 0)
        if (!DeleteMenu(ports, 0, MF_BYPOSITION))
            break;
    const PortsThatOpen opened = ListPortsThatOpen();
    // A number beyond the range (a settings file's COM300), or none, is no
    // choice this menu could make: it is not listed.
    const bool braced = current <= HIGHEST_PORT_NUMBER && !opened.Contains((int32_t)current);
    char text[PORT_ENTRY_TEXT_CAPACITY];
    PortEntryText((int32_t)current, false, text);
    const std::string bracedText = text;
    // A menu that lacks an entry Windows refused still works: the results
    // of the appends are not needed.
    if (braced)
        (void)AppendMenuA(ports, MF_STRING | MF_CHECKED, PORT_COMMANDS + current, bracedText.c_str());
    for (uint32_t i = 0; i < opened.count; ++i) {
        const uint32_t number = opened.numbers[i];
        PortEntryText((int32_t)number, true, text);
        (void)AppendMenuA(ports, MF_STRING | (number == current ? MF_CHECKED : 0), PORT_COMMANDS + number,
                          text);
    }
    // The dialog's braces, said in words where the list shows them.
    if (braced) {
        (void)AppendMenuA(ports, MF_SEPARATOR, 0, NULL);
        (void)AppendMenuA(ports, MF_STRING | MF_GRAYED, 0,
                          (bracedText + ": the port traced now, which did not open for this list "
                                        "(the trace itself holds it, or it is gone)")
                              .c_str());
    }
}

}  // namespace

HMENU CreateTraceMenu()
{
    const HMENU bar = CreateMenu();
    if (bar == NULL)
        return NULL;
    const HMENU ports = AddPopup(bar, "&Port");
    const HMENU rates = AddPopup(bar, "&Baud rate");
    const HMENU sizes = AddPopup(bar, "&Size");
    bool made = ports != NULL && rates != NULL && sizes != NULL &&
                AppendMenuA(bar, MF_STRING, FIND_COMMAND, "&Find the device") &&
                AppendMenuA(bar, MF_STRING, WATCH_COMMAND, "&Watch the host") &&
                AppendMenuA(ports, MF_STRING | MF_GRAYED, 0, "(probing the ports)");
    for (size_t i = 0; made && i < COMMON_BAUD_RATE_COUNT; ++i) {
        char text[16];
        snprintf(text, sizeof text, "%u", (unsigned)COMMON_BAUD_RATES[i]);
        made = AppendMenuA(rates, MF_STRING, BAUD_COMMANDS + (UINT)i, text) != FALSE;
    }
    for (uint32_t size = 1; made && size <= LARGEST_PACKET_SIZE; ++size) {
        char text[8];
        snprintf(text, sizeof text, "%u", (unsigned)size);
        // Columns of sixteen, so that every size fits on the screen.
        const UINT column = size > 1 && size % SIZES_PER_COLUMN == 1 ? MF_MENUBARBREAK : 0;
        made = AppendMenuA(sizes, MF_STRING | column, SIZE_COMMANDS + size, text) != FALSE;
    }
    if (!made) {
        (void)DestroyMenu(bar);  // with every list in it
        return NULL;
    }
    return bar;
}

void PrepareTraceMenu(HMENU menu, HMENU opening, const TraceChoice& current)
{
    if (opening == GetSubMenu(menu, PORT_MENU))
        FillPorts(opening, current.port);
    if (opening == GetSubMenu(menu, BAUD_MENU))
        for (size_t i = 0; i < COMMON_BAUD_RATE_COUNT; ++i)
            (void)CheckMenuItem(opening, BAUD_COMMANDS + (UINT)i,
                                COMMON_BAUD_RATES[i] == current.baudRate ? MF_CHECKED : MF_UNCHECKED);
    if (opening == GetSubMenu(menu, SIZE_MENU))
        for (uint32_t size = 1; size <= LARGEST_PACKET_SIZE; ++size)
            (void)CheckMenuItem(opening, SIZE_COMMANDS + size,
                                size == current.size ? MF_CHECKED : MF_UNCHECKED);
}

bool ChoiceOfCommand(UINT command, const TraceChoice& current, TraceChoice* chosen)
{
    *chosen = current;
    chosen->find = false;
    chosen->watch = false;
    if (command >= PORT_COMMANDS && command <= PORT_COMMANDS + HIGHEST_PORT_NUMBER)
        chosen->port = command - PORT_COMMANDS;
    else if (command >= BAUD_COMMANDS && command < BAUD_COMMANDS + COMMON_BAUD_RATE_COUNT)
        chosen->baudRate = COMMON_BAUD_RATES[command - BAUD_COMMANDS];
    else if (command > SIZE_COMMANDS && command <= SIZE_COMMANDS + LARGEST_PACKET_SIZE)
        chosen->size = command - SIZE_COMMANDS;
    else if (command == FIND_COMMAND)
        chosen->find = true;
    else if (command == WATCH_COMMAND)
        chosen->watch = true;
    else
        return false;
    return true;
}
