// The dialog's list of COM ports: a combo box whose entries each carry the
// port number they stand for as item data.
#pragma once

#include <stdint.h>
#include <windows.h>

// Probes COM ports 0 to 255 and adds "COM<n>" for each one that opens, in
// ascending order. When current is not among them, "{COM<current>}" (or a
// single space when current is NO_PORT_NUMBER) is inserted at the head with
// current as item data, so the configured port can always be chosen. With a
// null combo box nothing is probed. Returns 0.
int32_t FillPortList(HWND combo, int32_t current);

// Selects the first entry whose item data is value and returns its index;
// -1, with the selection unchanged, when there is none.
int32_t SelectItemByData(HWND combo, int32_t value);

// The selected entry's item data through value (when not null); false, with
// value untouched, when nothing is selected.
bool GetSelectedItemData(HWND combo, int32_t* value);
