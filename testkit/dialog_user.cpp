#include "testkit/dialog_user.h"

#include "settings/resource.h"

namespace {

const char CAPTION[] = "Ardun Parser Configuration";

std::vector<DialogEntry> ReadEntries(HWND combo)
{
    std::vector<DialogEntry> entries;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof text)
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
        entries.push_back({text, (int32_t)SendMessageA(combo, CB_GETITEMDATA, i, 0)});
    }
    return entries;
}

void Close(HWND dialog, DialogClosing closing)
{
    switch (closing) {
    case PRESS_OK:
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
        break;
    case PRESS_CANCEL:
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDCANCEL));
        break;
    case PRESS_ESCAPE:
        // The key goes to the control with the focus, as a keyboard would send it.
        PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
        break;
    case CLOSE_MESSAGE:
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    case CLOSE_BOX:
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

}  // namespace

int IndexOfData(const std::vector<DialogEntry>& entries, int32_t data)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].data == data)
            return (int)i;
    return -1;
}

DialogUser::DialogUser(DialogClosing closing, int32_t choose)
    : worker([this, closing, choose] { Run(closing, choose); })
{
}

DialogUser::~DialogUser()
{
    Finish();
}

const DialogSeen& DialogUser::Finish()
{
    callReturned = true;
    if (worker.joinable())
        worker.join();
    return seen;
}

void DialogUser::Run(DialogClosing closing, int32_t choose)
{
    // The probe of 256 ports comes before the dialog shows; the wait ends
    // with the dialog or with the call that should have shown it.
    HWND dialog = NULL;
    while (!callReturned) {
        dialog = FindWindowA(NULL, CAPTION);
        if (dialog && IsWindowVisible(dialog))
            break;
        dialog = NULL;
        Sleep(20);
    }
    if (!dialog)
        return;
    seen.shown = true;
    HWND combo = GetDlgItem(dialog, IDC_PORT_LIST);
    seen.entries = ReadEntries(combo);
    seen.selected = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
    GetWindowRect(dialog, &seen.rect);
    if (choose != NO_CHOICE) {
        const int index = IndexOfData(seen.entries, choose);
        seen.chosen = index >= 0 && SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0) == index;
    }
    Close(dialog, closing);
}
