// The lists of COM ports shown to a user: the dialog's combo box, whose
// entries each carry the port number they stand for as item data, and the
// texts such a list shows, which the trace's Port menu shows too.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

const size_t PORT_ENTRY_TEXT_CAPACITY = 30;

// The entry for a port: "COM<n>" for one that opened, "{COM<n>}" for the
// configured one when it did not, and a single space for NO_PORT_NUMBER.
void PortEntryText(int32_t number, bool opened, char (&text)[PORT_ENTRY_TEXT_CAPACITY]);

// Adds "COM<n>" for each port that opens now (ListPortsThatOpen), in
// ascending order. When current is not among them, its entry is inserted at
// the head with current as item data, so the configured port can always be
// chosen. With a null combo box nothing is probed. Returns 0.
int32_t FillPortList(HWND combo, int32_t current);

// Selects the first entry whose item data is value and returns its index;
// -1, with the selection unchanged, when there is none.
int32_t SelectItemByData(HWND combo, int32_t value);

// The selected entry's item data through value (when not null); false, with
// value untouched, when nothing is selected.
bool GetSelectedItemData(HWND combo, int32_t* value);
