// A second thread playing the user of the port configuration dialog: it waits
// until the dialog is on screen, notes what it shows, picks an entry and
// closes it the way it was told to.
#pragma once

#include <stdint.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

struct DialogEntry {
    std::string text;
    int32_t data;
};

// What the user saw while the dialog was up.
struct DialogSeen {
    bool shown = false;
    std::vector<DialogEntry> entries;
    int selected = -1;    // the selected entry when the dialog appeared
    bool chosen = false;  // the entry to choose was there and is now selected
    RECT rect = {0, 0, 0, 0};
};

enum DialogClosing { PRESS_OK, PRESS_CANCEL, PRESS_ESCAPE, CLOSE_MESSAGE, CLOSE_BOX };

const int32_t NO_CHOICE = -1000;

// Index of the entry with this item data, or -1.
int IndexOfData(const std::vector<DialogEntry>& entries, int32_t data);

class DialogUser {
public:
    // Starts waiting for the dialog; picks the entry whose item data is
    // `choose` (unless NO_CHOICE), then closes the dialog as `closing` says.
    explicit DialogUser(DialogClosing closing, int32_t choose = NO_CHOICE);
    ~DialogUser();

    // Call once the call that showed the dialog has returned: a dialog that
    // never appeared then stops the wait. Returns what the user saw.
    const DialogSeen& Finish();

private:
    DialogUser(const DialogUser&);
    DialogUser& operator=(const DialogUser&);
    void Run(DialogClosing closing, int32_t choose);

    DialogSeen seen;
    std::atomic<bool> callReturned{false};
    std::thread worker;
};
