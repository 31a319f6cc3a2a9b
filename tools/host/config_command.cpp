#include "tools/host/config_command.h"

#include <stdio.h>

#include "tools/cli/windows_error.h"
#include "tools/host/component_access.h"
#include "tools/host/configured_port.h"

const char* const OWNER_WINDOW_CAPTION = "ardun-host";
static const char* const OWNER_WINDOW_CLASS = "ArdunHostOwnerWindow";

// A hidden top-level window, so that the dialog has a real owner and is
// centred over it, as it is over the host's main window. The dialog's modal
// loop also serves this window's messages.
class OwnerWindow {
public:
    OwnerWindow() : window(nullptr), registered(false) {}
    ~OwnerWindow()
    {
        // Teardown at the end of the command: failures here change nothing.
        if (window != nullptr)
            DestroyWindow(window);
        if (registered)
            UnregisterClassA(OWNER_WINDOW_CLASS, GetModuleHandleA(nullptr));
    }

    bool Create(std::string* error)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = OWNER_WINDOW_CLASS;
        if (RegisterClassA(&windowClass) == 0) {
            const DWORD code = GetLastError();  // before any string work can change it
            *error = "could not register the owner window's class: " + DescribeWindowsError(code);
            return false;
        }
        registered = true;
        // Centred on the screen, so the dialog centred over it is too.
        const int width = 480, height = 320;
        int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        window = CreateWindowExA(0, OWNER_WINDOW_CLASS, OWNER_WINDOW_CAPTION, WS_OVERLAPPEDWINDOW, x, y,
                                 width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr) {
            const DWORD code = GetLastError();  // before any string work can change it
            *error = "could not create the owner window: " + DescribeWindowsError(code);
            return false;
        }
        return true;
    }

    HWND Handle() const { return window; }

private:
    OwnerWindow(const OwnerWindow&);
    OwnerWindow& operator=(const OwnerWindow&);

    HWND window;
    bool registered;
};

int RunConfigCommand(const PluginLibrary& library, IMVPlugin* plugin)
{
    OwnerWindow owner;
    std::string error;
    if (!owner.Create(&error)) {
        fprintf(stderr, "ardun-host: %s\n", error.c_str());
        return 1;
    }
    printf("Port before: %s\n", DescribeConfiguredPort(library).c_str());
    printf("Showing the port configuration dialog; choose a port and press OK, or Cancel.\n");
    fflush(stdout);

    MVConfigRequest request = {};
    request.ownerWindow = owner.Handle();
    int32_t result = plugin->ShowConfig(&request);
    if (result != 0) {
        fprintf(stderr, "ardun-host: ShowConfig (IMVPlugin slot 2) returned %s, not 0\n",
                FormatResultCode(result).c_str());
        return 1;
    }
    printf("The dialog closed.\n");
    printf("Port after:  %s\n", DescribeConfiguredPort(library).c_str());
    return 0;
}
