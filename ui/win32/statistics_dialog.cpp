#include "ui/win32/statistics_dialog.h"

#include <mmsystem.h>

#include "audio/mic_device.h"
#include "core/reception_stats.h"
#include "settings/settings.h"
#include "ui/statistics_text.h"
#include "ui/win32/clipboard.h"
#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

struct StatisticsContext {
    wchar_t text[kStatisticsTextCapacity] = {};
};

int timerMinimumPeriod() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) != MMSYSERR_NOERROR)
        return 0;
    return static_cast<int>(caps.wPeriodMin);
}

StatisticsValues gatherValues() {
    const ReceptionStats& stats = receptionStats();
    StatisticsValues v;
    v.startTime = stats.startTime.load();
    v.endTime = stats.endTime.load();
    v.rx = stats.rx.load();
    v.maxDelta = stats.maxDelta.load();
    v.dropped = stats.dropped.load();
    v.missed = stats.missed.load();
    v.transportType = Settings::getTransportType();
    v.controlPort = Settings::getControlPort();
    v.mediaPort = Settings::getMediaPort();
    v.driverState = MicDevice::queryDriverState();
    v.timeMin = timerMinimumPeriod();
    return v;
}

INT_PTR CALLBACK statisticsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* context = reinterpret_cast<StatisticsContext*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            centreOverOwner(dialog);
            formatStatisticsText(gatherValues(), context->text, kStatisticsTextCapacity);
            SetDlgItemTextW(dialog, IDC_STATS_TEXT, context->text);
            return TRUE;
        }
        case WM_COMMAND: {
            auto* context =
                reinterpret_cast<StatisticsContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDC_COPY && context != nullptr) {
                copyTextToClipboard(context->text);
                return FALSE;  // stays open
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

void runStatisticsDialog(HINSTANCE instance, HWND owner) {
    StatisticsContext context;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_STATISTICS), owner, statisticsProc,
                    reinterpret_cast<LPARAM>(&context));
}

}  // namespace kavri
