// Start-up and the dialog: the time for LoadLibrary plus MVCreatePlugin (which
// reads the settings file), and the time from ShowConfig to the configuration
// dialog being visible, which includes probing COM ports 0 to 255.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "common/performance_clock.h"
#include "testkit/plugin_session.h"
#include "testkit/settings_file.h"
#include "testkit/test_ports.h"

namespace {

const int LOAD_SAMPLES = 50;
const int DIALOG_SAMPLES = 5;
const int PORT_LIST_ID = 1001;

// Waits for the dialog, notes when it became visible and what it lists, and
// cancels it.
struct DialogWatch {
    std::atomic<double> visibleAt{0.0};
    std::string entries;

    void Run()
    {
        for (int tries = 0; tries < 20000; ++tries) {
            HWND dialog = FindWindowA(NULL, "Ardun Parser Configuration");
            if (dialog && IsWindowVisible(dialog)) {
                visibleAt = PerformanceClock().Seconds();
                HWND list = GetDlgItem(dialog, PORT_LIST_ID);
                const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
                for (LRESULT i = 0; i < count; ++i) {
                    char text[64] = "";
                    if (SendMessageA(list, CB_GETLBTEXTLEN, (WPARAM)i, 0) < (LRESULT)sizeof text)
                        SendMessageA(list, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text);
                    entries += (entries.empty() ? "" : " ") + std::string(text);
                }
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            Sleep(1);
        }
    }
};

}  // namespace

int main()
{
    PrintMachine();
    RemoveSettingsFile();
    ConfigurePort(TestPortPath(HOST_SIDE));

    std::vector<double> loads;
    for (int i = 0; i < LOAD_SAMPLES; ++i) {
        PluginModule module;
        const double start = PerformanceClock().Seconds();
        if (!LoadPluginModule(&module) || module.create() == NULL) {
            printf("startup: ArdunParser.dll could not be loaded beside the program\n");
            return 1;
        }
        loads.push_back(PerformanceClock().Seconds() - start);
        UnloadPluginModule(&module);
    }
    printf("startup: LoadLibrary + MVCreatePlugin, %d loads: first %.3f ms, median %.3f ms, "
           "99th percentile %.3f ms\n",
           LOAD_SAMPLES, loads[0] * 1000, Percentile(loads, 50) * 1000, Percentile(loads, 99) * 1000);

    PluginSession session;
    if (!session.Load())
        return 1;
    std::vector<double> dialogs;
    std::string entries;
    for (int i = 0; i < DIALOG_SAMPLES; ++i) {
        DialogWatch watch;
        std::thread watcher([&watch] { watch.Run(); });
        MVConfigRequest request = {0, NULL};
        const double start = PerformanceClock().Seconds();
        session.Call(session.Plugin(), slot::PLUGIN_SHOW_CONFIG, Arg(&request));
        watcher.join();
        if (watch.visibleAt.load() > 0.0)
            dialogs.push_back(watch.visibleAt.load() - start);
        entries = watch.entries;
    }
    session.Unload();
    RemoveSettingsFile();
    printf("startup: ShowConfig to dialog visible (256-port probe), %u of %d shown: median %.1f ms, "
           "max %.1f ms; list: %s\n",
           (unsigned)dialogs.size(), DIALOG_SAMPLES, Percentile(dialogs, 50) * 1000,
           Percentile(dialogs, 100) * 1000, entries.c_str());
    return dialogs.size() == DIALOG_SAMPLES ? 0 : 1;
}
